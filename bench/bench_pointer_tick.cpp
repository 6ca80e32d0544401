// What one tick of the pointer sharing window costs while many members share their pointers:
// this member's row written (check and update), every other member's row read, and each of
// their balloons moved. Between ticks the other members' rows change, as their PCs would make
// them. Needs the server named in OEKAKI_TEST_SERVER / OEKAKI_TEST_DATA (bench/run.sh starts
// one); runs on the offscreen platform unless QT_QPA_PLATFORM names another (xcb for a real
// display). Makes a database file of its own and drops it at the end.

#include "bench_common.h"
#include "main_window.h"
#include "name_balloon.h"
#include "pointer_window.h"
#include "raw_connection.h"
#include "select_rows.h"
#include "stopwatch.h"

#include <QApplication>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double kTickPeriodMs = 1000;

struct Options {
    int members = 50; // others sharing
    int rounds = 30;
};

bool ParseOptions(const QCoreApplication &app, Options &options)
{
    return ParseCounts(app, QStringLiteral("Cost of one pointer sharing tick."),
                       {{"members", "Other members sharing.", &options.members},
                        {"rounds", "Ticks measured after the first.", &options.rounds}});
}

Settings FreshDatabase()
{
    const auto env = QProcessEnvironment::systemEnvironment();
    Settings settings;
    settings.ServerPrefix = env.value(QStringLiteral("OEKAKI_TEST_SERVER"));
    settings.DataFolder = env.value(QStringLiteral("OEKAKI_TEST_DATA"));
    settings.DatabaseFileName =
        QStringLiteral("BENCH_POINTER_%1.FDB").arg(QCoreApplication::applicationPid());
    settings.PcUserNumber = 1;
    return settings;
}

// Member 1 is this PC's user; members 2 .. others + 1 share their pointers.
bool Populate(DatabaseSession &db, int others)
{
    bool ok = db.CreateMemberTable() && db.CreateMousePosTable();
    for (int n = 1; ok && n <= others + 1; ++n)
        ok = db.InsertRow("MEMBER", 3, {"N", "SN", "PNAME"},
                          {QString::number(n), "0", QStringLiteral("'メンバー%1'").arg(n)});
    for (int n = 2; ok && n <= others + 1; ++n)
        ok =
            db.InsertRow("MOUSEPOS", 4, {"MN", "ST", "MX", "MY"},
                         {QString::number(n), "1", QString::number(n * 7), QString::number(n * 5)});
    return ok;
}

struct Figures {
    double median = 0, p90 = 0, max = 0;
};

Figures Summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) { return ms[size_t(q * double(ms.size() - 1) + 0.5)]; };
    return {at(0.5), at(0.9), ms.back()};
}

void PrintLine(const char *what, const Figures &f)
{
    std::printf("%-34s %9.2f %9.2f %9.2f %8.2f %%\n", what, f.median, f.p90, f.max,
                100.0 * f.median / kTickPeriodMs);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    if (!ParseOptions(app, options)) return 2;
    if (qEnvironmentVariableIsEmpty("OEKAKI_TEST_SERVER")) {
        std::fprintf(stderr, "run it through bench/run.sh pointer_tick\n");
        return 2;
    }

    QTemporaryDir dir;
    const Settings settings = FreshDatabase();
    int status = 1;
    {
        TForm1 form1(dir.filePath("bench.dat"));
        form1.settings() = settings;
        form1.CreateDatabaseFile();
        DatabaseSession others; // the other PCs, moving their pointers between ticks
        others.ConnectDatabase(DatabasePath(settings));
        if (!form1.Connected() || !others.Connected() || !Populate(form1.Db(), options.members)) {
            std::fprintf(stderr, "cannot prepare %s: %s\n", qPrintable(DatabasePath(settings)),
                         qPrintable(form1.Db().LastErrorText()));
        } else {
            form1.move(150, 120);
            TForm12 window(form1);
            window.show(); // publishes this member's row and starts the timer, which we drive
            window.Timer1->stop();
            const auto tick = [&] {
                Stopwatch watch;
                window.Timer1Timer();
                const double ms = watch.Elapsed().wall * 1000;
                window.Timer1->stop();
                return ms;
            };
            const auto othersMove = [&](int round) {
                others.UpdateRows("MOUSEPOS", 2, {"MX", "MY"},
                                  {QStringLiteral("MX+%1").arg(round % 3 + 1), "MY+1"}, "MN<>1");
                QCoreApplication::processEvents(); // what the moves asked of the display
            };

            const double first = tick();
            int balloons = 0;
            for (const PointerEntry &entry : window.PointerEntries) balloons += entry.Shown;
            QCoreApplication::processEvents();

            std::vector<double> ticks, publish, select;
            const QString where = QStringLiteral("MOUSEPOS.MN<>1 AND MOUSEPOS.MN=MEMBER.N");
            for (int round = 0; round < options.rounds; ++round) {
                othersMove(round);
                ticks.push_back(tick());
                // The statements of a tick on their own, for the share the balloons take.
                Stopwatch p;
                if (form1.Db().KeyExists("MOUSEPOS", "MN", QString(), 1))
                    form1.Db().UpdateRows("MOUSEPOS", 4, {"MN", "ST", "MX", "MY"},
                                          {"1", "1", "10", "10"}, "MN=1");
                publish.push_back(p.Elapsed().wall * 1000);
                Stopwatch s;
                SelectRows(form1.Db(),
                           "MOUSEPOS.MN,MOUSEPOS.ST,MOUSEPOS.MX,MOUSEPOS.MY,MEMBER.PNAME",
                           "MOUSEPOS,MEMBER", where, "MOUSEPOS.MN", 5);
                select.push_back(s.Elapsed().wall * 1000);
            }
            RawConnection probe;
            const int forced =
                probe.Attach(DatabasePath(settings).toLocal8Bit()) ? probe.ForcedWrites() : -1;
            probe.Detach();
            std::printf("platform %s, %d other members sharing, %d balloons shown, %d ticks\n"
                        "forced writes %s, load average %s\n\n",
                        qPrintable(QGuiApplication::platformName()), options.members, balloons,
                        options.rounds,
                        forced == 1   ? "on"
                        : forced == 0 ? "off"
                                      : "unknown",
                        LoadAverage().constData());
            std::printf("first tick (creates every balloon)  %9.2f ms  %8.2f %% of the second\n\n",
                        first, 100.0 * first / kTickPeriodMs);
            std::printf("%-34s %9s %9s %9s %10s\n", "later ticks, ms", "median", "p90", "max",
                        "of 1 s");
            const Figures whole = Summarise(ticks);
            PrintLine("whole tick", whole);
            // A tick shares the UI thread with everything else the PC does: a tenth of it at most.
            SummaryFigure(QStringLiteral("pointer tick, %1 members sharing, median ms")
                              .arg(options.members),
                          QString::number(whole.median, 'f', 2), QStringLiteral("<= 100"),
                          whole.median <= 100);
            PrintLine("  write own row (check + update)", Summarise(publish));
            PrintLine("  read the others' rows", Summarise(select));
            status = balloons == options.members ? 0 : 1;
            if (status) std::fprintf(stderr, "expected %d balloons\n", options.members);
            window.close();
        }
        others.DisconnectDatabase();
        form1.DisconnectDatabase();
    }
    RawConnection raw;
    if (!raw.Attach(DatabasePath(settings).toLocal8Bit()) || !raw.Drop()) {
        std::fprintf(stderr, "could not drop %s\n", qPrintable(DatabasePath(settings)));
        status = 1;
    }
    return status;
}
