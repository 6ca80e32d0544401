#pragma once
// The rules of the picture catalogue's pages, sort orders and filter, as plain functions: the
// statement each page is read with, where the previous page starts, and the filter condition.

#include <QString>
#include <QStringList>
#include <array>

namespace image_list {

constexpr int kPageSize = 100;

struct SortOrder {
    const char *item;      // as the drop-down list shows it
    const char *orderText; // after ORDER BY
};
// "番号↓" … "更新日付↑": ties are broken by number where the order names it.
const std::array<SortOrder, 10> &SortOrders();

struct FilterColumn {
    const char *item;
    const char *column; // empty for "（無し）"
};
const std::array<FilterColumn, 5> &FilterColumns();

// The condition for a substring match of the typed text in the column, or empty text for no
// filter (no column, or nothing typed). The text is always one literal: its single quotes are
// doubled, so a name such as O'Brien is found and no text can change the statement; % and _
// keep their LIKE meaning.
QString FilterCondition(const QString &column, const QString &typed);

// SELECT * FROM IMGLIST / [  WHERE <filter>] /   ORDER BY <order> ROWS <first> TO <last>;
// The page of `pageSize` rows from position `pageStart` (1 = the first) of the sorted and
// filtered result. The server leaves out the rows before the page and sends none after it:
// skipping them here instead would carry every earlier row over the network, and without the
// upper limit the server streams a whole batch of rows beyond the page, which would make a page
// of a large catalogue cost ten times one of a small catalogue.
QStringList PageStatement(const QString &filterText, const QString &orderText, int pageStart,
                          int pageSize);

// One page back, never before the first row.
int PreviousPageStart(int pageStart);

} // namespace image_list
