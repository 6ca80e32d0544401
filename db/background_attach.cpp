#include "background_attach.h"

#include <chrono>

namespace {
constexpr std::chrono::seconds kPause{2}; // between two attempts that failed at once
}

void BackgroundAttach::Start(const QByteArray &path, const QByteArray &dpb)
{
    if (Running()) return;
    stop_ = false;
    made_ = 0;
    thread_ = std::thread([this, path, dpb] { Try(path, dpb); });
}

void BackgroundAttach::Try(QByteArray path, QByteArray dpb)
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        lock.unlock();
        ISC_STATUS_ARRAY status{};
        isc_db_handle db = 0;
        isc_attach_database(status, 0, path.constData(), &db, short(dpb.size()), dpb.constData());
        const bool attached = !(status[0] == 1 && status[1] != 0);
        lock.lock();
        if (attached) {
            made_ = db;
            return;
        }
        wake_.wait_for(lock, kPause, [this] { return stop_; });
    }
}

void BackgroundAttach::Stop()
{
    if (!Running()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
    if (made_) {
        ISC_STATUS_ARRAY status{};
        isc_detach_database(status, &made_);
        made_ = 0;
    }
}

isc_db_handle BackgroundAttach::Take()
{
    isc_db_handle db = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(db, made_);
    }
    if (db) thread_.join(); // it ended when it made the attachment
    return db;
}
