#include "pen_tip.h"

#include <algorithm>

namespace {

// Sizes beyond this come from no dialog; a disc that large would overflow the painter's
// fixed-point coordinates, so such discs and rings are not drawn.
constexpr int kLargestRoundTip = 32768;

// A rectangle clipped to the picture, computed without overflowing int for any stored value.
QRect Clipped(qint64 left, qint64 top, qint64 width, qint64 height, const QRect &bounds)
{
    const qint64 l = std::max<qint64>(left, bounds.left());
    const qint64 t = std::max<qint64>(top, bounds.top());
    const qint64 r = std::min<qint64>(left + width - 1, bounds.right());
    const qint64 b = std::min<qint64>(top + height - 1, bounds.bottom());
    if (l > r || t > b) return QRect();
    return QRect(QPoint(int(l), int(t)), QPoint(int(r), int(b)));
}

} // namespace

QRgb PenColorToRgb(int penColor)
{
    const quint32 c = quint32(penColor);
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

int PenColorFromRgb(QRgb rgb)
{
    return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

QRect PenTipBox(const QRect &bounds, int shape, int size, int x, int y)
{
    if (size < 1) return QRect();
    if (size == 1) return Clipped(x, y, 1, 1, bounds);
    const int h = size / 2;
    const qint64 left = qint64(x) - h;
    const qint64 top = qint64(y) - h;
    switch (shape) {
    case kSquare:
    case kOutline:
    case kFallingLine: return Clipped(left, top, size, size, bounds);
    // From (x + r, y - h) towards (x - h, y + r): it starts one column right of the box.
    case kRisingLine: return Clipped(left + 1, top, size, size, bounds);
    case kDisc:
    case kRing: return size > kLargestRoundTip ? QRect() : Clipped(left, top, size, size, bounds);
    default: return QRect();
    }
}

PenTipPainter::PenTipPainter(QImage &picture, const QRect &area)
    : picture_(picture), bounds_(area.isNull() ? picture.rect() : area & picture.rect())
{
}

QPainter &PenTipPainter::Painter()
{
    if (!painter_.isActive()) {
        painter_.begin(&picture_);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setCompositionMode(QPainter::CompositionMode_Source);
        if (bounds_ != picture_.rect()) painter_.setClipRect(bounds_);
    }
    return painter_;
}

void PenTipPainter::Fill(const QRect &area, QRgb rgb)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(picture_.scanLine(y));
        std::fill(line + area.left(), line + area.right() + 1, rgb);
    }
}

// `size` pixels from (x0, y0), one row down per step and dx (+1 or -1) across.
void PenTipPainter::Diagonal(qint64 x0, qint64 y0, int dx, int size, QRgb rgb)
{
    // Only the steps whose row is on the picture are visited.
    const qint64 first = std::max<qint64>(0, bounds_.top() - y0);
    const qint64 last = std::min<qint64>(size - 1, bounds_.bottom() - y0);
    for (qint64 i = first; i <= last; ++i) {
        const qint64 px = x0 + dx * i;
        if (px < bounds_.left() || px > bounds_.right()) continue;
        reinterpret_cast<QRgb *>(picture_.scanLine(int(y0 + i)))[px] = rgb;
    }
}

QRect PenTipPainter::Stamp(int shape, int size, int penColor, int x, int y)
{
    const QRect box = PenTipBox(bounds_, shape, size, x, y);
    if (box.isEmpty()) return box;
    const QRgb rgb = PenColorToRgb(penColor);
    if (size == 1 || shape == kSquare) {
        Fill(box, rgb);
        return box;
    }
    const int h = size / 2;
    const qint64 left = qint64(x) - h;
    const qint64 top = qint64(y) - h;
    switch (shape) {
    case kOutline:
        for (const QRect &edge :
             {Clipped(left, top, size, 1, bounds_), Clipped(left, top + size - 1, size, 1, bounds_),
              Clipped(left, top, 1, size, bounds_),
              Clipped(left + size - 1, top, 1, size, bounds_)})
            if (!edge.isEmpty()) Fill(edge, rgb);
        break;
    // From (x - h, y - h) towards (x + r, y + r), that corner itself left out.
    case kFallingLine: Diagonal(left, top, +1, size, rgb); break;
    case kRisingLine: Diagonal(left + size, top, -1, size, rgb); break;
    default: { // disc or ring
        QPainter &painter = Painter();
        painter.setPen(QPen(QColor(rgb), 1, Qt::SolidLine));
        painter.setBrush(shape == kDisc ? QBrush(QColor(rgb)) : QBrush(Qt::NoBrush));
        painter.drawEllipse(QRect(int(left), int(top), size - 1, size - 1));
    }
    }
    return box;
}

QRect DrawPenTip(QImage &picture, int shape, int size, int penColor, int x, int y)
{
    PenTipPainter painter(picture);
    return painter.Stamp(shape, size, penColor, x, y);
}

QImage BlankPicture(int width, int height)
{
    QImage picture(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    picture.fill(Qt::white);
    return picture;
}
