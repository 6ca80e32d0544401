#pragma once
// The program's one database session: one connection, one transaction and one query, shared by
// every window on the user-interface thread. Operations never throw and never talk to the user;
// they answer with flags, counts and text, and the windows decide what to say.
//
// Writing operations run in a transaction of their own and commit at once. Reading operations
// first end the running transaction, so each read sees every row other PCs committed before it;
// their read transaction stays open until the next operation ends it.

#include "isc_handles.h"
#include "result_buffer.h"

#include <QStringList>
#include <functional>

class DatabaseSession {
public:
    DatabaseSession() = default;
    DatabaseSession(const DatabaseSession &) = delete;
    DatabaseSession &operator=(const DatabaseSession &) = delete;
    ~DatabaseSession() { DisconnectDatabase(); }

    // --- connection -------------------------------------------------------------------------
    // Creates the database file at `path` ("server:folder/file"); on success the session is
    // attached to it. Failures (the file exists, no server) are swallowed.
    void CreateDatabaseFile(const QString &path);
    // Attaches unless already attached; the caller tests Connected() afterwards.
    void ConnectDatabase(const QString &path);
    // Discards the open result, rolls back the running transaction, detaches. Safe in any state.
    void DisconnectDatabase();
    bool Connected() const { return db_.Attached(); }
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

    // --- state, for callers that need to know and for tests ---------------------------------
    bool TransactionActive() const { return tr_.Active(); }
    bool QueryOpen() const { return queryOpen_; }
    const QStringList &LastStatement() const { return lastStatement_; }
    ISC_STATUS LastErrorCode() const { return lastErrorCode_; }
    // True when the last operation failed because there is no attachment or the server could
    // not be reached, rather than because the server refused the statement: windows then name
    // the connection instead of blaming the input.
    bool ServerUnreachable() const { return serverUnreachable_; }
    const QString &LastErrorText() const { return lastErrorText_; }

private:
    bool RunWrite(const QStringList &lines);
    // Ends the running transaction and prepares and executes a select in a new one.
    bool StartRead(const QStringList &lines);
    bool Ready(); // attached; otherwise the operation fails as unreachable
    bool Note(IscStatus &status); // remembers a failure; returns false
    void CloseStatement();

    IscAttachment db_;
    IscTransaction tr_;
    IscStatement statement_;
    TextRow row_;
    ResultBuffer result_;
    bool queryOpen_ = false;
    bool serverUnreachable_ = false;
    int position_ = 0;
    QStringList lastStatement_;
    ISC_STATUS lastErrorCode_ = 0;
    QString lastErrorText_;
    std::function<void(const QStringList &)> tableNamesObserver_;
};
