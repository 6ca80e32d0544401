#include "background_additions.h"

#include "isc_handles.h"

using Clock = std::chrono::steady_clock;

void BackgroundAdditions::Add(const QByteArray &path, const QByteArray &dpb,
                              const std::vector<AdditionJob> &jobs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (const AdditionJob &job : jobs) {
        bool queued = false;
        for (const Queued &q : queue_) queued = queued || q.job.name == job.name;
        if (!queued) queue_.push_back({job, Clock::now()});
    }
    if (working_ || queue_.empty()) {
        wake_.notify_one();
        return;
    }
    // A thread that ran out of work has ended, or is about to: it holds nothing any more.
    lock.unlock();
    if (thread_.joinable()) thread_.join();
    lock.lock();
    working_ = true;
    stop_ = false;
    thread_ = std::thread([this, path, dpb] { Work(path, dpb); });
}

void BackgroundAdditions::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        queue_.clear();
        if (busyDb_) {
            ISC_STATUS_ARRAY status{};
            fb_cancel_operation(status, &busyDb_, fb_cancel_abort);
        }
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

bool BackgroundAdditions::Idle()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !working_;
}

void BackgroundAdditions::Work(QByteArray path, QByteArray dpb)
{
    IscAttachment db;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_ && !queue_.empty()) {
        // The first job that is due; when none is yet, wait for the earliest.
        auto due = queue_.begin();
        for (auto it = queue_.begin(); it != queue_.end(); ++it)
            if (it->notBefore < due->notBefore) due = it;
        if (due->notBefore > Clock::now()) {
            wake_.wait_until(lock, due->notBefore);
            continue;
        }
        const AdditionJob job = due->job;
        queue_.erase(due);
        lock.unlock();

        Result result = Result::Lost;
        IscStatus status;
        if (db.Attached() || db.Attach(path, dpb, status)) {
            {
                std::lock_guard<std::mutex> busy(mutex_);
                busyDb_ = db.Value();
            }
            result = Run(db, job);
            std::lock_guard<std::mutex> busy(mutex_);
            busyDb_ = 0;
        }
        if (result == Result::Lost) db.Detach(); // the next attempt attaches anew

        lock.lock();
        if ((result == Result::Busy || result == Result::Lost) && !stop_) {
            bool queued = false;
            for (const Queued &q : queue_) queued = queued || q.job.name == job.name;
            if (!queued) queue_.push_back({job, Clock::now() + retryPause});
        }
    }
    // Detached with the mutex held: Stop cannot cut a handle that is going away, and a silent
    // server does not hold up the detach (the client side just lets the connection go).
    working_ = false;
    if (db.Attached()) {
        ISC_STATUS_ARRAY status{};
        isc_db_handle handle = db.Value();
        fb_cancel_operation(status, &handle, fb_cancel_abort);
        db.Detach();
    }
}

bool BackgroundAdditions::Present(IscAttachment &db, const AdditionJob &job, bool &reached)
{
    const QByteArray query = "SELECT " + job.nameColumn.toLatin1() + " FROM " +
                             job.catalogue.toLatin1() + " WHERE " + job.nameColumn.toLatin1() +
                             "='" + job.name.toLatin1() + "'";
    IscStatus status;
    IscTransaction tr;
    IscStatement statement;
    TextRow row;
    bool found = false;
    if (tr.Start(db, status) && statement.PrepareSelect(db, tr, query, row, status) &&
        statement.Execute(tr, status))
        found = statement.Fetch(row, status) == IscStatement::Fetched::Row;
    reached = !status.Failed();
    statement.Drop();
    return found;
}

BackgroundAdditions::Result BackgroundAdditions::Run(IscAttachment &db, const AdditionJob &job)
{
    bool reached = false;
    if (Present(db, job, reached)) return Result::Done;
    if (!reached) return Result::Lost;
    IscStatus status;
    IscTransaction tr;
    if (tr.StartNoWait(db, status) && ExecuteImmediate(db, tr, job.statement, status) &&
        tr.Commit(status))
        return Result::Done;
    if (status.LockConflict()) return Result::Busy;
    if (status.ConnectionLost()) return Result::Lost;
    // Refused for good: the table is gone, or another PC made the same a moment earlier.
    return Result::Drop;
}
