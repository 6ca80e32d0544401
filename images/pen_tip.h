#pragma once
// The pen tip rasteriser: one stored point stamped on a picture, the same pixels on every PC.
// Pure functions on a QImage; no window and no database.
//
// A tip of size s at (x, y) covers the box from (x - h, y - h) to (x + r, y + r), right and
// bottom edges exclusive, with h = s / 2 and r = s - h. Size 1 sets the one pixel (x, y) for any
// shape; squares and outlines cover exactly the box; discs and rings stay inside it and touch
// its four sides; the two lines run corner to corner and leave their end point unpainted.

#include <QImage>
#include <QPainter>
#include <QRect>

// Pen shapes as stored in the stroke table and listed in the pen tip dialog.
enum PenShape {
    kDisc = 0,
    kRing = 1,
    kSquare = 2,
    kOutline = 3,
    kRisingLine = 4,
    kFallingLine = 5
};

// Pen colours are stored as 0x00BBGGRR (red in the low byte); the top byte is ignored.
QRgb PenColorToRgb(int penColor);
int PenColorFromRgb(QRgb rgb);

// The part of `bounds` a stamp covers: empty for a shape outside 0 ... 5 (unless the size is 1),
// a size below 1, or a tip wholly outside. What PenTipPainter::Stamp may change.
QRect PenTipBox(const QRect &bounds, int shape, int size, int x, int y);

// Stamps many tips on one picture with one painter: replaying a picture stamps every stored
// point, and a painter per stamp would cost more than the stamps. The picture must not be
// copied or painted elsewhere while this lives. Given an area, it changes nothing outside it,
// and inside it the same pixels as without one.
class PenTipPainter {
public:
    explicit PenTipPainter(QImage &picture, const QRect &area = QRect());
    PenTipPainter(const PenTipPainter &) = delete;
    PenTipPainter &operator=(const PenTipPainter &) = delete;

    // Returns the part of the picture (of the area) the stamp may have changed: its PenTipBox.
    QRect Stamp(int shape, int size, int penColor, int x, int y);

private:
    void Fill(const QRect &area, QRgb rgb);
    void Diagonal(qint64 x0, qint64 y0, int dx, int size, QRgb rgb);
    QPainter &Painter();

    QImage &picture_;
    const QRect bounds_;
    QPainter painter_; // begun only when a disc or ring needs it
};

// One stamp; the board uses it while a stroke is captured.
QRect DrawPenTip(QImage &picture, int shape, int size, int penColor, int x, int y);

// The white RGB32 picture a board starts from.
QImage BlankPicture(int width, int height);
