#pragma once
// Drawing boards for tests: shown at once (their show handler runs), strokes drawn through the
// board's own mouse handlers, and the stroke table read back as numbers.

#include "drawing_board.h"

#include <QList>
#include <QPoint>
#include <memory>

class DatabaseSession;
class TForm1;

// A board on picture `number`, as the catalogue opens it but outside any main window.
std::unique_ptr<TForm8> ShowBoard(TForm1 &form1, int number, int width = 64, int height = 48);

// The board's pen: shape, size and colour (0x00BBGGRR, as stored).
void SetPen(TForm8 &board, int shape, int size, int color);

// Switches drawing on, presses the left button at the first point, moves through the others
// with it held and releases `release` (the stroke is stored then, all its slices).
void DrawStroke(TForm8 &board, const QList<QPoint> &points,
                Qt::MouseButton release = Qt::LeftButton);

// The stroke table's rows in N order, each N, MN, DN, PTYP, PSIZ, PCOL, X, Y.
using StoredRow = QList<int>;
QList<StoredRow> StoredRows(DatabaseSession &db, const QString &table);

// Inserts one point row, as another board would.
bool StorePoint(DatabaseSession &db, const QString &table, const StoredRow &row);

// What a board opened now on the picture shows: every stored point replayed in N order.
QImage Replayed(TForm1 &form1, int number, int width = 64, int height = 48);
