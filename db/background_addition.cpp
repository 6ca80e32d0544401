#include "background_addition.h"

#include "isc_handles.h"

BackgroundAddition::~BackgroundAddition()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        if (attached_) {
            ISC_STATUS_ARRAY status{};
            fb_cancel_operation(status, &attached_, fb_cancel_abort);
        }
    }
    if (thread_.joinable()) thread_.join();
}

void BackgroundAddition::Start(const QByteArray &path, const QByteArray &dpb,
                               const QByteArray &statement)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ == State::Running) return;
        state_ = State::Running;
    }
    if (thread_.joinable()) thread_.join(); // the previous attempt has ended
    thread_ = std::thread([this, path, dpb, statement] { Run(path, dpb, statement); });
}

BackgroundAddition::State BackgroundAddition::Take()
{
    std::lock_guard<std::mutex> lock(mutex_);
    const State state = state_;
    if (state != State::Running) state_ = State::Idle;
    return state;
}

bool BackgroundAddition::Wait(std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return ended_.wait_for(lock, limit, [this] { return state_ != State::Running; });
}

void BackgroundAddition::Run(QByteArray path, QByteArray dpb, QByteArray statement)
{
    State outcome = State::Failed;
    IscStatus status;
    IscAttachment db;
    if (db.Attach(path, dpb, status)) {
        bool cancelled;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cancelled = cancelled_;
            if (!cancelled) attached_ = db.Value();
        }
        if (!cancelled) {
            IscTransaction tr;
            if (tr.StartNoWait(db, status) && ExecuteImmediate(db, tr, statement, status) &&
                tr.Commit(status))
                outcome = State::Done;
            else if (status.LockConflict())
                outcome = State::Busy;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                attached_ = 0;
            }
            tr.Rollback(); // after a commit there is nothing left to roll back
        }
        db.Detach();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        state_ = outcome;
    }
    ended_.notify_all();
}
