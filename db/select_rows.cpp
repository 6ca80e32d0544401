#include "select_rows.h"

QList<QStringList> SelectRows(DatabaseSession &db, const QString &columns, const QString &table,
                              const QString &where, const QString &orderBy, int fieldCount)
{
    QList<QStringList> rows;
    const int n = db.OpenSelect(columns, table, where, orderBy);
    rows.reserve(n);
    QStringList fields;
    for (int i = 0; i < fieldCount; ++i) fields << QString();
    for (int i = 0; i < n; ++i) {
        if (i == 0)
            db.ReadFirstRow(fields);
        else
            db.ReadNextRow(fields);
        rows << fields;
        // Detach so the next read does not write into the row just kept.
        for (QString &field : fields) field = QString();
    }
    db.CloseSelect();
    return rows;
}
