#pragma once
// One event name as the client library's C interface knows it: the two buffers isc_event_block
// makes, a request queued on an attachment (isc_que_events), and the counts a delivery brings
// (isc_event_counts). Nothing here throws.
//
// The library calls back on a thread of its own, once per queued request: with the new counts
// when the event was posted, or with nothing when the request was cancelled or its connection
// was lost. That call only copies the counts and hands a note to `arrived`, which must return at
// once (post a queued call; touch nothing else). A mutex-guarded table of the requests under
// way lets a late call find out that its request was withdrawn or its block is gone.

#include <ibase.h>

#include <QByteArray>
#include <cstdint>
#include <functional>

class IscStatus;

class IscEventBlock {
public:
    // `arrived(request, delivered)`: `request` as Queue() numbered it; `delivered` false when
    // the request ended without the event (its connection was lost).
    using Arrived = std::function<void(std::uint64_t request, bool delivered)>;

    IscEventBlock(const QByteArray &name, Arrived arrived);
    ~IscEventBlock(); // withdraws the request without asking the server, frees the buffers
    IscEventBlock(const IscEventBlock &) = delete;
    IscEventBlock &operator=(const IscEventBlock &) = delete;

    // Queues a request on the attachment; the counts of the last delivery are its base, so an
    // event posted since then is delivered at once. Afresh, the base is nought: the server
    // delivers at once with the counts so far (which say nothing about new rows). False (nothing
    // queued) on failure.
    bool Queue(isc_db_handle *db, IscStatus &status, bool afresh);
    // Withdraws the request under way and tells the server; true when there was none.
    bool Cancel(isc_db_handle *db, IscStatus &status);
    // Withdraws the request without a word to the server, whose attachment is gone.
    void Forget();

    // The request under way (0: none). A note about any other one is stale.
    std::uint64_t Request() const { return request_; }
    // Takes the delivery of the request under way: how many times the event was posted since
    // the previous one. The request is over; queue again to hear more.
    unsigned long TakeCount();

private:
    static void Callback(void *token, ISC_USHORT length, const ISC_UCHAR *updated);
    void Withdraw();

    QByteArray name_;
    Arrived arrived_;
    ISC_UCHAR *events_ = nullptr;
    ISC_UCHAR *result_ = nullptr;
    short length_ = 0;
    ISC_LONG id_ = 0;
    std::uint64_t request_ = 0;
};
