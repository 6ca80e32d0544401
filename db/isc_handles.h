#pragma once
// Thin RAII owners of the Firebird client's C handles. Nothing here throws; every call reports
// through an IscStatus, and a destructor releases whatever its handle still holds.

#include <ibase.h>

#include <QByteArray>
#include <QString>
#include <vector>

class IscStatus {
public:
    ISC_STATUS *vector() { return status_; }
    bool Failed() const { return status_[0] == 1 && status_[1] != 0; }
    ISC_STATUS Code() const { return Failed() ? status_[1] : 0; }
    QString Message() const;
    // The server cannot be reached, went away or shut down: the attachment is of no use now.
    bool ConnectionLost() const;
    // Another transaction holds what the statement needed (a lock conflict, an object in use),
    // anywhere in the vector: DDL reports it after its own "unsuccessful metadata update".
    bool LockConflict() const;
    // The vector names this error anywhere (a cause often follows the first error).
    bool Mentions(ISC_STATUS code) const;

private:
    ISC_STATUS_ARRAY status_{};
};

class IscAttachment {
public:
    IscAttachment() = default;
    IscAttachment(const IscAttachment &) = delete;
    IscAttachment &operator=(const IscAttachment &) = delete;
    ~IscAttachment() { Detach(); }

    bool Attach(const QByteArray &path, const QByteArray &dpb, IscStatus &status);
    // Creates the database file; on success the new database is attached.
    bool Create(const QByteArray &path, const QByteArray &dpb, IscStatus &status);
    void Detach();
    // Takes over an attachment made elsewhere (by a background attempt).
    void Adopt(isc_db_handle handle)
    {
        Detach();
        handle_ = handle;
        if (handle_) ++number_;
    }
    bool Attached() const { return handle_ != 0; }
    // Counts the attachments made through this object: a new number, a new attachment (what
    // was bound to the old one, such as event requests, went with it).
    quint64 Number() const { return number_; }
    isc_db_handle *Handle() { return &handle_; }
    isc_db_handle Value() const { return handle_; }

private:
    isc_db_handle handle_ = 0;
    quint64 number_ = 0;
};

class IscTransaction {
public:
    IscTransaction() = default;
    IscTransaction(const IscTransaction &) = delete;
    IscTransaction &operator=(const IscTransaction &) = delete;
    ~IscTransaction() { Rollback(); }

    // Starts with the server's defaults: snapshot, read-write, wait.
    bool Start(IscAttachment &db, IscStatus &status);
    // Snapshot, read-write, no wait: a lock another transaction holds is refused at once.
    bool StartNoWait(IscAttachment &db, IscStatus &status);
    bool Commit(IscStatus &status);
    // Safe in any state; a transaction the server no longer knows is simply forgotten.
    void Rollback();
    bool Active() const { return handle_ != 0; }
    isc_tr_handle *Handle() { return &handle_; }

private:
    isc_tr_handle handle_ = 0;
};

// Output description of a prepared statement with every column bound as text.
class TextRow {
public:
    int Columns() const { return sqlda_ ? sqlda_->sqld : 0; }
    bool IsNull(int column) const { return indicators_[column] == -1; }
    const char *Data(int column) const;
    int Length(int column) const;
    QByteArray Name(int column) const; // the column's name or alias in the select list

    XSQLDA *Describe(int columns); // (re)allocates room for `columns` variables
    XSQLDA *Sqlda() { return sqlda_; }
    void BindAsText(); // after describe: every column becomes VARCHAR

private:
    std::vector<char> sqldaStorage_;
    XSQLDA *sqlda_ = nullptr;
    std::vector<char> buffer_;
    std::vector<ISC_SHORT> indicators_;
    std::vector<int> offsets_;
};

class IscStatement {
public:
    IscStatement() = default;
    IscStatement(const IscStatement &) = delete;
    IscStatement &operator=(const IscStatement &) = delete;
    ~IscStatement() { Drop(); }

    // Prepares a SELECT and binds its columns as text into `row`.
    bool PrepareSelect(IscAttachment &db, IscTransaction &tr, const QByteArray &sql, TextRow &row,
                       IscStatus &status);
    bool Execute(IscTransaction &tr, IscStatus &status);
    enum class Fetched { Row, End, Error };
    Fetched Fetch(TextRow &row, IscStatus &status);
    void CloseCursor();
    void Drop(); // must run before the attachment goes away

private:
    isc_stmt_handle handle_ = 0;
    bool cursorOpen_ = false;
};

// Fetches every remaining row of an executed select, calling onRow() after each; false when
// the server reports an error part-way.
template <class OnRow>
bool FetchEach(IscStatement &statement, TextRow &row, IscStatus &status, OnRow onRow)
{
    for (;;) {
        switch (statement.Fetch(row, status)) {
        case IscStatement::Fetched::Row: onRow(); break;
        case IscStatement::Fetched::End: return true;
        case IscStatement::Fetched::Error: return false;
        }
    }
}

// Statement text that is not a SELECT, prepared and executed in one round trip.
bool ExecuteImmediate(IscAttachment &db, IscTransaction &tr, const QByteArray &sql,
                      IscStatus &status);

// How the program reaches its databases, the same for creating and attaching.
struct ConnectionOptions {
    QByteArray user = "SYSDBA";
    QByteArray password = "quillnest";
    // Waiting for a server to take the connection ends after this many seconds, also when the
    // server's machine accepts it but the server process does not answer.
    int connectTimeoutSeconds = 5;
    // A path without a server name goes to the local server over loopback, never to an engine
    // inside this process, which would lock the file against the server and every other PC.
    // 0: the port the client library is configured with (3050 unless set otherwise).
    int loopbackPort = 0;
};

// The attachment parameters: user, password, SQL dialect 3, no character set, the time-out and
// the providers above.
QByteArray AttachmentParameters(const ConnectionOptions &options);
// The same for creating a database, with its page size of 4096 bytes.
QByteArray CreationParameters(const ConnectionOptions &options);
