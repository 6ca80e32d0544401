#include "library_signals.h"

#include <ibase.h>

#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace {

std::atomic<int> requestFd{-1};

// Runs on a thread of the library: it only passes the request on, and touches nothing else.
int OnLibraryShutdown(const int reason, const int /*mask*/, void * /*arg*/)
{
    if (reason != fb_shutrsn_signal) return 0; // the process is exiting anyway: let it
    const int fd = requestFd.load();
    if (fd < 0) return 0;
    const int saved = errno;
    const ssize_t written = write(fd, "s", 1);
    errno = saved;
    (void)written; // a full pipe holds a request already
    return 1;      // not now: the program closes its attachments itself
}

} // namespace

bool HandLibrarySignalsTo(int fd)
{
    static const bool registered = [] {
        ISC_STATUS_ARRAY status{};
        fb_shutdown_callback(status, OnLibraryShutdown, fb_shut_confirmation, nullptr);
        return !(status[0] == 1 && status[1] != 0);
    }();
    requestFd = fd;
    return registered;
}
