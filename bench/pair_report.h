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

double Median(std::vector<double> values);

void PrintPairs(const std::vector<PairResult> &pairs, double goalRatio);
