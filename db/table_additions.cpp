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
                             column + QStringLiteral("='") + name + QLatin1Char('\''),
                             fields) > 0;
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

} // namespace

QString NumberIndexName(const QString &table)
{
    return table + QStringLiteral("_NDESC");
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
    return Ensure(db, QStringLiteral("RDB$INDICES"), QStringLiteral("RDB$INDEX_NAME"),
                  NumberIndexName(table), NumberIndex(table));
}

Outcome EnsureEventTrigger(DatabaseSession &db, const QString &table, bool onUpdateToo)
{
    return Ensure(db, QStringLiteral("RDB$TRIGGERS"), QStringLiteral("RDB$TRIGGER_NAME"),
                  EventTriggerName(table), EventTrigger(table, onUpdateToo));
}

QStringList Index(const QString &name, const QString &table, const QString &columns)
{
    return {QStringLiteral("CREATE INDEX ") + name + QStringLiteral(" ON ") + table +
            QStringLiteral(" (") + columns + QLatin1Char(')')};
}

IndexInBackground::IndexInBackground(QString name, QString table, QString columns)
    : name_(std::move(name)), table_(std::move(table)), columns_(std::move(columns))
{
}

bool IndexInBackground::Building()
{
    if (!running_) return false;
    switch (building_.Take()) {
    case BackgroundAddition::State::Running: return true;
    case BackgroundAddition::State::Done: there_ = true; break;
    default: callsToWait_ = kCallsBetweenAttempts; break;
    }
    running_ = false;
    return false;
}

bool IndexInBackground::Built(std::chrono::milliseconds limit)
{
    return !running_ || (building_.Wait(limit) && !Building());
}

bool IndexInBackground::Ensure(DatabaseSession &db)
{
    if (there_ || Building()) return there_;
    if (callsToWait_ > 0) {
        --callsToWait_;
        return false;
    }
    if (CatalogueHas(db, QStringLiteral("RDB$INDICES"), QStringLiteral("RDB$INDEX_NAME"), name_)) {
        there_ = true;
        return true;
    }
    QByteArray statement;
    if (db.ServerUnreachable() ||
        !cp932::Encode(sql::JoinLines(Index(name_, table_, columns_)), statement)) {
        callsToWait_ = kCallsBetweenAttempts;
        return false;
    }
    building_.Start(db.AttachedPath(), db.AttachParameters(), statement);
    running_ = true;
    return false;
}

} // namespace additions
