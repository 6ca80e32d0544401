#include "isc_events.h"

#include "isc_handles.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

// The requests under way, by number, and the block each belongs to. The library's thread looks
// a request up here before it touches a block; a block leaves the table before it goes.
struct Requests {
    std::mutex mutex;
    std::unordered_map<std::uint64_t, IscEventBlock *> blocks;
    std::atomic<std::uint64_t> last{0};
};

Requests &Table()
{
    static Requests table;
    return table;
}

} // namespace

IscEventBlock::IscEventBlock(const QByteArray &name, Arrived arrived)
    : name_(name), arrived_(std::move(arrived))
{
    length_ = short(isc_event_block(&events_, &result_, 1, name_.constData()));
}

IscEventBlock::~IscEventBlock()
{
    Withdraw();
    if (events_) isc_free(reinterpret_cast<ISC_SCHAR *>(events_));
    if (result_) isc_free(reinterpret_cast<ISC_SCHAR *>(result_));
}

void IscEventBlock::Withdraw()
{
    if (!request_) return;
    Requests &table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.blocks.erase(request_);
    request_ = 0;
}

bool IscEventBlock::Queue(isc_db_handle *db, IscStatus &status, bool afresh)
{
    Withdraw();
    if (!events_ || !result_ || length_ <= 0) return false;
    // The block: a version byte, then the name's length, the name and its 4-byte count.
    if (afresh) std::memset(events_ + length_ - 4, 0, 4);
    Requests &table = Table();
    const std::uint64_t request = ++table.last;
    {
        // Known before it is queued: the first call may come before isc_que_events returns.
        std::lock_guard<std::mutex> lock(table.mutex);
        table.blocks[request] = this;
    }
    request_ = request;
    isc_que_events(status.vector(), db, &id_, length_, events_, &IscEventBlock::Callback,
                   reinterpret_cast<void *>(std::uintptr_t(request)));
    if (!status.Failed()) return true;
    Withdraw();
    return false;
}

bool IscEventBlock::Cancel(isc_db_handle *db, IscStatus &status)
{
    if (!request_) return true;
    // Withdrawn first: the call that cancelling makes finds no request and does nothing.
    Withdraw();
    isc_cancel_events(status.vector(), db, &id_);
    return !status.Failed();
}

void IscEventBlock::Forget()
{
    Withdraw();
}

unsigned long IscEventBlock::TakeCount()
{
    ISC_ULONG counts[ISC_STATUS_LENGTH] = {};
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        // Also makes these counts the base of the next request.
        isc_event_counts(counts, length_, events_, result_);
    }
    Withdraw();
    return counts[0];
}

void IscEventBlock::Callback(void *token, ISC_USHORT length, const ISC_UCHAR *updated)
{
    const auto request = std::uint64_t(reinterpret_cast<std::uintptr_t>(token));
    Requests &table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    const auto found = table.blocks.find(request);
    if (found == table.blocks.end()) return; // withdrawn, or its block is gone
    IscEventBlock *block = found->second;
    table.blocks.erase(found); // one call per request
    if (updated)
        std::memcpy(block->result_, updated, std::min<size_t>(length, size_t(block->length_)));
    block->arrived_(request, updated != nullptr);
}
