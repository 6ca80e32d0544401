#pragma once
// The client library opens the connection for event alerts with a plain blocking connect(),
// inside isc_que_events, on the calling thread. Where a firewall silently drops what is sent to
// the server's event port, that connect waits for the system's own limit (over two minutes),
// and the watchdog cannot cut it short: it closes the attachment's connection, not the one
// being made. While a BoundedConnects lives on a thread, a TCP connect() made on that thread
// (the library's among them) gives up after `limit`, as if refused; elsewhere, and on every
// other thread, connect() is the system's own.

#include <chrono>

class BoundedConnects {
public:
    explicit BoundedConnects(std::chrono::milliseconds limit);
    ~BoundedConnects();
    BoundedConnects(const BoundedConnects &) = delete;
    BoundedConnects &operator=(const BoundedConnects &) = delete;

private:
    int previous_;
};
