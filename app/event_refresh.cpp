#include "event_refresh.h"

#include <QTimer>

namespace {
// While a handler of the window runs (a modal dialog may keep it a while), the refresh waits
// and looks again this often.
constexpr int kBusyLookMs = 50;
} // namespace

EventRefresh::EventRefresh(QObject *window, EventListener &listener, const QString &table,
                           std::function<bool()> idle, std::function<void()> refresh, int gapMs)
    : QObject(window), idle_(std::move(idle)), refresh_(std::move(refresh)), gapMs_(gapMs),
      later_(new QTimer(this))
{
    later_->setSingleShot(true);
    connect(later_, &QTimer::timeout, this, &EventRefresh::Try);
    wish_ = listener.Listen(table, [this] { Arrived(); });
}

EventRefresh::~EventRefresh() = default;

void EventRefresh::Arrived()
{
    pending_ = true;
    if (!later_->isActive()) Try();
}

void EventRefresh::Try()
{
    if (!pending_) return;
    if (running_ || !idle_()) {
        later_->start(kBusyLookMs);
        return;
    }
    if (last_.isValid() && last_.elapsed() < gapMs_) {
        later_->start(int(gapMs_ - last_.elapsed()));
        return;
    }
    pending_ = false;
    running_ = true;
    try {
        refresh_();
        ++refreshes_;
    } catch (...) {
        // Out of memory at worst: the window's own poll tries again.
    }
    running_ = false;
    last_.restart();
    if (pending_ && !later_->isActive()) later_->start(gapMs_);
}
