#include "database_session.h"

#include "cp932.h"
#include "schema_scripts.h"
#include "sql_builders.h"

namespace {

constexpr ISC_STATUS kNotSent = -1; // the text could not be sent as CP932 bytes

const QByteArray kUser = "SYSDBA";
const QByteArray kPassword = "quillnest";

// Statement text as CP932 bytes; false when a character has no CP932 form or a NUL would cut
// the statement short, so nothing but the exact text ever reaches the server.
bool EncodeStatement(const QString &text, QByteArray &bytes)
{
    return cp932::Encode(text, bytes) && !bytes.contains('\0');
}

QString TrimTrailingBlanks(QString name)
{
    int end = int(name.size());
    while (end > 0 && name.at(end - 1) == QLatin1Char(' ')) --end;
    name.truncate(end);
    return name;
}

} // namespace

bool DatabaseSession::Note(IscStatus &status)
{
    serverUnreachable_ = status.ConnectionLost();
    lastErrorCode_ = status.Code();
    lastErrorText_ = status.Message();
    return false;
}

bool DatabaseSession::Ready()
{
    serverUnreachable_ = !Connected();
    return Connected();
}

// --- connection -----------------------------------------------------------------------------

void DatabaseSession::CreateDatabaseFile(const QString &path)
{
    if (Connected()) return; // an attached connection cannot be pointed elsewhere
    QString literal = path;
    literal.replace(QLatin1Char('\''), QStringLiteral("''"));
    const QString statement = QStringLiteral("CREATE DATABASE '") + literal +
                              QStringLiteral("' USER \"SYSDBA\"\r\nPASSWORD \"quillnest\"\r\n"
                                             "PAGE_SIZE 4096\r\n");
    QByteArray bytes;
    if (!EncodeStatement(statement, bytes)) return;
    IscStatus status;
    if (!db_.CreateByStatement(bytes, status)) Note(status);
}

void DatabaseSession::ConnectDatabase(const QString &path)
{
    if (Connected()) return;
    DisconnectDatabase();
    QByteArray bytes;
    IscStatus status;
    if (!EncodeStatement(path, bytes) ||
        !db_.Attach(bytes, AttachmentParameters(kUser, kPassword), status)) {
        Note(status);
        DisconnectDatabase();
    }
}

void DatabaseSession::DisconnectDatabase()
{
    CloseStatement();
    queryOpen_ = false;
    result_.Reset(0);
    tr_.Rollback();
    db_.Detach();
}

bool DatabaseSession::TableExists(const QString &name)
{
    if (!Ready()) return false;
    QStringList names;
    {
        IscTransaction tr;
        IscStatement statement;
        TextRow row;
        IscStatus status;
        if (!tr.Start(db_, status) ||
            !statement.PrepareSelect(db_, tr, sql::TableNamesQuery().toLatin1(), row, status) ||
            !statement.Execute(tr, status))
            return Note(status);
        const bool read = FetchEach(statement, row, status, [&] {
            names << TrimTrailingBlanks(cp932::Decode(row.Data(0), row.Length(0)));
        });
        if (!read) return Note(status);
        statement.Drop();
        if (!tr.Commit(status)) return Note(status);
    }
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
    return ExecuteScript(schema::ChatTable());
}
bool DatabaseSession::CreateMousePosTable()
{
    return ExecuteScript(schema::MousePosTable());
}

bool DatabaseSession::CreateImageTable(const QString &name)
{
    return ExecuteScript(schema::ImageTable(name));
}

bool DatabaseSession::ExecuteScript(const QStringList &lines)
{
    if (lines.isEmpty()) return false;
    return RunWrite(lines);
}

bool DatabaseSession::DropTable(const QString &name)
{
    return RunWrite(sql::DropTable(name));
}

// --- writing --------------------------------------------------------------------------------

bool DatabaseSession::RunWrite(const QStringList &lines)
{
    lastStatement_ = lines;
    if (!Ready()) return false;
    CloseQuery();
    IscStatus status;
    QByteArray bytes;
    if (!EncodeStatement(sql::JoinLines(lines), bytes)) {
        lastErrorCode_ = kNotSent;
        lastErrorText_ = QStringLiteral("statement text is not CP932");
        return false;
    }
    const bool ok =
        tr_.Start(db_, status) && ExecuteImmediate(db_, tr_, bytes, status) && tr_.Commit(status);
    if (!ok) Note(status);
    tr_.Rollback(); // after a commit there is nothing left to roll back
    return ok;
}

