#include "database_session.h"

#include "bounded_connect.h"
#include "cp932.h"
#include "event_listener.h"
#include "schema_scripts.h"
#include "sql_builders.h"

#include <algorithm>

using Clock = std::chrono::steady_clock;

namespace {

constexpr ISC_STATUS kNotSent = -1; // the text could not be sent as CP932 bytes
// The connection for event alerts is made on the office network: a server's reply takes
// milliseconds, and one lost packet is sent again after a second.
constexpr std::chrono::milliseconds kEventConnectLimit{2000};

QString TrimTrailingBlanks(QString name)
{
    int end = int(name.size());
    while (end > 0 && name.at(end - 1) == QLatin1Char(' ')) --end;
    name.truncate(end);
    return name;
}

} // namespace

DatabaseSession::DatabaseSession() : events_(std::make_unique<EventListener>(*this)) {}

DatabaseSession::~DatabaseSession()
{
    DisconnectDatabase();
}

bool DatabaseSession::Note(IscStatus &status)
{
    serverUnreachable_ = status.ConnectionLost() || watchdog_.Fired();
    lastErrorCode_ = status.Code();
    lastErrorText_ = status.Message();
    return false;
}

// Statement text as CP932 bytes; false when a character has no CP932 form or a NUL would cut
// the statement short, so nothing but the exact text ever reaches the server.
bool DatabaseSession::Encode(const QStringList &lines, QByteArray &bytes)
{
    lastStatement_ = lines;
    serverUnreachable_ = false;
    writeOutcomeUnknown_ = false;
    if (cp932::Encode(sql::JoinLines(lines), bytes) && !bytes.contains('\0')) return true;
    lastErrorCode_ = kNotSent;
    lastErrorText_ = QStringLiteral("statement text is not CP932");
    return false;
}

// --- staying attached -----------------------------------------------------------------------

bool DatabaseSession::Ready()
{
    serverUnreachable_ = false;
    writeOutcomeUnknown_ = false;
    if (!wanted_) {
        serverUnreachable_ = true;
        return false;
    }
    if (db_.Attached()) return true;
    if (background_.Running()) {
        // The server was found silent: no window waits for it again, until it is back.
        if (const isc_db_handle made = background_.Take()) {
            db_.Adopt(made);
            return true;
        }
        serverUnreachable_ = true;
        return false;
    }
    return Reattach(kCallLimit);
}

bool DatabaseSession::Reattach(std::chrono::milliseconds budget)
{
    // Attaching shares the operation's five seconds: with less than a second of it left (the
    // shortest connect time-out there is), the attempt goes to the background at once.
    ConnectionOptions options = options_;
    options.connectTimeoutSeconds =
        int(std::min<long long>(options_.connectTimeoutSeconds, budget.count() / 1000));
    if (options.connectTimeoutSeconds < 1) {
        serverUnreachable_ = true;
        background_.Start(path_, AttachmentParameters(options_));
        return false;
    }
    const Clock::time_point started = Clock::now();
    IscStatus status;
    if (db_.Attach(path_, AttachmentParameters(options), status)) return true;
    Note(status);
    serverUnreachable_ = true;
    // The connect time-out ran out: the server's machine took the connection, nobody answered.
    const auto limit = std::chrono::seconds(options.connectTimeoutSeconds);
    if (Clock::now() - started >= limit - std::chrono::milliseconds(500))
        background_.Start(path_, AttachmentParameters(options_));
    return false;
}

void DatabaseSession::DropAttachment()
{
    // The connection is gone: these calls fail at once and only release the client's handles.
    WatchedCalls watched(watchdog_, db_.Value());
    CloseStatement();
    queryOpen_ = false;
    result_.Reset(0);
    tr_.Rollback();
    db_.Detach();
}

DatabaseSession::Attempt DatabaseSession::Failed(IscStatus &status, Attempt ifLost)
{
    Note(status);
    return serverUnreachable_ ? ifLost : Attempt::Refused;
}

