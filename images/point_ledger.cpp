#include "point_ledger.h"

#include <climits>

bool PointLedger::Read(int n)
{
    if (Drawn(n)) return false;
    drawnAbove_.insert(n);
    Advance();
    return true;
}

void PointLedger::ReadUpTo(int highest)
{
    if (highest <= rowsSeen_) return;
    rowsSeen_ = highest;
    drawnAbove_.erase(drawnAbove_.begin(), drawnAbove_.upper_bound(highest));
    Advance();
}

void PointLedger::Stored(int n)
{
    if (Drawn(n)) return;
    drawnAbove_.insert(n);
    Advance();
}

void PointLedger::Advance()
{
    while (!drawnAbove_.empty() && *drawnAbove_.begin() <= rowsSeen_ + 1 && rowsSeen_ < INT_MAX) {
        rowsSeen_ = std::max(rowsSeen_, *drawnAbove_.begin());
        drawnAbove_.erase(drawnAbove_.begin());
    }
}
