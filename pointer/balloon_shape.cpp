#include "balloon_shape.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

QSize BalloonSize(const QFontMetrics &metrics, const QString &text)
{
    const int width = std::max(metrics.horizontalAdvance(text), kArrowSize);
    return QSize(width, metrics.height() + kArrowSize);
}

QPolygon BalloonOutline(int width, int height)
{
    const int a = kArrowSize, h = kArrowSize / 2;
    return QPolygon({QPoint(0, 0), QPoint(h, a), QPoint(0, a), QPoint(0, height),
                     QPoint(width, height), QPoint(width, a), QPoint(h, a), QPoint(a, h)});
}

QRegion PolygonPixels(const QPolygon &outline)
{
    QRegion pixels;
    const int n = int(outline.size());
    if (n < 3) return pixels;
    const QRect box = outline.boundingRect();
    std::vector<double> crossings;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        // Where the row's centre line crosses each edge. Vertices sit on whole numbers and the
        // centre line on a half, so no vertex lies on it and every crossing is a clean one.
        const double cy = y + 0.5;
        crossings.clear();
        for (int i = 0; i < n; ++i) {
            const QPoint p = outline[i], q = outline[(i + 1) % n];
            if ((p.y() < cy) == (q.y() < cy)) continue;
            crossings.push_back(p.x() + (cy - p.y()) * (q.x() - p.x()) / double(q.y() - p.y()));
        }
        std::sort(crossings.begin(), crossings.end());
        // Even-odd: inside between the 1st and 2nd crossing, the 3rd and 4th, ... A pixel x is
        // inside when its centre x + 0.5 lies in [enter, leave).
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const int first = int(std::ceil(crossings[i] - 0.5));
            const int last = int(std::ceil(crossings[i + 1] - 0.5)) - 1;
            if (last >= first) pixels += QRect(first, y, last - first + 1, 1);
        }
    }
    return pixels;
}