bool DatabaseSession::Run(bool read, const std::function<Attempt()> &attempt)
{
    // However it ends: a new attachment made on the way gets the event requests again.
    struct Used {
        EventListener &events;
        ~Used() { events.SessionUsed(); }
    } used{*events_};
    if (!Ready()) return false;
    const Clock::time_point started = Clock::now();
    for (int round = 0;; ++round) {
        Attempt result;
        bool silent;
        {
            WatchedCalls watched(watchdog_, db_.Value());
            result = attempt();
            silent = watchdog_.Fired();
        }
        if (result == Attempt::Done) return true;
        if (result == Attempt::Refused) return false;
        serverUnreachable_ = true;
        writeOutcomeUnknown_ = result == Attempt::LostCommit;
        DropAttachment();
        // A silent server has had its five seconds: from now on attempts to attach again go on
        // in the background, and every operation fails at once until one succeeds. Attaching
        // again here, or at the next operation of the same handler, would wait five more.
        if (silent) {
            background_.Start(path_, AttachmentParameters(options_));
            return false;
        }
        if (round > 0) return false;
        const bool repeatable = read || result == Attempt::LostUnsent;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            started + kCallLimit - Clock::now());
        if (!Reattach(left) || !repeatable) return false;
        writeOutcomeUnknown_ = false;
    }
}

bool DatabaseSession::CallForEvents(const std::function<bool(isc_db_handle *, IscStatus &)> &call,
                                    IscStatus &status)
{
    if (!wanted_ || !db_.Attached()) return false;
    bool done, silent;
    {
        WatchedCalls watched(watchdog_, db_.Value());
        // Within the watchdog's limit: a port for events that a firewall closes costs the call
        // this long, and it then fails as for a port nobody listens on.
        BoundedConnects bounded(kEventConnectLimit);
        done = call(db_.Handle(), status);
        silent = watchdog_.Fired();
    }
    if (done) return true;
    // A server that cannot open its event port closes the attachment that asked, and so does
    // the client library when it cannot reach that port.
    if (silent || status.ConnectionLost()) DropAttachment();
    // A silent server has had its five seconds: attaching again goes on in the background.
    if (silent) background_.Start(path_, AttachmentParameters(options_));
    return false;
}

// --- connection -----------------------------------------------------------------------------

void DatabaseSession::CreateDatabaseFile(const QString &path)
{
    if (Connected()) return; // an attached connection cannot be pointed elsewhere
    lastStatement_ = QStringList{QStringLiteral("CREATE DATABASE '") + path +
                                 QStringLiteral("' PAGE_SIZE 4096")};
    QByteArray bytes;
    IscStatus status;
    if (!cp932::Encode(path, bytes) || bytes.contains('\0')) return;
    if (!db_.Create(bytes, CreationParameters(options_), status)) {
        Note(status);
        return;
    }
    path_ = bytes;
    wanted_ = true;
}

void DatabaseSession::ConnectDatabase(const QString &path)
{
    if (Connected()) return;
    DisconnectDatabase();
    QByteArray bytes;
    IscStatus status;
    if (!cp932::Encode(path, bytes) || bytes.contains('\0') ||
        !db_.Attach(bytes, AttachmentParameters(options_), status)) {
        Note(status);
        DisconnectDatabase();
        return;
    }
    path_ = bytes;
    wanted_ = true;
}

void DatabaseSession::SetLogin(const QByteArray &user, const QByteArray &password)
{
    const ConnectionOptions builtIn;
    options_.user = user.isEmpty() ? builtIn.user : user;
    options_.password = user.isEmpty() ? builtIn.password : password;
}

void DatabaseSession::DisconnectDatabase()
{
    wanted_ = false;
    background_.Stop();
    additions_.Stop();
    WatchedCalls watched(watchdog_, db_.Value()); // a silent server does not hold up closing
    CloseStatement();
    queryOpen_ = false;
    result_.Reset(0);
    tr_.Rollback();
    db_.Detach();
}