bool DatabaseSession::InsertRow(const QString &table, int count, const QStringList &columns,
                                const QStringList &values)
{
    return RunWrite(sql::InsertRow(table, count, columns, values));
}

bool DatabaseSession::UpdateRows(const QString &table, int count, const QStringList &columns,
                                 const QStringList &values, const QString &where)
{
    return RunWrite(sql::UpdateRows(table, count, columns, values, where));
}

bool DatabaseSession::DeleteRows(const QString &table, const QString &where)
{
    return RunWrite(sql::DeleteRows(table, where));
}

// --- reading --------------------------------------------------------------------------------

void DatabaseSession::CloseStatement()
{
    // Dropping, not just closing: a prepared statement keeps its tables in use, and a later
    // DROP TABLE from this very session would be refused.
    statement_.Drop();
}

bool DatabaseSession::StartRead(const QStringList &lines)
{
    lastStatement_ = lines;
    CloseQuery();
    QByteArray bytes;
    if (!EncodeStatement(sql::JoinLines(lines), bytes)) {
        lastErrorCode_ = kNotSent;
        lastErrorText_ = QStringLiteral("statement text is not CP932");
        return false;
    }
    IscStatus status;
    if (tr_.Start(db_, status) && statement_.PrepareSelect(db_, tr_, bytes, row_, status) &&
        statement_.Execute(tr_, status))
        return true;
    Note(status);
    CloseStatement();
    return false;
}

int DatabaseSession::CountRows(const QString &table, const QString &where)
{
    if (!Ready()) return -1;
    if (!StartRead(sql::CountRows(table, where))) return -1;
    int rows = 0;
    IscStatus status;
    if (!FetchEach(statement_, row_, status, [&rows] { ++rows; })) {
        Note(status);
        rows = -1;
    }
    CloseStatement();
    return rows;
}

bool DatabaseSession::KeyExists(const QString &table, const QString &column, const QString &where,
                                int value)
{
    if (!Ready()) return false;
    if (!StartRead(sql::KeyExists(table, column, where, value))) return false;
    IscStatus status;
    const auto fetched = statement_.Fetch(row_, status);
    if (fetched == IscStatement::Fetched::Error) Note(status);
    CloseStatement();
    return fetched == IscStatement::Fetched::Row;
}

QString DatabaseSession::SelectMax(const QString &table, const QString &column,
                                   const QString &where)
{
    if (!Ready()) return QString();
    if (!StartRead(sql::SelectMax(table, column, where))) return QString();
    QString max;
    IscStatus status;
    const auto fetched = statement_.Fetch(row_, status);
    if (fetched == IscStatement::Fetched::Row && row_.Columns() > 0 && !row_.IsNull(0))
        max = cp932::Decode(row_.Data(0), row_.Length(0));
    else if (fetched == IscStatement::Fetched::Error)
        Note(status);
    CloseStatement();
    return max;
}

int DatabaseSession::SelectFirstRow(const QString &columns, const QString &table,
                                    const QString &where, QStringList &fields)
{
    if (!Ready()) return -1;
    if (!StartRead(sql::SelectFirstRow(columns, table, where))) return -1;
    int copied = -1;
    IscStatus status;
    const auto fetched = statement_.Fetch(row_, status);
    if (fetched == IscStatement::Fetched::Row) {
        ResultBuffer one;
        one.Reset(row_.Columns());
        one.Append(row_);
        one.CopyRow(0, fields);
        copied = std::min<int>(row_.Columns(), int(fields.size()));
    } else if (fetched == IscStatement::Fetched::Error) {
        Note(status);
    }
    CloseStatement();
    return copied;
}

int DatabaseSession::OpenSelect(const QString &columns, const QString &table, const QString &where,
                                const QString &orderBy)
{
    if (!Ready()) return 0;
    if (!StartRead(sql::OpenSelect(columns, table, where, orderBy))) return 0;
    result_.Reset(row_.Columns());
    IscStatus status;
    if (!FetchEach(statement_, row_, status, [this] { result_.Append(row_); })) {
        Note(status);
        CloseStatement();
        result_.Reset(0);
        return 0;
    }
    // Every row is in memory now; the server-side statement is not needed any longer.
    CloseStatement();
    queryOpen_ = true;
    position_ = 0;
    return result_.Rows();
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
