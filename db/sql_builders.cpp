#include "sql_builders.h"

namespace sql {
namespace {

const QString kIndent = QStringLiteral("   ");

// "   item," on every line but the last of the list.
void AppendList(QStringList &lines, int count, const QStringList &items)
{
    for (int i = 0; i < count; ++i)
        lines << kIndent + items.value(i) + (i + 1 < count ? QStringLiteral(",") : QString());
}

// SELECT <what> / FROM <table> / [WHERE <where>] / [ORDER BY <orderBy>] / ;
QStringList Select(const QString &what, const QString &table, const QString &where,
                   const QString &orderBy = QString())
{
    QStringList lines{QStringLiteral("SELECT ") + what + QLatin1Char(' '),
                      kIndent + QStringLiteral("FROM ") + table + QLatin1Char(' ')};
    if (!where.isEmpty()) lines << kIndent + QStringLiteral("WHERE ") + where + QLatin1Char(' ');
    if (!orderBy.isEmpty())
        lines << kIndent + QStringLiteral("ORDER BY ") + orderBy + QLatin1Char(' ');
    lines << kIndent + QStringLiteral(";");
    return lines;
}

} // namespace

QStringList InsertRow(const QString &table, int count, const QStringList &columns,
                      const QStringList &values)
{
    QStringList lines{QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (")};
    AppendList(lines, count, columns);
    lines << kIndent + QStringLiteral(") ") << kIndent + QStringLiteral("VALUES (");
    AppendList(lines, count, values);
    lines << kIndent + QStringLiteral(");");
    return lines;
}

QStringList UpdateRows(const QString &table, int count, const QStringList &columns,
                       const QStringList &values, const QString &where)
{
    QStringList lines{QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ")};
    for (int i = 0; i < count; ++i)
        lines << kIndent + columns.value(i) + QLatin1Char('=') + values.value(i) +
                     (i + 1 < count ? QStringLiteral(",") : QString());
    if (!where.isEmpty()) lines << kIndent + QStringLiteral("WHERE ") + where;
    lines << kIndent + QStringLiteral(";");
    return lines;
}

QStringList DeleteRows(const QString &table, const QString &where)
{
    QString line = QStringLiteral("DELETE FROM ") + table + QLatin1Char(' ');
    if (!where.isEmpty()) line += QStringLiteral("WHERE ") + where + QLatin1Char(' ');
    return {line + QLatin1Char(';')};
}

QStringList CountRows(const QString &table, const QString &where)
{
    return Select(QStringLiteral("*"), table, where);
}

QStringList KeyExists(const QString &table, const QString &column, const QString &where, int value)
{
    QString condition = QStringLiteral("WHERE ");
    if (!where.isEmpty()) condition += QLatin1Char('(') + where + QStringLiteral(") AND ");
    condition += QLatin1Char('(') + column + QLatin1Char('=') + QString::number(value) +
                 QStringLiteral(") ");
    return {QStringLiteral("SELECT ") + column + QLatin1Char(' '),
            kIndent + QStringLiteral("FROM ") + table + QLatin1Char(' '), kIndent + condition,
            kIndent + QStringLiteral(";")};
}

QStringList SelectMax(const QString &table, const QString &column, const QString &where)
{
    return Select(QStringLiteral("MAX(") + column + QStringLiteral(")"), table, where);
}

QStringList SelectFirstRow(const QString &columns, const QString &table, const QString &where)
{
    return Select(columns, table, where);
}

QStringList OpenSelect(const QString &columns, const QString &table, const QString &where,
                       const QString &orderBy)
{
    return Select(columns, table, where, orderBy);
}

QStringList DropTable(const QString &name)
{
    return {QStringLiteral("DROP TABLE ") + name + QLatin1Char(';')};
}

QString TableNamesQuery()
{
    return QStringLiteral("Select RDB$RELATION_NAME from RDB$RELATIONS  where RDB$VIEW_BLR is "
                          "NULL and RDB$SYSTEM_FLAG = 0 ORDER BY RDB$RELATION_NAME");
}

QString JoinLines(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n'));
}

} // namespace sql
