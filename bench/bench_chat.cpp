// Measures the chat window on a CHAT table that holds many lines of earlier days: an idle poll
// (nothing new) against a SELECT COUNT(*) of the table, in turns in one run, and what showing the
// window (which adds the index on the date) and sending one line cost at that size. An idle poll
// is also timed with one line of today that no member wrote, which the poll must look at again
// every time. For comparison it times the poll's statement before the index exists (what a PC
// without the right to add it pays) and the largest number of all, which reads the whole table.
// Needs the server named in OEKAKI_TEST_SERVER / OEKAKI_TEST_DATA (bench/run.sh starts one);
// makes a database of its own there and drops it at the end.

#include "bench_common.h"
#include "chat_lines.h"
#include "chat_window.h"
#include "cp932.h"
#include "main_window.h"
#include "pair_report.h"
#include "raw_connection.h"

#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {

constexpr double kGoalRatio = 0.1;

struct Options {
    int lines = 1000000;
    int rounds = 11; // odd, so the median is one measured round
    int sends = 5;
};

bool ParseOptions(const QCoreApplication &app, Options &options)
{
    return ParseCounts(
        app, QStringLiteral("Chat window: idle poll against SELECT COUNT(*), show and send."),
        {{"lines", "Lines of earlier days in CHAT.", &options.lines},
         {"rounds", "Rounds of poll and count; the median counts.", &options.rounds},
         {"sends", "Lines sent; the median counts.", &options.sends}});
}

Settings BenchDatabase()
{
    Settings settings;
    settings.ServerPrefix = qEnvironmentVariable("OEKAKI_TEST_SERVER");
    settings.DataFolder = qEnvironmentVariable("OEKAKI_TEST_DATA");
    settings.DatabaseFileName =
        QStringLiteral("BENCH_CHAT_%1.FDB").arg(QCoreApplication::applicationPid());
    settings.PcUserNumber = 1;
    return settings;
}

// Lines of earlier days, all in one statement and one transaction on the server.
QStringList FillScript(int lines)
{
    return {QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN"),
            QStringLiteral("  WHILE (I <= %1) DO BEGIN").arg(lines),
            QStringLiteral("    INSERT INTO CHAT VALUES (:I, MOD(:I, 5) + 1, "
                           "'前の日の行です。お疲れさまでした ' || :I,"),
            QStringLiteral("      '2019' || LPAD(MOD(:I / 3000, 12) + 1, 2, '0') || "
                           "LPAD(MOD(:I / 100, 28) + 1, 2, '0'), '120000');"),
            QStringLiteral("    I = I + 1;"),
            QStringLiteral("  END"),
            QStringLiteral("END")};
}

bool SetUpDatabase(TForm1 &form1, int lines)
{
    DatabaseSession &db = form1.Db();
    if (!db.CreateMemberTable() || !db.CreateChatTable()) return false;
    for (int n = 1; n <= 5; ++n)
        if (!db.InsertRow(QStringLiteral("MEMBER"), 3, {"N", "SN", "PNAME"},
                          {QString::number(n), "0", QStringLiteral("'メンバー%1'").arg(n)}))
            return false;
    // On a bare attachment: the session cuts off any call that waits longer than five seconds.
    RawConnection raw;
    QByteArray script;
    if (!cp932::Encode(FillScript(lines).join(QLatin1Char('\n')), script) ||
        !raw.Attach(DatabasePath(form1.settings()).toLocal8Bit()))
        return false;
    const Stopwatch fill;
    if (!raw.ExecuteInOwnTransaction(script)) return false;
    std::printf("filled %d lines of earlier days in %.1f s\n", lines, fill.Elapsed().wall);
    return true;
}

TForm10 *OpenChat(TForm1 &form1)
{
    form1.SetChildWindowFactory(ChildWindow::Chat,
                                [](TForm1 &owner) { return new TForm10(owner); });
    form1.mnuChatStartClick();
    for (QMdiSubWindow *frame : form1.MdiArea()->subWindowList())
        if (auto *chat = qobject_cast<TForm10 *>(frame->widget())) return chat;
    return nullptr;
}

double MedianWall(const std::vector<Timing> &timings)
{
    std::vector<double> walls;
    for (const Timing &t : timings) walls.push_back(t.wall);
    return Median(walls);
}

template <class Work> Timing Time(Work work)
{
    const Stopwatch watch;
    work();
    return watch.Elapsed();
}

void PrintRow(const char *what, double seconds, double countSeconds)
{
    std::printf("%-44s %10.2f ms %8.3f x COUNT(*)\n", what, seconds * 1e3, seconds / countSeconds);
}

