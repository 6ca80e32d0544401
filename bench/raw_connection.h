#pragma once
// The benchmark's own attachment on the bare Firebird C interface. It carries the raw baselines
// and the housekeeping nobody measures: filling a table, reading server state, dropping the file.

#include <ibase.h>

#include <QByteArray>

// True when the status vector holds no error; otherwise prints what failed to stderr.
bool RawSucceeded(const ISC_STATUS *status, const char *what);

class RawConnection {
public:
    RawConnection() = default;
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;
    ~RawConnection() { Detach(); }

    bool Attach(const QByteArray &path); // as SYSDBA, dialect 3, no character set
    void Detach();
    bool Attached() const { return handle_ != 0; }
    isc_db_handle *Handle() { return &handle_; }

    // Runs one statement in a transaction of its own and commits it.
    bool ExecuteInOwnTransaction(const QByteArray &sql);
    // 1 when the server flushes every commit to disk, 0 when not, -1 when it does not say.
    int ForcedWrites();
    // Removes the database file; the connection is detached afterwards either way.
    bool Drop();

private:
    isc_db_handle handle_ = 0;
};

// What a reading side does with the data: count the rows and add up the length of every field,
// so both sides of a pair are seen to read the same.
struct ReadTally {
    long long rows = 0;
    long long chars = 0;
    bool operator==(const ReadTally &other) const
    {
        return rows == other.rows && chars == other.chars;
    }
};

// The raw baseline of every read: a plain fetch loop that binds each column as text the way the
// session does, over the whole result, in a transaction of its own.
bool RawReadAll(RawConnection &db, const QByteArray &select, ReadTally &tally);
