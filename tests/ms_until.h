#pragma once
// Timing what another PC's window does: milliseconds until a condition holds, the event loop
// running meanwhile.

#include <QElapsedTimer>
#include <QtTest>
#include <functional>

// -1 once `limitMs` has passed without it.
inline qint64 MsUntil(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return -1;
        QTest::qWait(1);
    }
    return clock.elapsed();
}
