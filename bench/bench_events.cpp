// How soon another PC's row shows, now that the server wakes the windows with event alerts, and
// what sharing costs the server while ten members move their pointers.
//
// 1. From the commit of a row on one session to the refresh that shows it on another: a point
//    on a drawing board, a chat line, a pointer position; median and worst of --samples each.
//    Once with both sessions in this process, once with the writer in a process of its own
//    (this program, started with --writer), timed on the one monotonic clock both share.
// 2. --members PCs (a process each) with their pointer windows open while their pointers keep
//    moving, for --seconds: the commits and the reads per second they cost the server.
//
// Needs the server named in OEKAKI_TEST_SERVER / OEKAKI_TEST_DATA (bench/run.sh starts one);
// runs on the offscreen platform; makes a database file of its own and drops it at the end.

#include "bench_common.h"
#include "chat_window.h"
#include "drawing_board.h"
#include "event_refresh.h"
#include "main_window.h"
#include "pointer_follower.h"
#include "pointer_window.h"
#include "raw_connection.h"

#include <QApplication>
#include <QCursor>
#include <QDate>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int samples = 100;
    int members = 10;
    int seconds = 10;
};

double MsSince(Clock::time_point start, Clock::time_point end = Clock::now())
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

long long NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

Settings BenchDatabase(int member)
{
    Settings settings;
    settings.ServerPrefix = qEnvironmentVariable("OEKAKI_TEST_SERVER");
    settings.DataFolder = qEnvironmentVariable("OEKAKI_TEST_DATA");
    settings.DatabaseFileName =
        QStringLiteral("BENCH_EVENTS_%1.FDB").arg(QCoreApplication::applicationPid());
    settings.PcUserNumber = member;
    return settings;
}

// --- the writing side -----------------------------------------------------------------------

// What another PC writes: the next point of picture 1, the next chat line, its pointer. One
// count numbers them all, so a row's number (or the pointer's X) tells which write made it.
class Writer {
public:
    Writer(DatabaseSession &db, int last) : db_(db), count_(last) {}
    bool Write(const std::string &what)
    {
        ++count_;
        const QString n = QString::number(count_);
        if (what == "board")
            return db_.InsertRow("IMG_1", 8, {"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"},
                                 {n, "1", n, "2", "3", "255", QString::number(count_ % 60),
                                  QString::number(count_ % 40)});
        if (what == "chat")
            return db_.InsertRow(
                "CHAT", 5, {"N", "MN", "CTEXT", "CDATE", "CTIME"},
                {n, "1", QStringLiteral("'行%1'").arg(count_),
                 "'" + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + "'",
                 "'120000'"});
        return db_.UpdateRows("MOUSEPOS", 2, {"MX", "MY"}, {n, "7"}, "MN=1");
    }
    int Count() const { return count_; }

private:
    DatabaseSession &db_;
    int count_;
};

// The writer process: reads a kind per line, writes it, answers with the time of the commit.
int RunWriter(const QString &path, int last)
{
    DatabaseSession db;
    db.ConnectDatabase(path);
    if (!db.Connected()) return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    Writer writer(db, last);
    std::string what;
    while (std::getline(std::cin, what)) {
        const bool ok = writer.Write(what);
        std::printf("%s %lld\n", ok ? "done" : "failed", NowNs());
        std::fflush(stdout);
    }
    return 0;
}

// --- the reading side -----------------------------------------------------------------------

struct Figures {
    double median = 0, worst = 0;
    int lost = 0;
};

Figures Summarise(std::vector<double> ms, int lost)
{
    Figures f;
    f.lost = lost;
    if (ms.empty()) return f;
    std::sort(ms.begin(), ms.end());
    f.median = ms[ms.size() / 2];
    f.worst = ms.back();
    return f;
}

// The PC that reads: a board on picture 1, the chat and the pointer window, as member 2.
struct Reader {
    TForm1 form1;
    TForm8 *board = nullptr;
    TForm10 *chat = nullptr;
    TForm12 *pointer = nullptr;
    explicit Reader(const QString &settingsFile) : form1(settingsFile) {}