bool Measure(TForm1 &form1, const Options &options)
{
    if (!SetUpDatabase(form1, options.lines)) return false;
    DatabaseSession &db = form1.Db();
    QStringList field{QString()};
    auto count = [&] {
        db.SelectFirstRow(QStringLiteral("COUNT(*)"), QStringLiteral("CHAT"), {}, field);
    };
    count(); // the first read after the fill pays for the server's cache

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    auto pollStatement = [&] {
        db.OpenSelect(chat::RefreshColumns(), "CHAT,MEMBER", chat::RefreshCondition(today, 0),
                      "CHAT.N");
        db.CloseSelect();
    };
    std::vector<Timing> withoutIndex;
    for (int turn = 0; turn < 3; ++turn) withoutIndex.push_back(Time(pollStatement));

    TForm10 *chat = nullptr;
    const Timing show = Time([&] { chat = OpenChat(form1); });
    if (!chat || field[0].toInt() != options.lines) return false;
    // The window builds its index on the date in the background and goes on polling meanwhile.
    const Stopwatch building;
    std::vector<Timing> buildingPolls;
    auto indexed = [&] {
        return db.CountRows("RDB$INDICES", "RDB$INDEX_NAME='" + chat::kDateIndex + "'") == 1;
    };
    while (!indexed()) {
        if (building.Elapsed().wall > 300) {
            std::fprintf(stderr, "the window did not add its index\n");
            return false;
        }
        buildingPolls.push_back(Time([&] { chat->Timer1Timer(); }));
        QThread::msleep(100);
    }
    const double buildWall = building.Elapsed().wall;
    chat->Timer1Timer(); // the window learns that its index is there

    std::vector<Timing> counts, polls;
    for (int turn = 0; turn < options.rounds; ++turn)
        RunInTurn(
            turn, [&] { counts.push_back(Time(count)); },
            [&] { polls.push_back(Time([&] { chat->Timer1Timer(); })); });
    const double countWall = MedianWall(counts);
    const double pollWall = MedianWall(polls);

    // A line of today above all others that no member wrote: it may still qualify, so every
    // poll looks at it again.
    if (!db.InsertRow(
            "CHAT", 5, {"N", "MN", "CTEXT", "CDATE", "CTIME"},
            {QString::number(options.lines + 1), "99", "'x'", "'" + today + "'", "'120000'"}))
        return false;
    std::vector<Timing> pendingPolls;
    for (int turn = 0; turn < options.rounds; ++turn)
        pendingPolls.push_back(Time([&] { chat->Timer1Timer(); }));

    std::vector<Timing> wholeMax;
    for (int turn = 0; turn < 3; ++turn)
        wholeMax.push_back(Time([&] { db.SelectMax("CHAT", "N", QString()); }));

    std::vector<Timing> sends;
    for (int i = 0; i < options.sends; ++i) {
        chat->Edit1->setText(QStringLiteral("送信テスト%1").arg(i));
        sends.push_back(Time([&] {
            QChar enter(13);
            chat->Edit1KeyPress(enter);
        }));
        if (!chat->Edit1->text().isEmpty()) return false; // not sent
    }
    std::vector<Timing> busyPolls;
    for (int turn = 0; turn < options.rounds; ++turn)
        busyPolls.push_back(Time([&] { chat->Timer1Timer(); }));

    std::printf("\nCHAT of %d lines of earlier days; medians of %d rounds, taken in turns\n",
                options.lines, options.rounds);
    PrintRow("SELECT COUNT(*) FROM CHAT", countWall, countWall);
    PrintRow("idle poll (nothing new)", pollWall, countWall);
    PrintRow("idle poll, a line of today by no member", MedianWall(pendingPolls), countWall);
    PrintRow("showing the window", show.wall, countWall);
    PrintRow("building the date index, in the background", buildWall, countWall);
    double longest = 0;
    for (const Timing &t : buildingPolls) longest = std::max(longest, t.wall);
    PrintRow("longest poll while the index was built", longest, countWall);
    PrintRow("sending one line (median)", MedianWall(sends), countWall);
    PrintRow("poll after the sends (today's lines shown)", MedianWall(busyPolls), countWall);
    PrintRow("the poll's statement without the date index", MedianWall(withoutIndex), countWall);
    PrintRow("SELECT MAX(N) of the whole table", MedianWall(wholeMax), countWall);
    const double ratio = pollWall / countWall;
    std::printf("\nidle poll / COUNT(*) = %.4f (goal at 1,000,000 lines: <= %.2f): %s\n", ratio,
                kGoalRatio, ratio <= kGoalRatio ? "met" : "MISSED");
    SummaryFigure(QStringLiteral("chat idle poll / COUNT(*), %1 lines").arg(options.lines),
                  QString::number(ratio, 'f', 4), QStringLiteral("<= %1").arg(kGoalRatio),
                  ratio <= kGoalRatio);
    SummaryFigure(QStringLiteral("chat: sending one line, ms"),
                  QString::number(MedianWall(sends) * 1000, 'f', 1));
    SummaryFigure(QStringLiteral("chat: building the date index, s"),
                  QString::number(buildWall, 'f', 2));
    chat->parentWidget()->close();
    return ratio <= kGoalRatio;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    if (!ParseOptions(app, options)) return 2;
    const Settings database = BenchDatabase();
    if (database.ServerPrefix.isEmpty()) {
        std::fprintf(stderr, "run through bench/run.sh chat, which starts a server\n");
        return 2;
    }

    QTemporaryDir dir;
    bool ok = false;
    {
        TForm1 form1(dir.filePath(QStringLiteral("bench.dat")));
        form1.settings() = database;
        form1.CreateDatabaseFile();
        if (form1.Connected()) {
            form1.SaveSettings(dir.filePath(QStringLiteral("bench.dat")));
            form1.show(); // loads the same settings, as the program does at start
            ok = Measure(form1, options);
        } else {
            std::fprintf(stderr, "cannot create the database: %s\n",
                         qPrintable(form1.Db().LastErrorText()));
        }
        form1.DisconnectDatabase();
    }
    RawConnection raw;
    if (raw.Attach(DatabasePath(database).toLocal8Bit()) && !raw.Drop())
        std::fprintf(stderr, "could not drop the database\n");
    return ok ? 0 : 1;
}
