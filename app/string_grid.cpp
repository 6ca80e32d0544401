#include "string_grid.h"

#include <QHeaderView>
#include <QSignalBlocker>

StringGrid::StringGrid(const QStringList &headings, const QList<int> &columnWidths, QWidget *parent)
    : QTableWidget(1, int(headings.size()), parent)
{
    setObjectName(QStringLiteral("SG1"));
    setHorizontalHeaderLabels(headings);
    for (int c = 0; c < columnWidths.size(); ++c) setColumnWidth(c, columnWidths[c]);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    // Headings start at the left edge, so even a narrow column shows its first character.
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setMinimumSectionSize(4);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCurrentCell(0, 0);
    connect(this, &QTableWidget::cellClicked, this, [this] { emit RowChosen(); });
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow) {
        if (row != previousRow && row >= 0) emit RowChosen();
    });
}

void StringGrid::SetRowCount(int rowsWithHeading)
{
    const int previous = currentRow();
    const QSignalBlocker quiet(this);
    setRowCount(std::max(rowsWithHeading - 1, 1));
    // As in any grid the user knows, some row is always current.
    setCurrentCell(std::clamp(previous, 0, rowCount() - 1), 0);
}

QString StringGrid::Cell(int column, int row) const
{
    if (row < 1) return QString();
    const QTableWidgetItem *cell = item(row - 1, column);
    return cell ? cell->text() : QString();
}

void StringGrid::SetCell(int column, int row, const QString &text)
{
    if (row < 1) return;
    if (row > rowCount()) setRowCount(row);
    if (QTableWidgetItem *cell = item(row - 1, column))
        cell->setText(text);
    else
        setItem(row - 1, column, new QTableWidgetItem(text));
}

void StringGrid::ClearRow(int row)
{
    for (int c = 0; c < columnCount(); ++c) SetCell(c, row, QString());
}

void StringGrid::SetRow(int row)
{
    if (row >= 1 && row <= rowCount()) setCurrentCell(row - 1, std::max(currentColumn(), 0));
}

int StringGrid::SelectionTop() const
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    return ranges.isEmpty() ? Row() : ranges.first().topRow() + 1;
}

int StringGrid::SelectionBottom() const
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    return ranges.isEmpty() ? Row() : ranges.first().bottomRow() + 1;
}

void StringGrid::Reset()
{
    SetRowCount(2);
    ClearRow(1);
}

void StringGrid::Fill(const QList<QStringList> &rows)
{
    const QSignalBlocker quiet(this);
    Reset();
    if (rows.isEmpty()) return;
    SetRowCount(int(rows.size()) + 1);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < columnCount(); ++c) SetCell(c, r + 1, rows[r].value(c));
}
