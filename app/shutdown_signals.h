#pragma once
// Logout, shutdown, `kill` and Ctrl+C end the program exactly as 終了 does: SIGTERM, SIGINT and
// SIGHUP become one call on the user-interface thread. The signal handlers (and the database
// client library, which would otherwise take SIGTERM and SIGINT for itself) only write a byte
// into a pipe; a socket notifier reads it in the event loop, where closing is safe.

#include <QObject>
#include <functional>

class QSocketNotifier;

class ShutdownSignals : public QObject {
    Q_OBJECT

public:
    // One per process, made before the first attachment to the database.
    explicit ShutdownSignals(std::function<void()> onRequest, QObject *parent = nullptr);
    ~ShutdownSignals() override; // the signals' earlier handling comes back
    // Whether the signals are caught at all (a pipe could be made).
    bool Installed() const { return notifier_ != nullptr; }

private:
    void Drain();

    std::function<void()> onRequest_;
    int fds_[2] = {-1, -1};
    QSocketNotifier *notifier_ = nullptr;
};
