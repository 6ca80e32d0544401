#include "board_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

template <class Paint> QIcon Glyph(Paint paint)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(painter);
    return QIcon(pixmap);
}

} // namespace

QIcon SaveGlyph()
{
    return Glyph([](QPainter &p) {
        p.fillRect(1, 1, 14, 14, QColor(0, 0, 128));
        p.fillRect(4, 1, 8, 5, QColor(230, 230, 230)); // the shutter
        p.fillRect(9, 2, 2, 3, QColor(0, 0, 128));
        p.fillRect(3, 9, 10, 6, Qt::white); // the label
        p.setPen(QColor(160, 160, 160));
        p.drawLine(4, 11, 11, 11);
        p.drawLine(4, 13, 11, 13);
    });
}

QIcon PenTipGlyph()
{
    return Glyph([](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QColor(0, 0, 160));
        p.setBrush(QColor(0, 64, 255));
        p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    });
}

QIcon ColourGlyph()
{
    return Glyph([](QPainter &p) {
        const QColor colours[9] = {Qt::red,     Qt::yellow, Qt::green, Qt::cyan, Qt::blue,
                                   Qt::magenta, Qt::black,  Qt::gray,  Qt::white};
        for (int i = 0; i < 9; ++i) {
            const QRect square(1 + (i % 3) * 5, 1 + (i / 3) * 5, 4, 4);
            p.fillRect(square, colours[i]);
            p.setPen(Qt::darkGray);
            p.drawRect(square.adjusted(0, 0, -1, -1));
        }
    });
}

QIcon DrawGlyph()
{
    return Glyph([](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath line(QPointF(1.5, 12.5));
        line.cubicTo(QPointF(4, 2), QPointF(8, 16), QPointF(14.5, 3.5));
        p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(line);
    });
}

QCursor SqlWaitCursor()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    // The hourglass: two triangles between two bars.
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(2, 2), QPoint(13, 2), QPoint(7, 9)}));
    p.drawPolygon(QPolygon({QPoint(7, 9), QPoint(13, 17), QPoint(2, 17)}));
    p.fillRect(1, 1, 14, 2, Qt::black);
    p.fillRect(1, 17, 14, 2, Qt::black);
    p.setBrush(QColor(200, 160, 40));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygon({QPoint(4, 16), QPoint(11, 16), QPoint(7, 12)}));
    // "SQL" beside it.
    QFont font;
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    p.fillRect(12, 20, 19, 11, Qt::white);
    p.drawRect(12, 20, 18, 10);
    p.drawText(QRect(12, 20, 19, 11), Qt::AlignCenter, QStringLiteral("SQL"));
    p.end();
    return QCursor(pixmap, 7, 9);
}
