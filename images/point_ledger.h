#pragma once
// Which stored points (by their number N) a board has stamped, so that every point of the
// picture is stamped on the board exactly once: its own points while they are captured, the
// others' when a poll, the replay or a collision while storing reads them.
//
// RowsSeen is the number below which everything is drawn: every N <= RowsSeen has been
// stamped, and it never passes a number the board has not drawn. Points drawn above it (the
// board's own, stored past points of others it has not read yet) wait in a small set until the
// numbers between are read.

#include <set>

class PointLedger {
public:
    int RowsSeen() const { return rowsSeen_; }
    bool Drawn(int n) const { return n <= rowsSeen_ || drawnAbove_.count(n) > 0; }

    // A stored point was read. True when the board must stamp it now; false when it already
    // has (an own point, or one read before).
    bool Read(int n);
    // A poll read every stored point above RowsSeen, up to and including `highest`: every
    // number up to there is drawn now. Numbers never stored (a gap) are not waited for.
    void ReadUpTo(int highest);
    // The board stored one of its own points under number n; it was stamped when captured.
    void Stored(int n);

    void Clear() { *this = PointLedger(); }

private:
    void Advance();

    int rowsSeen_ = 0;
    std::set<int> drawnAbove_;
};
