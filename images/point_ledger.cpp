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

void PointLedger::NoteStroke(int member, int stroke, bool memberNull, bool strokeNull)
{
    if (memberNull || strokeNull) return;
    auto it = highestStroke_.find(member);
    if (it == highestStroke_.end())
        highestStroke_.insert(member, stroke);
    else if (stroke > *it)
        *it = stroke;
}

int PointLedger::NextStroke(int member) const
{
    const auto it = highestStroke_.constFind(member);
    if (it == highestStroke_.constEnd()) return 1;
    return *it == INT_MAX ? INT_MAX : *it + 1;
}
