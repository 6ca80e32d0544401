#include "bounded_connect.h"

#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

namespace {
thread_local int limitMs = 0; // 0: connect() as the system makes it
} // namespace

BoundedConnects::BoundedConnects(std::chrono::milliseconds limit) : previous_(limitMs)
{
    limitMs = int(limit.count());
}

BoundedConnects::~BoundedConnects()
{
    limitMs = previous_;
}

// Takes the place of the C library's connect() for the whole program (the client library's
// calls come here too) and hands every call on to it, bounding only those described above.
extern "C" int connect(int socket, const struct sockaddr *address, socklen_t length)
{
    using Connect = int (*)(int, const struct sockaddr *, socklen_t);
    static const Connect system = reinterpret_cast<Connect>(dlsym(RTLD_NEXT, "connect"));
    const int flags = limitMs > 0 && address &&
                              (address->sa_family == AF_INET || address->sa_family == AF_INET6)
                          ? fcntl(socket, F_GETFL)
                          : -1;
    if (flags < 0 || (flags & O_NONBLOCK)) return system(socket, address, length);

    fcntl(socket, F_SETFL, flags | O_NONBLOCK);
    int result = system(socket, address, length);
    if (result < 0 && errno == EINPROGRESS) {
        pollfd wanted{socket, POLLOUT, 0};
        int ready;
        do {
            ready = poll(&wanted, 1, limitMs);
        } while (ready < 0 && errno == EINTR);
        int error = ready == 0 ? ETIMEDOUT : ready < 0 ? errno : 0;
        socklen_t size = sizeof error;
        if (ready > 0) getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size);
        result = error ? -1 : 0;
        errno = error;
    }
    const int saved = errno;
    fcntl(socket, F_SETFL, flags);
    errno = saved;
    return result;
}
