#include "image_list_page.h"

#include <algorithm>
#include <climits>

namespace image_list {

const std::array<SortOrder, 10> &SortOrders()
{
    static const std::array<SortOrder, 10> orders{{
        {"番号↓", "N"},
        {"番号↑", "N DESC"},
        {"名前↓", "INAME"},
        {"名前↑", "INAME DESC"},
        {"メモ１↓", "MEMO1,N"},
        {"メモ１↑", "MEMO1 DESC,N DESC"},
        {"作成日付↓", "DATE1,N"},
        {"作成日付↑", "DATE1 DESC,N DESC"},
        {"更新日付↓", "DATE2,N"},
        {"更新日付↑", "DATE2 DESC,N DESC"},
    }};
    return orders;
}

const std::array<FilterColumn, 5> &FilterColumns()
{
    static const std::array<FilterColumn, 5> columns{{
        {"（無し）", ""},
        {"名前", "INAME"},
        {"メモ１", "MEMO1"},
        {"作成日付", "DATE1"},
        {"更新日付", "DATE2"},
    }};
    return columns;
}

QString FilterCondition(const QString &column, const QString &typed)
{
    if (column.isEmpty() || typed.isEmpty()) return QString();
    QString literal = typed;
    literal.replace(QLatin1Char('\''), QStringLiteral("''"));
    return column + QStringLiteral(" LIKE '%") + literal + QStringLiteral("%'");
}

QStringList PageStatement(const QString &filterText, const QString &orderText, int pageStart,
                          int pageSize)
{
    const qint64 last = std::min<qint64>(qint64(pageStart) + pageSize - 1, INT_MAX);
    QStringList lines{QStringLiteral("SELECT * FROM IMGLIST")};
    if (!filterText.isEmpty()) lines << QStringLiteral("  WHERE ") + filterText;
    lines << QStringLiteral("  ORDER BY ") + orderText + QStringLiteral(" ROWS ") +
                 QString::number(pageStart) + QStringLiteral(" TO ") + QString::number(last) +
                 QLatin1Char(';');
    return lines;
}

int PreviousPageStart(int pageStart)
{
    if (pageStart <= 1) return pageStart;
    return std::max(pageStart - kPageSize, 1);
}

} // namespace image_list