    bool Shows(const std::string &what, int count) const
    {
        if (what == "board") return board->RowsSeen() >= count;
        if (what == "chat")
            return chat->RichEdit1->toPlainText().contains(QStringLiteral("行%1(").arg(count));
        const auto &entries = pointer->PointerEntries;
        return !entries.empty() && entries[0].X == count;
    }
};

// Waits with the event loop running until the reader shows the row; -1 after five seconds.
double WaitUntilShown(const Reader &reader, const std::string &what, int count,
                      Clock::time_point committed)
{
    while (!reader.Shows(what, count)) {
        if (MsSince(committed) > 7000) return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return MsSince(committed);
}

void Pause(int ms)
{
    const Clock::time_point start = Clock::now();
    while (MsSince(start) < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void PrintLatency(const char *where, const char *what, const Figures &f)
{
    std::printf("  %-22s %9.1f %9.1f %6d\n", what, f.median, f.worst, f.lost);
    const QString figure = QStringLiteral("%1 commit -> refresh, %2, ms").arg(what, where);
    SummaryFigure(figure + QStringLiteral(" (median)"), QString::number(f.median, 'f', 1),
                  QStringLiteral("<= 200"), f.median <= 200 && f.lost == 0);
    SummaryFigure(figure + QStringLiteral(" (worst)"), QString::number(f.worst, 'f', 1),
                  QStringLiteral("<= 500"), f.worst <= 500 && f.lost == 0);
}

void MeasureInProcess(Reader &reader, Writer &writer, int samples)
{
    std::printf("commit on one session -> refresh on another, ms   median     worst   lost\n"
                "two sessions in this process:\n");
    for (const char *what : {"board", "chat", "pointer"}) {
        std::vector<double> ms;
        int lost = 0;
        for (int i = 0; i < samples; ++i) {
            Pause(150); // past the refresh's spacing: the figure is the road, not the limit
            writer.Write(what);
            const double took = WaitUntilShown(reader, what, writer.Count(), Clock::now());
            took < 0 ? ++lost : (ms.push_back(took), 0);
        }
        PrintLatency("one process", what, Summarise(ms, lost));
    }
}

void MeasureAcrossProcesses(Reader &reader, const QString &path, int samples, int last)
{
    std::printf("the writer in a process of its own:\n");
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--writer"), path, QString::number(last)});
    if (!writer.waitForStarted() || !writer.waitForReadyRead(10000) ||
        !writer.readLine().startsWith("ready")) {
        std::fprintf(stderr, "the writer process did not start\n");
        return;
    }
    int count = last;
    for (const char *what : {"board", "chat", "pointer"}) {
        std::vector<double> ms;
        int lost = 0;
        for (int i = 0; i < samples; ++i) {
            Pause(150);
            writer.write(QByteArray(what) + '\n');
            writer.waitForBytesWritten();
            // The commit's time comes back from the writer; the row may show before it does.
            long long committedNs = 0;
            Clock::time_point shownAt{};
            bool shown = false;
            const Clock::time_point asked = Clock::now();
            const int expected = ++count;
            while (!(shown && committedNs) && MsSince(asked) < 7000) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
                if (!shown && reader.Shows(what, expected)) {
                    shown = true;
                    shownAt = Clock::now();
                }
                if (!committedNs && writer.canReadLine()) {
                    const QList<QByteArray> answer = writer.readLine().trimmed().split(' ');
                    committedNs = answer.value(1).toLongLong();
                }
            }
            if (!shown || !committedNs) {
                ++lost;
                continue;
            }
            ms.push_back(double(shownAt.time_since_epoch().count() - committedNs) / 1e6);
        }
        PrintLatency("two processes", what, Summarise(ms, lost));
    }
    writer.closeWriteChannel();
    writer.waitForFinished(5000);
}

// --- ten members moving their pointers -------------------------------------------------------

// One member's PC in a process of its own: its pointer window open, its hand moving a new place
// every 20 ms once the go file exists, for `seconds`. Says what it did on its last line.
int RunMember(const QStringList &args)
{
    const QString path = args[2], goFile = args[4];
    const int member = args[3].toInt(), seconds = args[5].toInt();
    QTemporaryDir dir;
    TForm1 form1(dir.filePath(QStringLiteral("member.dat")));
    form1.settings().PcUserNumber = member;
    form1.Db().ConnectDatabase(path);
    if (!form1.Connected()) return 3;
    form1.move(40 + 10 * member, 30 + 5 * member);
    form1.show();
    auto *window = new TForm12(form1);
    int ticks = 0;
    QObject::connect(window->Timer1, &QTimer::timeout, [&ticks] { ++ticks; });
    window->show();
    const Clock::time_point started = Clock::now();
    while (!QFile::exists(goFile) && MsSince(started) < 30000) Pause(5);
    const bool listening = form1.Db().Events().Listening(QStringLiteral("MOUSEPOS"));
    const int ticks0 = ticks;
    const int published0 = window->findChild<PointerFollower *>()->Published();
    const int refreshed0 = window->findChild<EventRefresh *>()->Refreshes();
    QTimer hand;
    int step = member * 7;
    QObject::connect(&hand, &QTimer::timeout, [&step] {
        ++step;
        QCursor::setPos(400 + int(150 * std::cos(step / 20.0)),
                        300 + int(150 * std::sin(step / 20.0)));
    });
    hand.start(20);
    Pause(seconds * 1000);
    hand.stop();
    std::printf("%d %d %d %d\n", listening ? 1 : 0,
                window->findChild<PointerFollower *>()->Published() - published0,
                window->findChild<EventRefresh *>()->Refreshes() - refreshed0, ticks - ticks0);
    window->close();
    form1.DisconnectDatabase();
    return 0;
}

// Transactions the server has started so far, everyone's.
long long ServerTransactions(DatabaseSession &db)
{
    QStringList field{QString()};
    db.SelectFirstRow(QStringLiteral("MON$NEXT_TRANSACTION"), QStringLiteral("MON$DATABASE"),
                      QString(), field);
    return field[0].toLongLong();
}

void MeasureMovingPointers(DatabaseSession &db, const QString &path, int members, int seconds)
{
    QTemporaryDir dir;
    const QString goFile = dir.filePath(QStringLiteral("go"));
    std::vector<std::unique_ptr<QProcess>> pcs;
    for (int m = 1; m <= members; ++m) {
        auto pc = std::make_unique<QProcess>();
        pc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        pc->start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--member"), path, QString::number(100 + m), goFile,
                   QString::number(seconds)});
        pcs.push_back(std::move(pc));
    }
    Pause(4000); // every one attached, its window open and listening
    const long long transactions0 = ServerTransactions(db);
    QFile(goFile).open(QIODevice::WriteOnly);
    const Clock::time_point go = Clock::now();
    Pause(seconds * 1000);
    const double wall = MsSince(go) / 1000;
    const long long transactions = ServerTransactions(db) - transactions0;
    int listening = 0, moves = 0, reads = 0, ticks = 0;
    for (auto &pc : pcs) {
        pc->waitForFinished(30000);
        const QList<QByteArray> said = pc->readAllStandardOutput().trimmed().split('\n');
        const QList<QByteArray> figures = said.last().split(' ');
        if (figures.size() != 4) continue;
        listening += figures[0].toInt();
        moves += figures[1].toInt();
        reads += figures[2].toInt();
        ticks += figures[3].toInt();
    }
    // A tick: a check and a select read, and the update commits; a move: one committed update;
    // an event: one select.
    std::printf("\n%d members, each a process with its pointer window open and its pointer "
                "moving, %.1f s (%d listening to events):\n",
                members, wall, listening);
    std::printf("  with events   %7.1f commits/s (%.1f moves, %.1f ticks), %7.1f reads/s "
                "(%.1f on events); the server started %.1f transactions/s\n",
                (moves + ticks) / wall, moves / wall, ticks / wall,
                (reads + 2.0 * ticks) / wall, reads / wall, double(transactions) / wall);
    std::printf("  polls only    %7.1f commits/s, %7.1f reads/s (one tick a second each)\n",
                double(members), 2.0 * members);
    SummaryFigure(QStringLiteral("%1 members moving pointers, commits/s").arg(members),
                  QString::number((moves + ticks) / wall, 'f', 1));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "--writer") {
        QCoreApplication app(argc, argv);
        return RunWriter(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 6 && QByteArray(argv[1]) == "--member") return RunMember(app.arguments());
    Options options;
    if (!ParseCounts(app, QStringLiteral("Event alerts: latency of sharing and its load."),
                     {{"samples", "Rows of each kind timed, per part.", &options.samples},
                      {"members", "Members moving their pointers.", &options.members},
                      {"seconds", "How long they move them.", &options.seconds}}))
        return 2;
    if (qEnvironmentVariableIsEmpty("OEKAKI_TEST_SERVER")) {
        std::fprintf(stderr, "run it through bench/run.sh events\n");
        return 2;
    }

    QTemporaryDir dir;
    const Settings settings = BenchDatabase(2);
    const QString path = DatabasePath(settings);
    int status = 1;
    {
        Reader reader(dir.filePath(QStringLiteral("reader.dat")));
        reader.form1.settings() = settings;
        reader.form1.CreateDatabaseFile();
        DatabaseSession other; // the writing PC in this process
        other.ConnectDatabase(path);
        DatabaseSession &db = reader.form1.Db();
        bool ok = reader.form1.Connected() && other.Connected() && db.CreateMemberTable() &&
                  db.CreateChatTable() && db.CreateMousePosTable() &&
                  db.CreateImageTable(QStringLiteral("IMG_1"));
        for (int n = 1; ok && n <= 200; ++n)
            ok = db.InsertRow("MEMBER", 3, {"N", "SN", "PNAME"},
                              {QString::number(n), "0", QStringLiteral("'メンバー%1'").arg(n)});
        ok = ok && db.InsertRow("MOUSEPOS", 4, {"MN", "ST", "MX", "MY"}, {"1", "1", "0", "7"});
        if (!ok) {
            std::fprintf(stderr, "cannot prepare %s: %s\n", qPrintable(path),
                         qPrintable(db.LastErrorText()));
        } else {
            reader.form1.show();
            reader.form1.CurrentImageNumber = 1;
            reader.form1.CurrentImageWidth = 64;
            reader.form1.CurrentImageHeight = 48;
            reader.board = new TForm8(reader.form1);
            reader.board->show();
            reader.chat = new TForm10(reader.form1);
            reader.chat->show();
            reader.pointer = new TForm12(reader.form1);
            reader.pointer->show();
            Pause(1500); // armed
            std::printf("load average %s, %d samples of each; listening to all: %s\n\n",
                        LoadAverage().constData(), options.samples,
                        db.Events().ListeningToAll() ? "yes" : "NO");
            Writer writer(other, 0);
            MeasureInProcess(reader, writer, options.samples);
            MeasureAcrossProcesses(reader, path, options.samples, writer.Count());
            std::printf("(before, the polls: a board 0-5 s after the commit, a chat line 0-5 s, "
                        "a pointer 0-2 s)\n");
            reader.pointer->close();
            reader.chat->close();
            reader.board->close();
            MeasureMovingPointers(db, path, options.members, options.seconds);
            status = 0;
        }
        other.DisconnectDatabase();
        reader.form1.DisconnectDatabase();
    }
    RawConnection raw;
    if (!raw.Attach(path.toLocal8Bit()) || !raw.Drop()) {
        std::fprintf(stderr, "could not drop %s\n", qPrintable(path));
        status = 1;
    }
    return status;
}
