// Measures the drawing board where its users wait, each against the bare Firebird C interface
// doing the database part of the same work in the same run:
//   open   opening a picture of 100,000 points (replayed to a finished image on screen)
//          against fetching the same rows as text;
//   poll   an idle poll of a picture of 1,000,000 points against SELECT COUNT(*) of its table;
//   store  storing a 50-point stroke on a picture of 100,000 points against the 50 one-row
//          inserts alone (a transaction each), into a table with the same indexes.
// Needs the test server named in OEKAKI_TEST_SERVER / OEKAKI_TEST_DATA (bench/run.sh starts one);
// makes a database file of its own there and drops it at the end.

#include "bench_common.h"
#include "board_canvas.h"
#include "cp932.h"
#include "drawing_board.h"
#include "main_window.h"
#include "pair_report.h"
#include "raw_connection.h"
#include "sql_builders.h"
#include "stopwatch.h"
#include "table_additions.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QStringList kColumns{"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"};
constexpr int kWidth = 800, kHeight = 600;

struct Options {
    int openPoints = 100000;
    int pollPoints = 1000000;
    int strokePoints = 50;
    int openRounds = 5;
    int pollRounds = 21;
    int storeRounds = 9;
};

bool ParseOptions(const QCoreApplication &app, Options &options)
{
    return ParseCounts(
        app, QStringLiteral("Drawing board against raw C interface."),
        {{"open-points", "Points of the picture opened and stored on.", &options.openPoints},
         {"poll-points", "Points of the picture polled.", &options.pollPoints},
         {"stroke-points", "Points of each stroke stored.", &options.strokePoints},
         {"open-rounds", "Rounds of opening; the median counts.", &options.openRounds},
         {"poll-rounds", "Rounds of polling; the median counts.", &options.pollRounds},
         {"store-rounds", "Strokes stored; the median counts.", &options.storeRounds}});
}

// Points numbered 1 ... count, shaped like real strokes: 50 points a stroke, three members,
// every pen shape, sizes 1 to 12, positions on the picture. One statement, one transaction.
QByteArray FillStatement(const QString &table, int count)
{
    return QStringLiteral("EXECUTE BLOCK AS\n"
                          "DECLARE I INTEGER = 1;\n"
                          "BEGIN\n"
                          "  WHILE (I <= %2) DO BEGIN\n"
                          "    INSERT INTO %1 (N, MN, DN, PTYP, PSIZ, PCOL, X, Y)\n"
                          "    VALUES (:I, 1 + MOD(:I / 50, 3), 1 + :I / 150, MOD(:I / 50, 6),\n"
                          "            1 + MOD(:I / 50, 12), MOD(:I * 7919, 16777216),\n"
                          "            MOD(:I * 37, %3), MOD(:I * 53, %4));\n"
                          "    I = I + 1;\n"
                          "  END\n"
                          "END")
        .arg(table)
        .arg(count)
        .arg(kWidth)
        .arg(kHeight)
        .toLatin1();
}

// The rows a raw read fetched, or -1 when it failed.
long long RawFetchAll(RawConnection &db, const QByteArray &select)
{
    ReadTally tally;
    return RawReadAll(db, select, tally) ? tally.rows : -1;
}

bool RawInsertEach(RawConnection &db, const std::vector<QByteArray> &statements)
{
    for (const QByteArray &sql : statements)
        if (!db.ExecuteInOwnTransaction(sql)) return false;
    return true;
}

// A board on a picture, shown; returns once its picture has been painted on screen.
std::unique_ptr<TForm8> OpenBoard(QApplication &app, TForm1 &form1, int number)
{
    form1.CurrentImageNumber = number;
    form1.CurrentImageWidth = kWidth;
    form1.CurrentImageHeight = kHeight;
    auto board = std::make_unique<TForm8>(form1);
    board->show();
    while (board->Image1->Paints() == 0) app.processEvents(QEventLoop::AllEvents, 5);
    return board;
}

QList<QPoint> Stroke(int round, int points)
{
    QList<QPoint> stroke;
    for (int i = 0; i < points; ++i) stroke << QPoint(100 + i * 3, 100 + round * 20 + i % 7);
    return stroke;
}

