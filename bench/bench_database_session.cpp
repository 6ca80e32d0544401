// Measures what the database session costs on top of the bare Firebird C interface, for the two
// things drawing does most: storing one stroke point per transaction and reading whole tables.
// Needs the test server named in OEKAKI_TEST_SERVER / OEKAKI_TEST_DATA (bench/run.sh starts one);
// makes a database file of its own there and drops it at the end.

#include "bench_common.h"
#include "database_session.h"
#include "insert_pair.h"
#include "pair_report.h"
#include "raw_connection.h"
#include "read_pair.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcessEnvironment>
#include <cstdio>
#include <vector>

namespace {

constexpr double kGoalRatio = 1.15;

struct Options {
    int insertRows = 2000;
    int readRows = 100000;
    int insertRounds = 4; // several, to show how steady the disk was
    int readRounds = 7;   // odd, so the median is one measured round
};

bool ParseOptions(const QCoreApplication &app, Options &options)
{
    return ParseCounts(
        app, QStringLiteral("Session against raw C interface: inserts and a full read."),
        {{"insert-rows", "Rows each side stores a round.", &options.insertRows},
         {"insert-rounds", "Rounds of storing; the sides take turns every 100 rows.",
          &options.insertRounds},
         {"read-rows", "Rows of the table both sides read.", &options.readRows},
         {"read-rounds", "Rounds of reading; the median counts.", &options.readRounds}});
}

QString FreshDatabasePath()
{
    const auto env = QProcessEnvironment::systemEnvironment();
    return env.value(QStringLiteral("OEKAKI_TEST_SERVER"), QStringLiteral("127.0.0.1/3051:")) +
           env.value(QStringLiteral("OEKAKI_TEST_DATA"), QStringLiteral("/tmp/")) +
           QStringLiteral("BENCH_%1.FDB").arg(QCoreApplication::applicationPid());
}

const char *ForcedWritesText(int state)
{
    return state == 1 ? "on" : state == 0 ? "off" : "unknown";
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Options options;
    if (!ParseOptions(app, options)) return 2;

    const QString path = FreshDatabasePath();
    DatabaseSession session;
    session.CreateDatabaseFile(path);
    if (!session.Connected()) {
        std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(path),
                     qPrintable(session.LastErrorText()));
        return 1;
    }
    RawConnection raw;
    std::vector<PairResult> pairs(2);
    bool ok = raw.Attach(path.toLocal8Bit());
    if (ok) {
        std::printf("database %s, forced writes %s, load average %s\n\n", qPrintable(path),
                    ForcedWritesText(raw.ForcedWrites()), LoadAverage().constData());
        std::fflush(stdout);
    }
    ok = ok && MeasureInsertPair(session, raw, options.insertRows, options.insertRounds, pairs[0]);
    ok = ok && MeasureReadPair(session, raw, options.readRows, options.readRounds, pairs[1]);
    if (ok) {
        PrintPairs(pairs, kGoalRatio);
        std::printf("load average at the end %s\n", LoadAverage().constData());
    }

    // The file goes whatever happened; a drop needs every other attachment gone.
    session.DisconnectDatabase();
    if (!raw.Attached()) raw.Attach(path.toLocal8Bit());
    const bool dropped = raw.Drop();
    if (!dropped) std::fprintf(stderr, "could not drop %s\n", qPrintable(path));
    return ok && dropped ? 0 : 1;
}
