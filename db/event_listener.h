#pragma once
// Hears of the rows other PCs commit the moment they commit them. Each table that windows wait
// for (a picture's strokes IMG_<n>, CHAT, MOUSEPOS) carries a trigger that posts an event named
// after the table (table_additions.h). The session's one listener asks the server for the
// events of the tables its windows wait for, on the session's own attachment, and hands each
// arrival to those windows on the user-interface thread.
//
// Events are an extra: the windows keep polling on their timers. Where events cannot come (a
// database whose tables have no trigger, a server PC whose event port is closed, a lost
// attachment) everything works as before, a little slower, and nothing is said. The listener
// asks again once the session has attached anew, and now and then while the server refuses.
//
// The server sends events over a connection of their own, to a second port of the server PC:
// RemoteAuxPort in its firebird.conf, chosen at random when unset.

#include "event_source.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class IscEventBlock;
class QTimer;

class EventListener : public QObject {
    Q_OBJECT

public:
    explicit EventListener(EventSource &session);
    ~EventListener() override;

    // A window's wish to hear of a table's new rows, withdrawn when it is destroyed.
    class Wish {
    public:
        ~Wish();
        Wish(const Wish &) = delete;
        Wish &operator=(const Wish &) = delete;

    private:
        friend class EventListener;
        Wish(EventListener &listener, const QString &table, std::function<void()> wake);
        QPointer<EventListener> listener_;
        QString table_;
        std::function<void()> wake_;
    };

    // `wake` runs on this thread each time a row lands in the table (several rows may make one
    // call). Has the table's trigger added where it is missing and asks the server for its
    // event.
    std::unique_ptr<Wish> Listen(const QString &table, std::function<void()> wake);

    // The table has its trigger and the server delivers its event on the current attachment:
    // a row committed there now wakes the windows within a moment.
    bool Listening(const QString &table) const;
    // Every table that has a wish is listened to.
    bool ListeningToAll() const;

    // --- called by the session --------------------------------------------------------------
    // After each operation: when it attached anew, the requests go to the new attachment.
    void SessionUsed();
    // A table of the kind windows wait for was created: its trigger follows.
    void TableCreated(const QString &table);

    // The first pause before asking again a server that refused; it doubles each time. Tests
    // shorten it.
    void SetRetryPause(int milliseconds) { retryPauseMs_ = milliseconds; }

private:
    struct Table {
        QString name;
        std::unique_ptr<IscEventBlock> block;
        std::vector<Wish *> wishes;
        bool armed = false;           // the first delivery of the request came
        std::uint64_t attachment = 0; // the attachment the request went to
        bool triggerSettled = false;  // the catalogue has the table's trigger
        int triggerLookAfterMs = 0;   // the pause before the next look while it has not
        qint64 triggerLookAt = 0;
    };

    Table *Find(const QString &table) const;
    void Withdraw(Wish *wish);
    // Afresh: the first delivery only tells the counts so far (it arms the request).
    void Queue(Table &table, bool afresh);
    void QueueAll();
    // `unreachable`: the server answered, but its port for events cannot be reached from here.
    void Refused(bool unreachable);
    void Arrived(const QString &table, std::uint64_t request, bool delivered);
    // Settled when the catalogue has it; otherwise asks for it and looks again later.
    void LookForTrigger(Table &table);
    void LookForTriggers();
    void ScheduleTriggerLook();

    EventSource &session_;
    std::map<QString, std::unique_ptr<Table>> tables_;
    std::uint64_t seenAttachment_ = 0;
    bool queueScheduled_ = false;
    int refusals_ = 0;                    // requests refused one after another
    bool mayAsk_ = true;                  // false while resting after a refusal
    std::uint64_t droppedAttachment_ = 0; // the attachment a refused request cost
    int retryPauseMs_ = 30000;
    QTimer *retry_;       // asks again a server that refused
    QTimer *triggerLook_; // looks for the triggers still missing
    QElapsedTimer clock_;
};
