#pragma once
// Adds what the program puts beside the shared tables (see table_additions.h) from a thread and
// an attachment of its own. Building an index reads the whole table, seconds on a picture of a
// million points, and no window may wait for that: a window asks and goes on at once, and the
// board stores its strokes correctly, only more slowly, until the index is there.
//
// Each addition is sent in a transaction that waits for no lock. While another PC has the table
// in use the server refuses at once and the addition is tried again a little later; one whose
// table is gone, or that the server refuses for good, is dropped. The thread ends when nothing
// is left to do.

#include "isc_handles.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

struct AdditionJob {
    QString name;         // of the index or trigger, as the catalogue knows it
    QString catalogue;    // RDB$INDICES, RDB$TRIGGERS
    QString nameColumn;   // RDB$INDEX_NAME, RDB$TRIGGER_NAME
    QByteArray statement; // the DDL, CP932 bytes
};

class BackgroundAdditions {
public:
    BackgroundAdditions() = default;
    ~BackgroundAdditions() { Stop(); }
    BackgroundAdditions(const BackgroundAdditions &) = delete;
    BackgroundAdditions &operator=(const BackgroundAdditions &) = delete;

    // Queues the jobs (one already queued under the same name is not queued twice) for the
    // database at `path`, and starts the thread when it is not running.
    void Add(const QByteArray &path, const QByteArray &dpb, const std::vector<AdditionJob> &jobs);
    // Drops what is queued, cuts a statement under way and waits for the thread (an attempt to
    // attach under way ends within its connect time-out).
    void Stop();
    // Nothing queued and nothing under way.
    bool Idle();

    // Pause before a job the server refused for a lock, or could not be reached for, is tried
    // again. Tests shorten it.
    std::chrono::milliseconds retryPause{10000};

private:
    struct Queued {
        AdditionJob job;
        std::chrono::steady_clock::time_point notBefore;
    };
    enum class Result {
        Done, // there now
        Busy, // another PC has the table in use: again later
        Lost, // no server: again later, on a new attachment
        Drop, // refused for good (no such table, or made elsewhere meanwhile)
    };

    void Work(QByteArray path, QByteArray dpb);
    Result Run(IscAttachment &db, const AdditionJob &job);
    bool Present(IscAttachment &db, const AdditionJob &job, bool &reached);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Queued> queue_;
    std::thread thread_;
    bool stop_ = false;
    bool working_ = false;
    isc_db_handle busyDb_ = 0; // the attachment a statement runs on, for Stop to cut
};
