#pragma once
// The points of a picture's stroke table that a board knows (read by its replay and its polls,
// or stored by itself), kept in ascending N: what a board opened afresh would replay. With it a
// board repaints any part of its picture as such a board shows it, whatever order the points
// reached it in.

#include <QImage>
#include <QRect>
#include <vector>

struct StoredPoint {
    int n = 0;
    int shape = 0, size = 0, color = 0;
    int x = 0, y = 0;
};

class StoredPoints {
public:
    void Clear() { points_.clear(); }
    void Reserve(int count) { points_.reserve(size_t(std::max(count, 0))); }
    int Count() const { return int(points_.size()); }
    // 0 when there is none.
    int Highest() const { return points_.empty() ? 0 : points_.back().n; }

    // Keeps the point (a number already kept is replaced). False when points with higher
    // numbers are kept already: the picture then shows it in the wrong place in the stack
    // until its box is repainted.
    bool Add(const StoredPoint &point);
    // The point kept under number n, or null.
    const StoredPoint *Find(int n) const;
    // The highest number kept at or below n; 0 when none.
    int HighestUpTo(int n) const;

    // Paints `area` of the picture as a board opened afresh shows it: white, then every kept
    // point that touches it, in ascending N, clipped to it.
    void Repaint(QImage &picture, const QRect &area) const;

private:
    std::vector<StoredPoint> points_;
};
