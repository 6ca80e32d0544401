#pragma once
// The name balloon's outline: an arrow head whose tip is the window's top-left pixel, standing on
// a name plate below it. Plain geometry, so the shape can be checked pixel by pixel without a
// window.

#include <QPolygon>
#include <QRegion>
#include <QSize>

class QFontMetrics;
class QString;

constexpr int kArrowSize = 24; // the arrow head's box; 12 is its half

// The window for a name: as wide as the text (never narrower than the arrow head) and as high
// as the text plus the arrow head.
QSize BalloonSize(const QFontMetrics &metrics, const QString &text);

// The eight vertices of the outline in window pixels, in drawing order: the arrow head
// (0,0) (12,24) (24,12) and the plate (0,24) to (width,height), joined at (12,24).
QPolygon BalloonOutline(int width, int height);

// The pixels the outline encloses by the even-odd rule. A pixel belongs to the shape when its
// centre lies inside; a centre exactly on an edge belongs to the shape when the shape lies to
// its right (left edges in, right edges out). So the tip is pixel (0,0) and the plate is the
// whole box 0 <= x < width, 24 <= y < height. (Qt's own polygon region samples pixel corners
// instead, which leaves the tip pixel out.)
QRegion PolygonPixels(const QPolygon &outline);
inline QRegion BalloonRegion(int width, int height)
{
    return PolygonPixels(BalloonOutline(width, height));
}
