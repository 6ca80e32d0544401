#pragma once
// Storing a chat line under the next free number. Numbers are the largest stored plus one, and
// several PCs may pick the same one at the same moment: the table's UNIQUE number refuses all but
// one of them, and the others step past numbers that are really taken. Any other refusal (server
// gone, table dropped, a text the column cannot hold) ends the attempt at once.

#include <QString>
#include <optional>

class DatabaseSession;

namespace chat {

// Numbers found taken before a send gives up: far more PCs than an office has, sending at once.
inline constexpr int kMaxTakenNumbers = 100;

// The largest line number above `lookedAt` as text, empty when there is none (or on failure).
// Above a number the caller has already looked at, the table's index finds it without reading
// the whole table; at 0 it is the largest of all.
QString TopNumberAbove(DatabaseSession &db, int lookedAt);

struct ChatLine {
    int member = 0; // MEMBER.N of the writer
    QString text;   // free of quotes already
    QString date;   // "yyyymmdd"
    QString time;   // "hhnnss"
};

struct StoreOutcome {
    bool stored = false;
    int number = 0;       // the line's number when stored
    int numbersTaken = 0; // numbers other PCs took first
    // Not stored as far as anyone can tell, but its commit went unanswered and the server could
    // not be asked whether it arrived: the number it may be stored under (0 otherwise).
    int unsure = 0;
};

// `lookedAt`: a line number known to exist or to have existed (0 when none is known); the new
// number is above it, or, when that is the top of the range, above the largest stored now.
// Not stored while a line holds 2147483647.
StoreOutcome StoreChatLine(DatabaseSession &db, int lookedAt, const ChatLine &line);

// Whether `line` is stored under `number` after all (a line whose outcome was unsure); nothing
// when the server cannot say yet. Sending such a line again without asking would store it twice.
std::optional<bool> StoredAs(DatabaseSession &db, int number, const ChatLine &line);

} // namespace chat
