#pragma once
// Runs a window's usual refresh when another PC commits a row in the table it shows, instead of
// at the window's next poll. The window's own rules stay: a refresh runs only while the window
// is idle (its poll timer running: no handler of its own under way, not closed), never inside
// another refresh, and the events that arrive meanwhile make one more refresh after it. At most
// one refresh per `gap`, so a burst of rows (a stroke is a row per point, ten pointers move ten
// times a second) costs the server a few reads, not one per row.
//
// A child of the window: it goes with it, and its wish to hear of the table with it.

#include "event_listener.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>

class QTimer;

class EventRefresh : public QObject {
    Q_OBJECT

public:
    EventRefresh(QObject *window, EventListener &listener, const QString &table,
                 std::function<bool()> idle, std::function<void()> refresh, int gapMs = 100);
    ~EventRefresh() override;

    // Refreshes run because of events (for tests and the benchmark).
    int Refreshes() const { return refreshes_; }

private:
    void Arrived();
    void Try();

    std::function<bool()> idle_;
    std::function<void()> refresh_;
    const int gapMs_;
    QTimer *later_;
    QElapsedTimer last_;
    bool pending_ = false;
    bool running_ = false;
    int refreshes_ = 0;
    std::unique_ptr<EventListener::Wish> wish_; // last: withdrawn first
};
