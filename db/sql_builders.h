#pragma once
// The statement text of every database operation, as lines. Pure functions: the session sends
// exactly these lines, and tests compare them without a server.
//
// Values are ready SQL text (digits, 'quoted text' or NULL); an empty Where or OrderBy leaves
// its whole line out, while a text of blanks is kept.

#include <QStringList>

namespace sql {

QStringList InsertRow(const QString &table, int count, const QStringList &columns,
                      const QStringList &values);
QStringList UpdateRows(const QString &table, int count, const QStringList &columns,
                       const QStringList &values, const QString &where);
QStringList DeleteRows(const QString &table, const QString &where);

QStringList CountRows(const QString &table, const QString &where);
QStringList KeyExists(const QString &table, const QString &column, const QString &where, int value);
QStringList SelectMax(const QString &table, const QString &column, const QString &where);
QStringList SelectFirstRow(const QString &columns, const QString &table, const QString &where);
QStringList OpenSelect(const QString &columns, const QString &table, const QString &where,
                       const QString &orderBy);

QStringList DropTable(const QString &name);

// The user tables, without views and system relations, by name.
QString TableNamesQuery();

// The lines of a statement as one text, the way the session sends it.
QString JoinLines(const QStringList &lines);

} // namespace sql
