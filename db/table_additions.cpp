#include "table_additions.h"

#include "cp932.h"
#include "database_session.h"
#include "sql_builders.h"

namespace additions {

namespace {

// Whether the catalogue names it; a server that cannot be reached counts as "not yet", and
// the statement that follows fails the same way.
bool CatalogueHas(DatabaseSession &db, const QString &catalogue, const QString &column,
                  const QString &name)
{
    // The name column alone: a catalogue row's BLOB columns do not read as text.
    QStringList fields{QString()};
    return db.SelectFirstRow(column, catalogue,
                             column + QStringLiteral("='") + name + QLatin1Char('\''), fields) > 0;
}

Outcome Ensure(DatabaseSession &db, const QString &catalogue, const QString &column,
               const QString &name, const QStringList &statement)
{
    if (CatalogueHas(db, catalogue, column, name)) return Outcome::Present;
    switch (db.AddBesideTables(statement)) {
    case DatabaseSession::Addition::Done: return Outcome::Added;
    case DatabaseSession::Addition::Busy: return Outcome::Busy;
    case DatabaseSession::Addition::Failed: break;
    }
    // Another PC may have added the same a moment earlier.
    return CatalogueHas(db, catalogue, column, name) ? Outcome::Present : Outcome::Failed;
}

const QString kIndices = QStringLiteral("RDB$INDICES");
const QString kIndexName = QStringLiteral("RDB$INDEX_NAME");
const QString kTriggers = QStringLiteral("RDB$TRIGGERS");
const QString kTriggerName = QStringLiteral("RDB$TRIGGER_NAME");

AdditionJob Job(const QString &catalogue, const QString &column, const QString &name,
                const QStringList &statement)
{
    AdditionJob job{name, catalogue, column, QByteArray()};
    cp932::Encode(sql::JoinLines(statement), job.statement); // table names are plain ASCII
    return job;
}

} // namespace

QString NumberIndexName(const QString &table)
{
    return table + QStringLiteral("_NDESC");
}

QString MemberStrokeIndexName(const QString &table)
{
    return table + QStringLiteral("_MNDN");
}

QString EventTriggerName(const QString &table)
{
    return table + QStringLiteral("_EVENT");
}

QStringList NumberIndex(const QString &table)
{
    return {QStringLiteral("CREATE DESCENDING INDEX ") + NumberIndexName(table) +
            QStringLiteral(" ON ") + table + QStringLiteral(" (N)")};
}

QStringList MemberStrokeIndex(const QString &table)
{
    return {QStringLiteral("CREATE DESCENDING INDEX ") + MemberStrokeIndexName(table) +
            QStringLiteral(" ON ") + table + QStringLiteral(" (MN, DN)")};
}

QStringList EventTrigger(const QString &table, bool onUpdateToo)
{
    return {QStringLiteral("CREATE TRIGGER ") + EventTriggerName(table) + QStringLiteral(" FOR ") +
                table,
            onUpdateToo ? QStringLiteral("ACTIVE AFTER INSERT OR UPDATE POSITION 0")
                        : QStringLiteral("ACTIVE AFTER INSERT POSITION 0"),
            QStringLiteral("AS BEGIN POST_EVENT '") + table + QStringLiteral("'; END")};
}

Outcome EnsureNumberIndex(DatabaseSession &db, const QString &table)
{
    return Ensure(db, kIndices, kIndexName, NumberIndexName(table), NumberIndex(table));
}

Outcome EnsureMemberStrokeIndex(DatabaseSession &db, const QString &table)
{
    return Ensure(db, kIndices, kIndexName, MemberStrokeIndexName(table), MemberStrokeIndex(table));
}

Outcome EnsureStrokeTableAdditions(DatabaseSession &db, const QString &table)
{
    const Outcome number = EnsureNumberIndex(db, table);
    const Outcome stroke = EnsureMemberStrokeIndex(db, table);
    for (Outcome worst : {Outcome::Busy, Outcome::Failed, Outcome::Added})
        if (number == worst || stroke == worst) return worst;
    return Outcome::Present;
}

Outcome EnsureEventTrigger(DatabaseSession &db, const QString &table, bool onUpdateToo)
{
    return Ensure(db, kTriggers, kTriggerName, EventTriggerName(table),
                  EventTrigger(table, onUpdateToo));
}

void RequestStrokeTableAdditions(DatabaseSession &db, const QString &table)
{
    db.AddInBackground(
        {Job(kIndices, kIndexName, NumberIndexName(table), NumberIndex(table)),
         Job(kIndices, kIndexName, MemberStrokeIndexName(table), MemberStrokeIndex(table))});
}

void RequestEventTrigger(DatabaseSession &db, const QString &table, bool onUpdateToo)
{
    db.AddInBackground(
        {Job(kTriggers, kTriggerName, EventTriggerName(table), EventTrigger(table, onUpdateToo))});
}

} // namespace additions
