#pragma once
// Runs one statement that adds to a shared table (a CREATE INDEX) on an attachment and a thread
// of its own. Building an index on a table of a million rows takes seconds, longer than any call
// of the session may wait for the server; here nobody waits for it. Its transaction never waits
// for another PC's lock: while another PC has the table in use the statement is refused at once
// (Busy), and it can be tried again later.

#include <ibase.h>

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class BackgroundAddition {
public:
    enum class State { Idle, Running, Done, Busy, Failed };

    BackgroundAddition() = default;
    // Cuts a statement still under way (the server rolls it back) and waits for the thread; an
    // attempt to attach under way ends within the connect time-out.
    ~BackgroundAddition();
    BackgroundAddition(const BackgroundAddition &) = delete;
    BackgroundAddition &operator=(const BackgroundAddition &) = delete;

    // Attaches with these parameters and runs the statement; nothing when one is under way.
    void Start(const QByteArray &path, const QByteArray &dpb, const QByteArray &statement);
    // Running while under way; how it ended is handed over once, Idle afterwards.
    State Take();
    // Waits at most `limit` for a statement under way to end; true when none is under way now.
    bool Wait(std::chrono::milliseconds limit);

private:
    void Run(QByteArray path, QByteArray dpb, QByteArray statement);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable ended_;
    State state_ = State::Idle;
    bool cancelled_ = false;
    isc_db_handle attached_ = 0; // while the statement runs, for cutting it off
};
