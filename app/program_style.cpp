#include "program_style.h"

#include <QImage>
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

namespace {

// A palette with three dabs of paint and a brush, in the 16 basic colours, pixel by pixel.
void PaintPixelIcon(QPainter &p)
{
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
}

// The same picture as shapes on the 16-unit grid (a pixel spans a whole unit), for painting
// smoothly at any scale: the outline covers the pixels the 1-pixel pen covers above.
void PaintSmoothIcon(QPainter &p)
{
    p.setPen(QPen(Qt::black, 1.0));
    p.setBrush(QColor(255, 255, 0));
    p.drawEllipse(QRectF(0.5, 3.5, 14, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(8, 9, 4, 3));
    p.setBrush(Qt::red);
    p.drawRect(QRectF(3, 6, 2, 2));
    p.setBrush(Qt::blue);
    p.drawRect(QRectF(6, 5, 2, 2));
    p.setBrush(Qt::darkGreen);
    p.drawRect(QRectF(9, 6, 2, 2));
    p.setPen(QPen(QColor(128, 0, 0), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15.4, 0.6), QPointF(9.5, 8.5));
}

} // namespace

QImage ProgramIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    if (size == 16) {
        PaintPixelIcon(p);
    } else {
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        PaintSmoothIcon(p);
    }
    return image;
}

QIcon ProgramIcon()
{
    return QIcon(QPixmap::fromImage(ProgramIconImage(16)));
}