bool DatabaseSession::TableExists(const QString &name)
{
    QStringList names;
    const bool read = Run(true, [&]() {
        names.clear();
        IscTransaction tr;
        IscStatement statement;
        TextRow row;
        IscStatus status;
        if (!tr.Start(db_, status)) return Failed(status, Attempt::LostUnsent);
        if (!statement.PrepareSelect(db_, tr, sql::TableNamesQuery().toLatin1(), row, status) ||
            !statement.Execute(tr, status))
            return Failed(status, Attempt::Lost);
        const bool fetched = FetchEach(statement, row, status, [&] {
            names << TrimTrailingBlanks(cp932::Decode(row.Data(0), row.Length(0)));
        });
        if (!fetched) return Failed(status, Attempt::Lost);
        statement.Drop();
        if (!tr.Commit(status)) return Failed(status, Attempt::Lost);
        return Attempt::Done;
    });
    if (!read) return false;
    if (tableNamesObserver_) tableNamesObserver_(names);
    for (const QString &table : names)
        if (table.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// --- schema ---------------------------------------------------------------------------------

bool DatabaseSession::CreateSectionTable()
{
    return ExecuteScript(schema::SectionTable());
}
bool DatabaseSession::CreateMemberTable()
{
    return ExecuteScript(schema::MemberTable());
}
bool DatabaseSession::CreateImageListTable()
{
    return ExecuteScript(schema::ImageListTable());
}
bool DatabaseSession::CreateChatTable()
{
    return Created(QStringLiteral("CHAT"), ExecuteScript(schema::ChatTable()));
}
bool DatabaseSession::CreateMousePosTable()
{
    return Created(QStringLiteral("MOUSEPOS"), ExecuteScript(schema::MousePosTable()));
}

bool DatabaseSession::CreateImageTable(const QString &name)
{
    return Created(name, ExecuteScript(schema::ImageTable(name)));
}

bool DatabaseSession::Created(const QString &table, bool created)
{
    if (created) events_->TableCreated(table); // windows wait for its rows: its trigger follows
    return created;
}

bool DatabaseSession::ExecuteScript(const QStringList &lines)
{
    if (lines.isEmpty()) return false;
    QByteArray bytes;
    if (!Encode(lines, bytes)) return false;
    return Run(false, [&] { return WriteAttempt(bytes); });
}

bool DatabaseSession::DropTable(const QString &name)
{
    QByteArray bytes;
    if (!Encode(sql::DropTable(name), bytes)) return false;
    return Run(false, [&] { return WriteAttempt(bytes); });
}

DatabaseSession::Addition DatabaseSession::AddBesideTables(const QStringList &lines)
{
    QByteArray bytes;
    if (!Encode(lines, bytes)) return Addition::Failed;
    lockConflict_ = false;
    if (Run(false, [&] { return WriteAttempt(bytes, true); })) return Addition::Done;
    return lockConflict_ ? Addition::Busy : Addition::Failed;
}

void DatabaseSession::AddInBackground(const std::vector<AdditionJob> &jobs)
{
    if (wanted_) additions_.Add(path_, AttachmentParameters(options_), jobs);
}

// --- writing --------------------------------------------------------------------------------

DatabaseSession::Attempt DatabaseSession::WriteAttempt(const QByteArray &statement, bool noWait)
{
    CloseQuery();
    lockConflict_ = false;
    IscStatus status;
    if (!(noWait ? tr_.StartNoWait(db_, status) : tr_.Start(db_, status)))
        return Failed(status, Attempt::LostUnsent);
    // Until the commit, a connection lost takes the uncommitted transaction with it.
    Attempt result = Attempt::Done;
    if (!ExecuteImmediate(db_, tr_, statement, status))
        result = Failed(status, Attempt::Lost);
    else if (!tr_.Commit(status))
        result = Failed(status, Attempt::LostCommit);
    lockConflict_ = status.LockConflict();
    tr_.Rollback(); // after a commit there is nothing left to roll back
    return result;
}

bool DatabaseSession::InsertRow(const QString &table, int count, const QStringList &columns,
                                const QStringList &values)
{
    QByteArray bytes;
    if (!Encode(sql::InsertRow(table, count, columns, values), bytes)) return false;
    return Run(false, [&] { return WriteAttempt(bytes); });
}

bool DatabaseSession::UpdateRows(const QString &table, int count, const QStringList &columns,
                                 const QStringList &values, const QString &where)
{
    QByteArray bytes;
    if (!Encode(sql::UpdateRows(table, count, columns, values, where), bytes)) return false;
    return Run(false, [&] { return WriteAttempt(bytes); });
}

bool DatabaseSession::DeleteRows(const QString &table, const QString &where)
{
    QByteArray bytes;
    if (!Encode(sql::DeleteRows(table, where), bytes)) return false;
    return Run(false, [&] { return WriteAttempt(bytes); });
}

// --- reading --------------------------------------------------------------------------------

void DatabaseSession::CloseStatement()
{
    // Dropping, not just closing: a prepared statement keeps its tables in use, and a later
    // DROP TABLE from this very session would be refused.
    statement_.Drop();
}

DatabaseSession::Attempt DatabaseSession::StartRead(const QByteArray &statement)
{
    CloseQuery();
    IscStatus status;
    if (!tr_.Start(db_, status)) return Failed(status, Attempt::LostUnsent);
    if (statement_.PrepareSelect(db_, tr_, statement, row_, status) &&
        statement_.Execute(tr_, status))
        return Attempt::Done;
    CloseStatement();
    return Failed(status, Attempt::Lost);
}

int DatabaseSession::CountRows(const QString &table, const QString &where)
{
    QByteArray bytes;
    if (!Encode(sql::CountRows(table, where), bytes)) return -1;
    int rows = 0;
    const bool counted = Run(true, [&] {
        const Attempt started = StartRead(bytes);
        if (started != Attempt::Done) return started;
        rows = 0;
        IscStatus status;
        const bool fetched = FetchEach(statement_, row_, status, [this, &rows] {
            watchdog_.Progress();
            ++rows;
        });
        CloseStatement();
        return fetched ? Attempt::Done : Failed(status, Attempt::Lost);
    });
    return counted ? rows : -1;
}

bool DatabaseSession::KeyExists(const QString &table, const QString &column, const QString &where,
                                int value)
{
    QByteArray bytes;
    if (!Encode(sql::KeyExists(table, column, where, value), bytes)) return false;
    bool exists = false;
    const bool read = Run(true, [&] {
        const Attempt started = StartRead(bytes);
        if (started != Attempt::Done) return started;
        IscStatus status;
        const auto fetched = statement_.Fetch(row_, status);
        CloseStatement();
        exists = fetched == IscStatement::Fetched::Row;
        return fetched == IscStatement::Fetched::Error ? Failed(status, Attempt::Lost)
                                                       : Attempt::Done;
    });
    return read && exists;
}

QString DatabaseSession::SelectMax(const QString &table, const QString &column,
                                   const QString &where)
{
    QByteArray bytes;
    if (!Encode(sql::SelectMax(table, column, where), bytes)) return QString();
    QString max;
    const bool read = Run(true, [&] {
        const Attempt started = StartRead(bytes);
        if (started != Attempt::Done) return started;
        IscStatus status;
        const auto fetched = statement_.Fetch(row_, status);
        if (fetched == IscStatement::Fetched::Row && row_.Columns() > 0 && !row_.IsNull(0))
            max = cp932::Decode(row_.Data(0), row_.Length(0));
        CloseStatement();
        return fetched == IscStatement::Fetched::Error ? Failed(status, Attempt::Lost)
                                                       : Attempt::Done;
    });
    return read ? max : QString();
}

int DatabaseSession::SelectFirstRow(const QString &columns, const QString &table,
                                    const QString &where, QStringList &fields)
{
    QByteArray bytes;
    if (!Encode(sql::SelectFirstRow(columns, table, where), bytes)) return -1;
    int copied = -1;
    Run(true, [&] {
        const Attempt started = StartRead(bytes);
        if (started != Attempt::Done) return started;
        IscStatus status;
        const auto fetched = statement_.Fetch(row_, status);
        if (fetched == IscStatement::Fetched::Row) {
            ResultBuffer one;
            one.Reset(row_.Columns());
            one.Append(row_);
            one.CopyRow(0, fields);
            copied = std::min<int>(row_.Columns(), int(fields.size()));
        }
        CloseStatement();
        return fetched == IscStatement::Fetched::Error ? Failed(status, Attempt::Lost)
                                                       : Attempt::Done;
    });
    return copied;
}

int DatabaseSession::OpenSelect(const QString &columns, const QString &table, const QString &where,
                                const QString &orderBy)
{
    QByteArray bytes;
    if (!Encode(sql::OpenSelect(columns, table, where, orderBy), bytes)) return 0;
    const bool read = Run(true, [&] {
        const Attempt started = StartRead(bytes);
        if (started != Attempt::Done) return started;
        result_.Reset(row_.Columns());
        IscStatus status;
        const bool fetched = FetchEach(statement_, row_, status, [this] {
            watchdog_.Progress();
            result_.Append(row_);
        });
        // Every row is in memory now; the server-side statement is not needed any longer.
        CloseStatement();
        if (fetched) return Attempt::Done;
        result_.Reset(0);
        return Failed(status, Attempt::Lost);
    });
    if (!read) return 0;
    queryOpen_ = true;
    position_ = 0;
    return result_.Rows();
}

bool DatabaseSession::ReadPage(const QStringList &lines, int take, QStringList &columns,
                               QList<QStringList> &rows)
{
    QByteArray bytes;
    if (!Encode(lines, bytes)) return false;
    const int before = int(rows.size());
    return Run(true, [&] {
        rows.erase(rows.begin() + before, rows.end()); // a second attempt starts afresh
        const Attempt started = StartRead(bytes);
        if (started != Attempt::Done) return started;
        columns.clear();
        for (int c = 0; c < row_.Columns(); ++c) columns << QString::fromLatin1(row_.Name(c));
        IscStatus status;
        Attempt result = Attempt::Done;
        for (int read = 0; read < take; ++read) {
            const auto fetched = statement_.Fetch(row_, status);
            if (fetched == IscStatement::Fetched::End) break;
            if (fetched == IscStatement::Fetched::Error) {
                result = Failed(status, Attempt::Lost);
                break;
            }
            watchdog_.Progress();
            QStringList fields;
            for (int c = 0; c < row_.Columns(); ++c)
                fields << (row_.IsNull(c) ? QString()
                                          : cp932::Decode(row_.Data(c), row_.Length(c)));
            rows << fields;
        }
        // Not fetching the rest: the cursor is closed with the statement.
        CloseStatement();
        return result;
    });
}

void DatabaseSession::ReadFirstRow(QStringList &fields)
{
    if (!queryOpen_) return;
    position_ = 0;
    if (result_.Rows() == 0)
        result_.ClearSlots(fields);
    else
        result_.CopyRow(0, fields);
}

void DatabaseSession::ReadNextRow(QStringList &fields)
{
    if (!queryOpen_) return;
    if (position_ < result_.Rows()) ++position_;
    if (position_ >= result_.Rows())
        result_.ClearSlots(fields);
    else
        result_.CopyRow(position_, fields);
}

void DatabaseSession::CloseSelect()
{
    CloseStatement();
    queryOpen_ = false;
    result_.Reset(0);
}

void DatabaseSession::CloseQuery()
{
    CloseSelect();
    tr_.Rollback();
}
