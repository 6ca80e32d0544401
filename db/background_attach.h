#pragma once
// Keeps trying to attach, in a thread of its own, while the server does not answer (its PC
// switched off or unplugged), so that no window waits for it: operations fail at once meanwhile,
// and the session takes the new attachment at its first operation after the server is back.

#include <ibase.h>

#include <QByteArray>
#include <condition_variable>
#include <mutex>
#include <thread>

class BackgroundAttach {
public:
    BackgroundAttach() = default;
    ~BackgroundAttach() { Stop(); }
    BackgroundAttach(const BackgroundAttach &) = delete;
    BackgroundAttach &operator=(const BackgroundAttach &) = delete;

    // Starts trying, an attempt every couple of seconds, until one succeeds or Stop().
    void Start(const QByteArray &path, const QByteArray &dpb);
    // Stops trying. An attempt under way is waited for (it ends within the connect time-out);
    // an attachment made but not taken is detached.
    void Stop();
    bool Running() const { return thread_.joinable(); }
    // The attachment made meanwhile, handed over once; 0 while there is none yet.
    isc_db_handle Take();

private:
    void Try(QByteArray path, QByteArray dpb);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    isc_db_handle made_ = 0;
};
