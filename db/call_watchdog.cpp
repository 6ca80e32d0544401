#include "call_watchdog.h"

using Clock = std::chrono::steady_clock;

CallWatchdog::CallWatchdog(std::chrono::milliseconds limit)
    : limit_(limit), thread_([this] { Watch(); })
{
}

CallWatchdog::~CallWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void CallWatchdog::Arm(isc_db_handle db)
{
    std::unique_lock<std::mutex> lock(mutex_);
    armed_ = true;
    ++generation_;
    db_ = db;
    since_ = Clock::now();
    fired_ = false;
    // Only an idle watcher needs waking; a busy one looks at the new call at its next deadline,
    // so a stream of short calls costs no wake-ups.
    const bool wake = idle_;
    lock.unlock();
    if (wake) wake_.notify_one();
}

void CallWatchdog::Disarm()
{
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
}

void CallWatchdog::Watch()
{
    std::unique_lock<std::mutex> lock(mutex_);
    unsigned watched = 0;
    unsigned long progressSeen = 0;
    while (!stop_) {
        if (!armed_) {
            idle_ = true;
            wake_.wait(lock, [this] { return stop_ || armed_; });
            idle_ = false;
            continue;
        }
        if (watched != generation_) {
            watched = generation_;
            progressSeen = progress_.load(std::memory_order_relaxed);
        }
        const Clock::time_point deadline = since_ + limit_;
        if (Clock::now() < deadline) {
            wake_.wait_until(lock, deadline);
            continue;
        }
        const unsigned long progress = progress_.load(std::memory_order_relaxed);
        if (progress != progressSeen) {
            progressSeen = progress;
            since_ = Clock::now();
            continue;
        }
        // Still inside the same silent call: close the connection under it. The mutex is held,
        // so the caller cannot disarm and detach meanwhile; the cut itself does not wait for the
        // server. Fired() is true before the cut: the caller's call returns the moment the cut
        // is made, and must learn then that the server was silent rather than gone.
        fired_ = true;
        armed_ = false;
        ISC_STATUS_ARRAY status{};
        isc_db_handle db = db_;
        fb_cancel_operation(status, &db, fb_cancel_abort);
    }
}
