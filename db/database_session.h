#pragma once
// The program's one database session: one connection, one transaction and one query, shared by
// every window on the user-interface thread. Operations never throw and never talk to the user;
// they answer with flags, counts and text, and the windows decide what to say.
//
// Writing operations run in a transaction of their own and commit at once. Reading operations
// first end the running transaction, so each read sees every row other PCs committed before it;
// their read transaction stays open until the next operation ends it.
//
// A lost server is part of office life. Once connected, the session stays connected in the
// windows' eyes until DisconnectDatabase: when the server goes away, an operation fails, the
// session re-attaches to the same database by itself (at once, or at the next operation while
// the server is still away), and a read, or a write that certainly never reached the server,
// runs once more on the new attachment. A write whose commit may or may not have landed is
// reported as failed and never repeated. No call waits more than five seconds for a server that
// does not answer; a read that keeps receiving rows is not cut off. When the server stays
// silent, attempts to attach again go on in the background and operations fail at once.

#include "background_additions.h"
#include "background_attach.h"
#include "call_watchdog.h"
#include "event_source.h"
#include "isc_handles.h"
#include "result_buffer.h"

#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

class EventListener;

class DatabaseSession final : public EventSource {
public:
    DatabaseSession();
    DatabaseSession(const DatabaseSession &) = delete;
    DatabaseSession &operator=(const DatabaseSession &) = delete;
    ~DatabaseSession();

    // --- connection -------------------------------------------------------------------------
    // Creates the database file at `path` ("server:folder/file"); on success the session is
    // attached to it. Failures (the file exists, no server) are swallowed.
    void CreateDatabaseFile(const QString &path);
    // Attaches unless already connected; the caller tests Connected() afterwards.
    void ConnectDatabase(const QString &path);
    // Discards the open result, rolls back the running transaction, detaches. Safe in any state.
    void DisconnectDatabase();
    // Connected since the last successful create or connect, and not disconnected since; the
    // attachment underneath may be lost for the moment and is made again when next needed.
    bool Connected() const { return wanted_; }
    // Whether an attachment exists right now (for tests and diagnostics).
    bool Attached() const override { return db_.Attached(); }
    // Whether the database holds a table of that name, letter case ignored. Reads the catalogue
    // in a short transaction of its own and never disturbs an open result. False on any error.
    bool TableExists(const QString &name);
    // Receives the table names each TableExists read, for the main window's scratch list.
    void SetTableNamesObserver(std::function<void(const QStringList &)> observer)
    {
        tableNamesObserver_ = std::move(observer);
    }

    // --- schema -----------------------------------------------------------------------------
    bool CreateSectionTable();
    bool CreateMemberTable();
    bool CreateImageListTable();
    bool CreateImageTable(const QString &name);
    bool CreateChatTable();
    bool CreateMousePosTable();
    // Sends the lines as one statement and commits; false for an empty list, touching nothing.
    bool ExecuteScript(const QStringList &lines);
    bool DropTable(const QString &name);

    // What the program adds beside the documented tables (an index, a trigger), which PCs with
    // older builds never notice. Sent in a transaction that waits for no lock: while another
    // PC has the table in use the server refuses at once (Busy), nobody is held up, and the
    // caller tries again another time.
    enum class Addition { Done, Busy, Failed };
    Addition AddBesideTables(const QStringList &lines);
    // The same from a thread and an attachment of the session's own, for additions that may
    // take long (an index on a big table): returns at once; refusals for a lock are retried
    // there a little later. Stopped by DisconnectDatabase.
    void AddInBackground(const std::vector<AdditionJob> &jobs);
    bool AdditionsUnderWay() { return !additions_.Idle(); }
    // Waits at most `limit` while something is being added to `table`, since a write to it
    // would wait for that as long as it takes; true when nothing is, now.
    bool WaitForAdditionsTo(const QString &table, std::chrono::milliseconds limit)
    {
        return additions_.WaitWhileAddingTo(table, limit);
    }

    // --- writing ----------------------------------------------------------------------------
    bool InsertRow(const QString &table, int count, const QStringList &columns,
                   const QStringList &values);
    bool UpdateRows(const QString &table, int count, const QStringList &columns,
                    const QStringList &values, const QString &where);
    bool DeleteRows(const QString &table, const QString &where);

    // --- reading ----------------------------------------------------------------------------
    int CountRows(const QString &table, const QString &where); // -1 on failure
    bool KeyExists(const QString &table, const QString &column, const QString &where, int value);
    QString SelectMax(const QString &table, const QString &column, const QString &where);
    int SelectFirstRow(const QString &columns, const QString &table, const QString &where,
                       QStringList &fields); // -1 when no row
    // Opens a result positioned on its first row and returns its row count (0 on failure).
    int OpenSelect(const QString &columns, const QString &table, const QString &where,
                   const QString &orderBy);
    void ReadFirstRow(QStringList &fields);
    void ReadNextRow(QStringList &fields); // past the end: the slots are emptied
    void CloseSelect();                    // the read transaction keeps running
    void CloseQuery();                     // closes the result and ends the transaction

