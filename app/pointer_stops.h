#pragma once
// Pointer rows that must say the sharing stopped (ST 0) but could not be written because the
// server was away when the pointer window closed or its member changed. The main window keeps
// them and writes them again every second until they land, so that no other PC keeps a frozen
// balloon once the server is back. A member who shares again from this PC is taken off first.

#include <QList>
#include <QObject>
#include <QTimer>

class DatabaseSession;

class PointerStops : public QObject {
    Q_OBJECT

public:
    explicit PointerStops(DatabaseSession &db, QObject *parent = nullptr);

    // Writes ST 0 into the member's row when it says 1; kept for later while the server cannot
    // be reached (or the session is not connected).
    void Stop(int member);
    // The member shares again from this PC: no later write may undo that.
    void Cancel(int member);
    bool Pending(int member) const { return members_.contains(member); }

private:
    bool Landed(int member); // written, or refused for good (no such table)
    void Retry();

    DatabaseSession &db_;
    QTimer timer_;
    QList<int> members_;
};
