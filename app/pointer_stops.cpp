#include "pointer_stops.h"

#include "database_session.h"

namespace {
constexpr int kRetryMs = 1000;
}

PointerStops::PointerStops(DatabaseSession &db, QObject *parent) : QObject(parent), db_(db)
{
    timer_.setInterval(kRetryMs);
    connect(&timer_, &QTimer::timeout, this, &PointerStops::Retry);
}

bool PointerStops::Landed(int member)
{
    // Only the state: the row keeps the last position its window wrote.
    if (db_.UpdateRows(QStringLiteral("MOUSEPOS"), 1, {QStringLiteral("ST")}, {QStringLiteral("0")},
                       QStringLiteral("MN=%1 AND ST=1").arg(member)))
        return true;
    return !db_.ServerUnreachable();
}

void PointerStops::Stop(int member)
{
    if (member == 0 || members_.contains(member)) return;
    if (Landed(member)) return;
    members_ << member;
    timer_.start();
}

void PointerStops::Cancel(int member)
{
    members_.removeAll(member);
    if (members_.isEmpty()) timer_.stop();
}

void PointerStops::Retry()
{
    timer_.stop(); // a write may wait for the server: ticks never overlap
    for (int i = 0; i < members_.size();) {
        if (Landed(members_[i]))
            members_.removeAt(i);
        else
            ++i;
    }
    if (!members_.isEmpty()) timer_.start();
}
