#pragma once
// The rows the benchmark stores and reads: the stroke table's eight INTEGER columns, with values
// shaped like real pen strokes so that their text lengths vary the way real ones do.

#include <QString>
#include <QStringList>

namespace stroke_rows {

constexpr int kColumnCount = 8;

const QStringList &Columns();
// Decimal text of every column of row number n, in column order.
QStringList Values(int n);
// One EXECUTE BLOCK that stores rows 0 .. count-1 with the same values as Values().
QString FillStatement(const QString &table, int count);

} // namespace stroke_rows