bool MeasureOpen(QApplication &app, TForm1 &form1, RawConnection &raw, const Options &options,
                 PairResult &result)
{
    QByteArray select;
    cp932::Encode(sql::JoinLines(sql::OpenSelect(QStringLiteral("*"), QStringLiteral("IMG_1"),
                                                 QString(), QStringLiteral("N"))),
                  select);
    if (RawFetchAll(raw, select) != options.openPoints) return false; // warms the cache
    result.name = QStringLiteral("open picture");
    result.aggregate = PairResult::Aggregate::Median;
    result.rowsPerRound = options.openPoints;
    for (int round = 0; round < options.openRounds; ++round) {
        bool ok = true;
        Timing rawTime, boardTime;
        RunInTurn(
            round,
            [&] {
                Stopwatch clock;
                ok = ok && RawFetchAll(raw, select) == options.openPoints;
                rawTime = clock.Elapsed();
            },
            [&] {
                Stopwatch clock;
                auto board = OpenBoard(app, form1, 1);
                boardTime = clock.Elapsed();
                ok = ok && board->RowsSeen() == options.openPoints;
            });
        if (!ok) return false;
        result.raw.push_back(rawTime);
        result.session.push_back(boardTime);
    }
    return true;
}

bool MeasurePoll(QApplication &app, TForm1 &form1, RawConnection &raw, const Options &options,
                 PairResult &result)
{
    Stopwatch opening;
    auto board = OpenBoard(app, form1, 2);
    std::printf("opening the %d-point picture took %.2f s (not measured below)\n",
                options.pollPoints, opening.Elapsed().wall);
    Stopwatch counting;
    const int counted = form1.Db().CountRows(QStringLiteral("IMG_2"), QString());
    std::printf("a poll that counted every row first would spend %.3f s counting (%d rows)\n",
                counting.Elapsed().wall, counted);
    if (board->RowsSeen() != options.pollPoints) return false;
    const QByteArray count = "SELECT COUNT(*) FROM IMG_2";
    result.name = QStringLiteral("idle poll");
    result.aggregate = PairResult::Aggregate::Median;
    result.rowsPerRound = options.pollPoints;
    for (int round = 0; round < options.pollRounds; ++round) {
        bool ok = true;
        Timing rawTime, boardTime;
        RunInTurn(
            round,
            [&] {
                Stopwatch clock;
                ok = ok && RawFetchAll(raw, count) == 1;
                rawTime = clock.Elapsed();
            },
            [&] {
                Stopwatch clock;
                board->Timer1Timer();
                boardTime = clock.Elapsed();
                ok = ok && board->RowsSeen() == options.pollPoints;
            });
        if (!ok) return false;
        result.raw.push_back(rawTime);
        result.session.push_back(boardTime);
    }
    return true;
}

