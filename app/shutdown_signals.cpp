#include "shutdown_signals.h"

#include "library_signals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};
int writeFd = -1;
struct sigaction previous[kSignals.size()];

void OnSignal(int)
{
    const int saved = errno;
    const ssize_t written = writeFd < 0 ? 0 : write(writeFd, "s", 1);
    (void)written; // a full pipe holds a request already
    errno = saved;
}

} // namespace

ShutdownSignals::ShutdownSignals(std::function<void()> onRequest, QObject *parent)
    : QObject(parent), onRequest_(std::move(onRequest))
{
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    writeFd = fds_[1];
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ShutdownSignals::Drain);

    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &previous[i]);
    HandLibrarySignalsTo(fds_[1]);
}

ShutdownSignals::~ShutdownSignals()
{
    if (!notifier_) return;
    for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &previous[i], nullptr);
    HandLibrarySignalsTo(-1);
    delete notifier_;
    writeFd = -1;
    close(fds_[1]);
    close(fds_[0]);
}

void ShutdownSignals::Drain()
{
    char bytes[64];
    while (read(fds_[0], bytes, sizeof bytes) > 0) {
    }
    // Several signals, or one seen by both the handler and the library: one request.
    if (onRequest_) onRequest_();
}