    // --- one page of a longer result --------------------------------------------------------
    // Sends the lines as a select and appends at most `take` rows to `rows`, then stops
    // without fetching the rest. The names of the columns come in `columns`. False on failure;
    // the rows read before it stay. The read transaction keeps running, as after every read.
    bool ReadPage(const QStringList &lines, int take, QStringList &columns,
                  QList<QStringList> &rows);

    // --- state, for callers that need to know and for tests ---------------------------------
    bool TransactionActive() const { return tr_.Active(); }
    bool QueryOpen() const { return queryOpen_; }
    const QStringList &LastStatement() const { return lastStatement_; }
    ISC_STATUS LastErrorCode() const { return lastErrorCode_; }
    // True when the last operation failed because there is no attachment or the server could
    // not be reached, rather than because the server refused the statement: windows then name
    // the connection instead of blaming the input.
    bool ServerUnreachable() const { return serverUnreachable_; }
    // True when the last write failed while committing because the server went away or went
    // silent: the row may have been stored all the same. A caller that numbers its rows checks
    // whether the row it wrote is there before it writes it again.
    bool LastWriteOutcomeUnknown() const { return writeOutcomeUnknown_; }
    // True when the last create or connect reached a server that refused the user and password.
    bool LoginRefused() const { return lastErrorCode_ == isc_login; }

    // --- event alerts -----------------------------------------------------------------------
    // The session's one listener for the events other PCs' rows post (event_listener.h).
    EventListener &Events() { return *events_; }
    // Which attachment is current: a new number after every attach (see IscAttachment).
    quint64 AttachmentNumber() const override { return db_.Number(); }
    // For the listener: runs `call` on the current attachment, under the watchdog. False when
    // there is none or the call fails (`status` says why); a call that lost the connection (or
    // was cut off) drops the attachment, and the next operation attaches again.
    bool CallForEvents(const std::function<bool(isc_db_handle *, IscStatus &)> &call,
                       IscStatus &status) override;
    bool HasEventTrigger(const QString &table) override;
    void RequestEventTrigger(const QString &table) override;

    // The longest a call waits for a server that does not answer.
    static constexpr std::chrono::milliseconds kCallLimit{5000};
    // The local server's port for paths without a server name (tests run their own server).
    void SetLoopbackPort(int port) { options_.loopbackPort = port; }
    // The user and password every later create, connect or re-attachment logs in with; an
    // empty user restores the built-in administrator login. An attachment made stays as it is.
    void SetLogin(const QByteArray &user, const QByteArray &password);
    const QString &LastErrorText() const { return lastErrorText_; }

private:
    // How one attempt at an operation ended.
    enum class Attempt {
        Done,       // the operation did what it should
        Refused,    // the server answered with an error: the result stands
        LostUnsent, // the connection was gone before anything of the operation was sent
        Lost,       // the connection went while the operation ran; nothing was committed
        LostCommit, // the connection went during the commit: it may or may not have landed
    };
    // Runs an attempt with the watchdog armed; when the attachment turns out lost, drops it,
    // re-attaches and runs the attempt once more if `read` or nothing had been sent.
    bool Run(bool read, const std::function<Attempt()> &attempt);
    // Connected and attached, re-attaching first when the attachment was lost.
    bool Ready();
    // Attaches again within the time left of the operation's limit.
    bool Reattach(std::chrono::milliseconds budget);
    void DropAttachment(); // after a loss: forget the statement, transaction and attachment
    Attempt Failed(IscStatus &status, Attempt ifLost); // notes the failure and classifies it
    Attempt WriteAttempt(const QByteArray &statement, bool noWait = false);
    // Ends the running transaction and prepares and executes a select in a new one.
    Attempt StartRead(const QByteArray &statement);
    bool Created(const QString &table, bool created);         // passes `created` on
    bool Encode(const QStringList &lines, QByteArray &bytes); // false: not sendable as CP932
    bool Note(IscStatus &status);                             // remembers a failure; returns false
    void CloseStatement();

    ConnectionOptions options_;
    QByteArray path_; // the database the session is connected to
    bool wanted_ = false;
    CallWatchdog watchdog_{kCallLimit};
    BackgroundAttach background_; // trying while the server is silent
    BackgroundAdditions additions_;
    IscAttachment db_;
    IscTransaction tr_;
    IscStatement statement_;
    TextRow row_;
    ResultBuffer result_;
    bool queryOpen_ = false;
    bool serverUnreachable_ = false;
    bool writeOutcomeUnknown_ = false;
    bool lockConflict_ = false; // the last write was refused for a lock another PC holds
    int position_ = 0;
    QStringList lastStatement_;
    ISC_STATUS lastErrorCode_ = 0;
    QString lastErrorText_;
    std::function<void(const QStringList &)> tableNamesObserver_;
    std::unique_ptr<EventListener> events_; // last: it goes first, while the rest still exists
};
