#pragma once
// One measured pair (the raw C loop against the session doing the same work), its rounds, and
// the plain-text tables that show them side by side.

#include "stopwatch.h"

#include <QString>
#include <vector>

struct PairResult {
    enum class Aggregate { Sum, Median };

    QString name;
    Aggregate aggregate = Aggregate::Sum;
    long long rowsPerRound = 0;
    std::vector<Timing> raw; // one entry a round
    std::vector<Timing> session;

    long long Rows() const; // rows the aggregated figures stand for
    Timing Raw() const;
    Timing Session() const;
};

// Runs both sides, the raw one first on even turns: whichever side goes first meets a cold
// cache or a busy disk, so the sides take that turn in alternation.
template <class Raw, class Session> void RunInTurn(int turn, Raw raw, Session session)
{
    if (turn % 2 == 0) {
        raw();
        session();
    } else {
        session();
        raw();
    }
}

double Median(std::vector<double> values);

void PrintPairs(const std::vector<PairResult> &pairs, double goalRatio);
