#include "event_listener.h"

#include "isc_events.h"
#include "isc_handles.h"

#include <QTimer>
#include <algorithm>

namespace {

// A table's trigger is asked of the session's background additions, which try again while
// another PC's lock keeps it out; the catalogue is looked at after this pause, which doubles
// up to the longest while the trigger is missing (no right to add it, say).
constexpr int kFirstTriggerLookMs = 250;
constexpr int kLongestTriggerLookMs = 60000;
// Requests refused one after another before the listener rests until the session attaches anew
// for reasons of its own (a restarted server, other database settings); the pause between two
// of them doubles up to this.
constexpr int kMostRefusals = 5;
constexpr int kLongestPauseMs = 600000;

} // namespace

EventListener::Wish::Wish(EventListener &listener, const QString &table, std::function<void()> wake)
    : listener_(&listener), table_(table), wake_(std::move(wake))
{
}

EventListener::Wish::~Wish()
{
    if (listener_) listener_->Withdraw(this);
}

EventListener::EventListener(EventSource &session)
    : session_(session), retry_(new QTimer(this)), triggerLook_(new QTimer(this))
{
    retry_->setSingleShot(true);
    connect(retry_, &QTimer::timeout, this, [this] {
        mayAsk_ = true;
        QueueAll();
    });
    triggerLook_->setSingleShot(true);
    connect(triggerLook_, &QTimer::timeout, this, &EventListener::LookForTriggers);
    clock_.start();
}

// The requests go with their blocks, without a word to the server: the session detaches, or
// has already, and the server forgets them with the attachment.
EventListener::~EventListener() = default;

EventListener::Table *EventListener::Find(const QString &table) const
{
    const auto found = tables_.find(table.toUpper());
    return found == tables_.end() ? nullptr : found->second.get();
}

std::unique_ptr<EventListener::Wish> EventListener::Listen(const QString &table,
                                                           std::function<void()> wake)
{
    const QString name = table.toUpper();
    std::unique_ptr<Wish> wish(new Wish(*this, name, std::move(wake)));
    Table *entry = Find(name);
    if (!entry) {
        auto made = std::make_unique<Table>();
        made->name = name;
        // The library's thread only hands the note over; everything else happens here.
        made->block = std::make_unique<IscEventBlock>(
            name.toLatin1(), [this, name](std::uint64_t request, bool delivered) {
                QMetaObject::invokeMethod(
                    this, [this, name, request, delivered] { Arrived(name, request, delivered); },
                    Qt::QueuedConnection);
            });
        entry = made.get();
        tables_[name] = std::move(made);
        LookForTrigger(*entry);
    }
    entry->wishes.push_back(wish.get());
    if (!entry->block->Request() && mayAsk_) Queue(*entry, true);
    return wish;
}

void EventListener::Withdraw(Wish *wish)
{
    Table *table = Find(wish->table_);
    if (!table) return;
    auto &wishes = table->wishes;
    wishes.erase(std::remove(wishes.begin(), wishes.end(), wish), wishes.end());
    if (!wishes.empty()) return;
    // Nobody waits for the table any longer: the server need not keep the request.
    if (table->block->Request() && table->attachment == session_.AttachmentNumber() &&
        session_.Attached()) {
        IscStatus status;
        session_.CallForEvents(
            [table](isc_db_handle *db, IscStatus &result) {
                return table->block->Cancel(db, result);
            },
            status);
    }
    const QString name = table->name;
    tables_.erase(name);
}

bool EventListener::Listening(const QString &table) const
{
    const Table *entry = Find(table);
    return entry && entry->triggerSettled && entry->armed && entry->block->Request() &&
           session_.Attached() && entry->attachment == session_.AttachmentNumber();
}

bool EventListener::ListeningToAll() const
{
    return std::all_of(tables_.begin(), tables_.end(),
                       [this](const auto &entry) { return Listening(entry.first); });
}

// --- asking the server ----------------------------------------------------------------------

void EventListener::Queue(Table &table, bool afresh)
{
    if (!session_.Attached()) return; // asked again once the session has attached anew
    if (afresh) table.armed = false;
    // Not noted as seen: the other tables' requests may still be on an older attachment.
    const std::uint64_t attachment = session_.AttachmentNumber();
    IscStatus status;
    if (session_.CallForEvents(
            [&table, afresh](isc_db_handle *db, IscStatus &result) {
                return table.block->Queue(db, result, afresh);
            },
            status)) {
        table.attachment = attachment;
        return;
    }
    Refused(status.Mentions(isc_net_event_connect_err));
}

void EventListener::QueueAll()
{
    for (auto &entry : tables_) {
        if (!mayAsk_ || !session_.Attached()) return; // refused: no use going on
        Table &table = *entry.second;
        if (table.block->Request() && table.attachment == session_.AttachmentNumber()) continue;
        table.block->Forget();
        Queue(table, true);
    }
}

