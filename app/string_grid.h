#pragma once
// SG1 of the registration dialogs: a read-only grid of text whose heading row is fixed and
// whose data rows count from 1, as the user sees them under the heading. Whole rows are
// selected; column widths can be dragged.

#include <QTableWidget>

class StringGrid : public QTableWidget {
    Q_OBJECT

public:
    StringGrid(const QStringList &headings, const QList<int> &columnWidths,
               QWidget *parent = nullptr);

    // Rows including the heading, as the grid's row count: 2 is the heading and one data row.
    int RowCount() const { return rowCount() + 1; }
    void SetRowCount(int rowsWithHeading);
    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString &text);
    void ClearRow(int row);

    // The current data row (1 = first), 0 when there is none.
    int Row() const { return currentRow() + 1; }
    void SetRow(int row);
    // First and last data row of the selected range (both the current row when only one).
    int SelectionTop() const;
    int SelectionBottom() const;

    // Two rows (heading and one blank data row); the current row stays where it can.
    void Reset();
    // One data row per entry; an empty list leaves the single blank row.
    void Fill(const QList<QStringList> &rows);

signals:
    // The user chose a row, by mouse or keyboard.
    void RowChosen();
};
