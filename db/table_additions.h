#pragma once
// What the program adds beside the shared tables where it is missing:
// - a descending index on the number N, which makes "the largest N" a look-up of a few pages
//   instead of a read of every row (the UNIQUE index on N is ascending and cannot serve MAX);
// - a trigger that posts an event named after the table whenever a row lands there, so that
//   PCs listening for it learn of the row the moment it is committed.
// - indexes a window's reads need (IndexInBackground), built without holding up any window.
// PCs with older builds neither see nor need any of them: the tables' creation scripts and the
// rows they store stay as they were, and DROP TABLE takes the additions with it.

#include "background_addition.h"

#include <QString>
#include <QStringList>

class DatabaseSession;

namespace additions {

enum class Outcome {
    Present, // it was there already
    Added,   // this call made it
    Busy,    // another PC has the table in use: try again another time
    Failed,  // no table, no server, no right to change it
};

QString NumberIndexName(const QString &table);  // IMG_12 -> IMG_12_NDESC
QString EventTriggerName(const QString &table); // IMG_12 -> IMG_12_EVENT
QStringList NumberIndex(const QString &table);
// Posts the event named `table` after each insert, and after each update when asked.
QStringList EventTrigger(const QString &table, bool onUpdateToo);

Outcome EnsureNumberIndex(DatabaseSession &db, const QString &table);
Outcome EnsureEventTrigger(DatabaseSession &db, const QString &table, bool onUpdateToo);

// An ascending index named `name` on `columns` (as in "CDATE" or "CDATE,N") of `table`.
QStringList Index(const QString &name, const QString &table, const QString &columns);

// An index a window needs on a table that may hold a million rows, whose building takes longer
// than any call of the session may wait: it is built on an attachment of its own, and the
// window goes on meanwhile (reads are not held up by the building; writes to the table are).
class IndexInBackground {
public:
    IndexInBackground(QString name, QString table, QString columns);

    // Called now and then (at each poll of the window): takes the outcome of a building that
    // has ended, and when the index is still missing and the last attempt is a few calls back,
    // starts building it. True once the index is there.
    bool Ensure(DatabaseSession &db);
    // Being built now: a write to the table would wait for the building to end.
    bool Building();
    // Gives a building under way up to `limit` to end (on a table of ordinary size it takes a
    // moment); true when no building is under way now.
    bool Built(std::chrono::milliseconds limit);

private:
    // Calls between two attempts: another PC's statement on the table, or no right to change
    // it, may well last.
    static constexpr int kCallsBetweenAttempts = 6;

    QString name_, table_, columns_;
    BackgroundAddition building_;
    bool there_ = false;
    bool running_ = false;
    int callsToWait_ = 0;
};

// Present or Added: nothing more to do for it in this session.
inline bool Settled(Outcome outcome)
{
    return outcome == Outcome::Present || outcome == Outcome::Added;
}

} // namespace additions
