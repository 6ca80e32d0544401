#pragma once
// What every benchmark needs around its measurements: counts from the command line, where its
// database goes on the server bench/run.sh started, and how busy the machine was.

#include <QByteArray>
#include <QString>
#include <initializer_list>

class QCoreApplication;

struct CountOption {
    const char *name;
    const char *help;
    int *value; // keeps its default unless the option is given
};

// Reads --name n for each count (with --help listing them); false, after saying so, when a
// given count is not a positive whole number.
bool ParseCounts(const QCoreApplication &app, const QString &description,
                 std::initializer_list<CountOption> counts);

// A database file of the benchmark's own on the server bench/run.sh started (empty when it was
// not started that way): "server:folder/BENCH_<name>_<pid>.FDB".
QString BenchDatabasePath(const char *name);

// Other programs busy on the same two cores and disk make the figures swing; this says how busy.
QByteArray LoadAverage();

// One figure of the project-wide table bench/run.sh all prints: appended as a tab-separated line
// to the file OEKAKI_BENCH_SUMMARY names, when it names one. An empty goal: shown, not judged.
void SummaryFigure(const QString &figure, const QString &value, const QString &goal = QString(),
                   bool met = true);