bool MeasureStore(QApplication &app, TForm1 &form1, RawConnection &raw, const Options &options,
                  PairResult &result)
{
    auto board = OpenBoard(app, form1, 1);
    board->SpeedButton4Click();
    board->BoardPenShape = 0;
    board->BoardPenSize = 5;
    result.name = QStringLiteral("store a stroke");
    result.aggregate = PairResult::Aggregate::Median;
    result.rowsPerRound = options.strokePoints;
    int rawNext = options.openPoints + 1;
    for (int round = 0; round < options.storeRounds; ++round) {
        const QList<QPoint> stroke = Stroke(round, options.strokePoints);
        // The raw side sends the very statements the board sends, to a table of the same size.
        std::vector<QByteArray> inserts;
        for (const QPoint &p : stroke) {
            const QStringList values{
                QString::number(rawNext++), "1", "1", "0", "5", "0", QString::number(p.x()),
                QString::number(p.y())};
            QByteArray bytes;
            cp932::Encode(
                sql::JoinLines(sql::InsertRow(QStringLiteral("IMG_3"), 8, kColumns, values)),
                bytes);
            inserts.push_back(bytes);
        }
        board->Image1MouseDown(Qt::LeftButton, Qt::LeftButton, stroke[0].x(), stroke[0].y());
        for (const QPoint &p : stroke) board->Image1MouseMove(Qt::LeftButton, p.x(), p.y());

        bool ok = true;
        Timing rawTime, boardTime;
        const int before = board->RowsSeen();
        RunInTurn(
            round,
            [&] {
                Stopwatch clock;
                ok = ok && RawInsertEach(raw, inserts);
                rawTime = clock.Elapsed();
            },
            [&] {
                Stopwatch clock;
                board->Image1MouseUp(Qt::LeftButton, stroke.last().x(), stroke.last().y());
                boardTime = clock.Elapsed();
            });
        if (!ok || board->RowsSeen() != before + options.strokePoints) {
            std::fprintf(stderr, "storing round %d failed\n", round);
            return false;
        }
        result.raw.push_back(rawTime);
        result.session.push_back(boardTime);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    if (!ParseOptions(app, options)) return 2;

    QTemporaryDir dir;
    TForm1 form1(dir.filePath(QStringLiteral("bench.dat")));
    form1.settings().ServerPrefix = qEnvironmentVariable("OEKAKI_TEST_SERVER");
    form1.settings().DataFolder = qEnvironmentVariable("OEKAKI_TEST_DATA");
    form1.settings().DatabaseFileName =
        QStringLiteral("BOARD_%1.FDB").arg(QCoreApplication::applicationPid());
    form1.settings().PcUserNumber = 1;
    form1.settings().DrawWindowWidth = 640;
    form1.settings().DrawWindowHeight = 480;
    const QString path = DatabasePath(form1.settings());
    if (form1.settings().ServerPrefix.isEmpty()) {
        std::fprintf(stderr, "run it with bench/run.sh drawing_board\n");
        return 2;
    }
    form1.CreateDatabaseFile();
    if (!form1.Connected()) {
        std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(path),
                     qPrintable(form1.Db().LastErrorText()));
        return 1;
    }
    RawConnection raw;
    bool ok = raw.Attach(path.toLocal8Bit());
    for (const auto &[table, points] : {std::pair{QStringLiteral("IMG_1"), options.openPoints},
                                        std::pair{QStringLiteral("IMG_2"), options.pollPoints},
                                        std::pair{QStringLiteral("IMG_3"), options.openPoints}}) {
        ok = ok && form1.Db().CreateImageTable(table) &&
             raw.ExecuteInOwnTransaction(FillStatement(table, points));
    }
    // The raw inserts go to a table like the board's: a board adds its indexes beside the table
    // it opens, and every writer of that table, the raw one too, keeps them up.
    ok = ok && additions::Settled(
                   additions::EnsureStrokeTableAdditions(form1.Db(), QStringLiteral("IMG_3")));
    if (ok) {
        std::printf("database %s, forced writes %s, load average %s\n", qPrintable(path),
                    raw.ForcedWrites() == 1 ? "on" : "off", LoadAverage().constData());
        std::fflush(stdout);
    }
    PairResult open, poll, store;
    ok = ok && MeasureOpen(app, form1, raw, options, open);
    ok = ok && MeasurePoll(app, form1, raw, options, poll);
    ok = ok && MeasureStore(app, form1, raw, options, store);
    if (ok) {
        std::printf("\nopen: board replay of %d points to the screen / raw fetch of its rows\n",
                    options.openPoints);
        PrintPairs({open}, 1.5);
        std::printf("\npoll: idle board poll / raw SELECT COUNT(*) of %d points\n",
                    options.pollPoints);
        PrintPairs({poll}, 0.1);
        std::printf("\nstore: board storing a %d-point stroke on %d points / raw one-row "
                    "inserts\n",
                    options.strokePoints, options.openPoints);
        PrintPairs({store}, 1.2);
        std::printf("load average at the end %s\n", LoadAverage().constData());
    }

    form1.DisconnectDatabase();
    if (!raw.Attached()) raw.Attach(path.toLocal8Bit());
    const bool dropped = raw.Drop();
    if (!dropped) std::fprintf(stderr, "could not drop %s\n", qPrintable(path));
    return ok && dropped ? 0 : 1;
}