void EventListener::Refused(bool unreachable)
{
    ++refusals_;
    mayAsk_ = false;
    if (!session_.Attached()) droppedAttachment_ = session_.AttachmentNumber();
    // A port this PC cannot reach (a firewall drops what is sent to it) stays so: each try
    // would cost the user a moment's wait, and the server an attachment waiting for a
    // connection that never comes.
    if (unreachable) return;
    // A server that cannot open its event port drops the attachment that asked, and the
    // session attaches again at its next operation. Asking once more there tells a restarted
    // server from a closed port; after that, ask seldom, and then not at all.
    if (refusals_ == 1 && !session_.Attached()) {
        mayAsk_ = true;
        return;
    }
    if (refusals_ >= kMostRefusals) return;
    const int doublings = std::clamp(refusals_ - 2, 0, 10);
    const qint64 pause = std::min<qint64>(qint64(retryPauseMs_) << doublings, kLongestPauseMs);
    retry_->start(int(pause));
}

void EventListener::SessionUsed()
{
    const std::uint64_t attachment = session_.AttachmentNumber();
    if (attachment == seenAttachment_) return;
    seenAttachment_ = attachment;
    // An attachment made for reasons of the session's own (not to replace one a refused
    // request cost) is a fresh start: the server may have been set up anew meanwhile.
    if (droppedAttachment_ == 0 || droppedAttachment_ + 1 != attachment) {
        refusals_ = 0;
        retry_->stop();
        mayAsk_ = true;
    }
    // The requests went with the old attachment. Asked again after the operation under way.
    if (tables_.empty() || !mayAsk_ || queueScheduled_ || !session_.Attached()) return;
    queueScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        queueScheduled_ = false;
        QueueAll();
    });
}

void EventListener::Arrived(const QString &name, std::uint64_t request, bool delivered)
{
    Table *table = Find(name);
    if (!table || !request || table->block->Request() != request) return; // withdrawn meanwhile
    if (!delivered) {
        // The event connection is gone, most likely with the server: the timers carry on, and
        // the request goes again, here or on the session's next attachment.
        table->block->Forget();
        if (mayAsk_) Queue(*table, true);
        return;
    }
    const unsigned long posted = table->block->TakeCount();
    // The first delivery after queuing only tells the counts so far.
    const bool arming = !table->armed;
    table->armed = true;
    refusals_ = 0;
    // Asked again before the windows read, so a row committed while they read is not missed.
    Queue(*table, false);
    table = Find(name); // still there: only a wish's owner withdraws it, and none ran
    if (arming || posted == 0 || !table) return;
    std::vector<Wish *> wishes = table->wishes;
    for (Wish *wish : wishes) {
        // A window's refresh may close another window and withdraw its wish.
        Table *now = Find(name);
        if (!now || std::find(now->wishes.begin(), now->wishes.end(), wish) == now->wishes.end())
            continue;
        if (wish->wake_) wish->wake_();
    }
}

// --- the triggers ---------------------------------------------------------------------------

void EventListener::LookForTrigger(Table &table)
{
    table.triggerSettled = session_.HasEventTrigger(table.name);
    if (table.triggerSettled) return;
    // Added beside the table by a thread of the session's own: no window waits for it.
    session_.RequestEventTrigger(table.name);
    table.triggerLookAfterMs = table.triggerLookAfterMs == 0
                                   ? kFirstTriggerLookMs
                                   : std::min(2 * table.triggerLookAfterMs, kLongestTriggerLookMs);
    table.triggerLookAt = clock_.elapsed() + table.triggerLookAfterMs;
    ScheduleTriggerLook();
}

void EventListener::ScheduleTriggerLook()
{
    qint64 next = -1;
    for (const auto &entry : tables_)
        if (!entry.second->triggerSettled && (next < 0 || entry.second->triggerLookAt < next))
            next = entry.second->triggerLookAt;
    if (next < 0) return;
    triggerLook_->start(int(std::max<qint64>(0, next - clock_.elapsed())));
}

void EventListener::LookForTriggers()
{
    const qint64 now = clock_.elapsed();
    for (auto &entry : tables_)
        if (!entry.second->triggerSettled && entry.second->triggerLookAt <= now)
            LookForTrigger(*entry.second);
    ScheduleTriggerLook();
}

void EventListener::TableCreated(const QString &name)
{
    Table *table = Find(name);
    if (!table) return; // the window that opens on it adds the trigger
    // A table dropped and made again lost its trigger: it is added again.
    table->triggerSettled = false;
    table->triggerLookAfterMs = 0;
    session_.RequestEventTrigger(table->name);
    table->triggerLookAt = clock_.elapsed() + kFirstTriggerLookMs;
    ScheduleTriggerLook();
}
