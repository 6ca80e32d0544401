#pragma once
// What the program adds beside the shared tables where it is missing:
// - a descending index on the number N, which makes "the largest N" a look-up of a few pages
//   instead of a read of every row (the UNIQUE index on N is ascending and cannot serve MAX);
// - on a stroke table, a descending index on (MN, DN), which makes "the largest stroke number of
//   one member" a look-up as well;
// - a trigger that posts an event named after the table whenever a row lands there, so that
//   PCs listening for it learn of the row the moment it is committed.
// PCs with older builds neither see nor need either: the tables' creation scripts and the rows
// they store stay as they were, and DROP TABLE takes both additions with it.

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

QString NumberIndexName(const QString &table);       // IMG_12 -> IMG_12_NDESC
QString MemberStrokeIndexName(const QString &table); // IMG_12 -> IMG_12_MNDN
QString EventTriggerName(const QString &table);      // IMG_12 -> IMG_12_EVENT
QStringList NumberIndex(const QString &table);
QStringList MemberStrokeIndex(const QString &table);
// Posts the event named `table` after each insert, and after each update when asked.
QStringList EventTrigger(const QString &table, bool onUpdateToo);

Outcome EnsureNumberIndex(DatabaseSession &db, const QString &table);
Outcome EnsureMemberStrokeIndex(DatabaseSession &db, const QString &table);
Outcome EnsureEventTrigger(DatabaseSession &db, const QString &table, bool onUpdateToo);
// What a stroke table IMG_<n> gets: both indexes. Busy when either waits for another PC, Failed
// when either cannot be made, and Present or Added when both are there.
Outcome EnsureStrokeTableAdditions(DatabaseSession &db, const QString &table);

// The same, asked of the session's background additions: returns at once, and the window
// goes on without them until they are there (a board stores its strokes more slowly).
void RequestStrokeTableAdditions(DatabaseSession &db, const QString &table);
void RequestEventTrigger(DatabaseSession &db, const QString &table, bool onUpdateToo);

// Present or Added: nothing more to do for it in this session.
inline bool Settled(Outcome outcome)
{
    return outcome == Outcome::Present || outcome == Outcome::Added;
}

} // namespace additions
