#include "program_style.h"

#include <QPainter>
#include <QPixmap>

QFont ProgramFont()
{
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPixelSize(13);
    return font;
}

QIcon ProgramIcon()
{
    // A palette with three dabs of paint and a brush, in the 16 basic colours.
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 0));
    p.drawEllipse(QRect(0, 3, 14, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRect(8, 9, 4, 3));
    p.setBrush(Qt::red);
    p.drawRect(QRect(3, 6, 2, 2));
    p.setBrush(Qt::blue);
    p.drawRect(QRect(6, 5, 2, 2));
    p.setBrush(Qt::darkGreen);
    p.drawRect(QRect(9, 6, 2, 2));
    p.setPen(QColor(128, 0, 0));
    p.drawLine(QPoint(15, 0), QPoint(9, 8));
    return QIcon(pixmap);
}
