#include "stored_points.h"

#include "pen_tip.h"

#include <algorithm>

namespace {
bool Below(const StoredPoint &point, int n)
{
    return point.n < n;
}
} // namespace

bool StoredPoints::Add(const StoredPoint &point)
{
    // Points nearly always arrive in ascending N; the others land close to the end.
    if (points_.empty() || points_.back().n < point.n) {
        points_.push_back(point);
        return true;
    }
    const auto at = std::lower_bound(points_.begin(), points_.end(), point.n, Below);
    if (at != points_.end() && at->n == point.n)
        *at = point;
    else
        points_.insert(at, point);
    return false;
}

const StoredPoint *StoredPoints::Find(int n) const
{
    const auto at = std::lower_bound(points_.begin(), points_.end(), n, Below);
    return at != points_.end() && at->n == n ? &*at : nullptr;
}

int StoredPoints::HighestUpTo(int n) const
{
    const auto above =
        std::upper_bound(points_.begin(), points_.end(), n,
                         [](int value, const StoredPoint &p) { return value < p.n; });
    return above == points_.begin() ? 0 : std::prev(above)->n;
}

void StoredPoints::Repaint(QImage &picture, const QRect &area) const
{
    const QRect clipped = area & picture.rect();
    if (clipped.isEmpty()) return;
    const QRgb white = qRgb(255, 255, 255);
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        std::fill(line + clipped.left(), line + clipped.right() + 1, white);
    }
    // A stamp off the area costs a box test and nothing more.
    PenTipPainter painter(picture, clipped);
    for (const StoredPoint &p : points_) painter.Stamp(p.shape, p.size, p.color, p.x, p.y);
}
