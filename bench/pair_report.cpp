#include "pair_report.h"

#include "bench_common.h"

#include <algorithm>
#include <cstdio>

namespace {

Timing Aggregated(PairResult::Aggregate aggregate, const std::vector<Timing> &rounds)
{
    std::vector<double> wall, cpu;
    for (const Timing &t : rounds) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    if (aggregate == PairResult::Aggregate::Median) return {Median(wall), Median(cpu)};
    Timing sum;
    for (const Timing &t : rounds) sum += t;
    return sum;
}

QString AggregateLabel(const PairResult &pair)
{
    const auto rounds = qulonglong(pair.raw.size());
    return pair.aggregate == PairResult::Aggregate::Sum
               ? QStringLiteral("sum of %1").arg(rounds)
               : QStringLiteral("median of %1").arg(rounds);
}

void PrintWallTable(const std::vector<PairResult> &pairs, double goalRatio)
{
    std::printf("%-26s %-12s %7s %8s %10s %9s %11s %6s  %s\n", "pair", "aggregate", "rows", "raw s",
                "raw rows/s", "session s", "session r/s", "ratio", "goal");
    for (const PairResult &pair : pairs) {
        const double raw = pair.Raw().wall;
        const double session = pair.Session().wall;
        const double ratio = session / raw;
        std::printf("%-26s %-12s %7lld %8.4f %10.0f %9.4f %11.0f %6.3f  %s\n",
                    qPrintable(pair.name), qPrintable(AggregateLabel(pair)), pair.Rows(), raw,
                    double(pair.Rows()) / raw, session, double(pair.Rows()) / session, ratio,
                    ratio <= goalRatio ? "met" : "NOT met");
        SummaryFigure(pair.name + QStringLiteral(" / raw"), QString::number(ratio, 'f', 3),
                      QStringLiteral("<= %1").arg(goalRatio, 0, 'f', 2), ratio <= goalRatio);
    }
    std::printf("ratio = session s / raw s, wall clock; goal: ratio <= %.2f\n", goalRatio);
}

void PrintCpuTable(const std::vector<PairResult> &pairs)
{
    std::printf("\nclient CPU, this process only (the server's share is the same for both):\n");
    std::printf("%-26s %9s %13s %16s\n", "pair", "raw cpu s", "session cpu s", "extra us per row");
    for (const PairResult &pair : pairs) {
        const double raw = pair.Raw().cpu;
        const double session = pair.Session().cpu;
        std::printf("%-26s %9.3f %13.3f %16.2f\n", qPrintable(pair.name), raw, session,
                    (session - raw) * 1e6 / double(pair.Rows()));
    }
}

void PrintRounds(const std::vector<PairResult> &pairs)
{
    std::printf("\nrounds (wall s raw / session = ratio):\n");
    for (const PairResult &pair : pairs) {
        std::printf("  %s\n", qPrintable(pair.name));
        for (size_t i = 0; i < pair.raw.size(); ++i)
            std::printf("    %zu: %9.4f / %9.4f = %.3f\n", i, pair.raw[i].wall,
                        pair.session[i].wall, pair.session[i].wall / pair.raw[i].wall);
    }
}

} // namespace

long long PairResult::Rows() const
{
    return aggregate == Aggregate::Sum ? rowsPerRound * (long long)raw.size() : rowsPerRound;
}

Timing PairResult::Raw() const
{
    return Aggregated(aggregate, raw);
}
Timing PairResult::Session() const
{
    return Aggregated(aggregate, session);
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintPairs(const std::vector<PairResult> &pairs, double goalRatio)
{
    PrintWallTable(pairs, goalRatio);
    PrintCpuTable(pairs);
    PrintRounds(pairs);
}
