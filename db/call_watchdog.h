#pragma once
// Cuts off a call into the client library that waits too long for a silent server (its process
// frozen, its PC switched off or unplugged). The user-interface thread makes every call itself,
// so handlers keep running one at a time; a thread of the watchdog's own watches the clock and,
// when the call has made no progress for the limit, closes the attachment's connection from the
// client side. The blocked call then returns at once with a network error, like for a lost server.

#include <ibase.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class CallWatchdog {
public:
    explicit CallWatchdog(std::chrono::milliseconds limit);
    ~CallWatchdog();
    CallWatchdog(const CallWatchdog &) = delete;
    CallWatchdog &operator=(const CallWatchdog &) = delete;

    // Watches calls on the attachment until Disarm(); the limit counts from now.
    void Arm(isc_db_handle db);
    void Disarm();
    // A long read is moving on (a row arrived): the limit counts from now again. Cheap enough
    // to call for every row.
    void Progress() { progress_.fetch_add(1, std::memory_order_relaxed); }
    // The watched calls since Arm() were cut off.
    bool Fired() const { return fired_.load(); }
    std::chrono::milliseconds Limit() const { return limit_; }

private:
    void Watch();

    const std::chrono::milliseconds limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool armed_ = false;
    bool idle_ = false; // waiting for the next Arm() without a deadline
    unsigned generation_ = 0;
    isc_db_handle db_ = 0;
    std::chrono::steady_clock::time_point since_;
    std::atomic<unsigned long> progress_{0};
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

// Arms the watchdog for one operation and disarms it however the operation ends.
class WatchedCalls {
public:
    WatchedCalls(CallWatchdog &watchdog, isc_db_handle db) : watchdog_(watchdog)
    {
        watchdog_.Arm(db);
    }
    ~WatchedCalls() { watchdog_.Disarm(); }
    WatchedCalls(const WatchedCalls &) = delete;
    WatchedCalls &operator=(const WatchedCalls &) = delete;

private:
    CallWatchdog &watchdog_;
};
