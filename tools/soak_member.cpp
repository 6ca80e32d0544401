// One member of the soak (scripts/soak.sh), a process of its own with the program's own windows
// offscreen, so that ten chat members and ten pointer members cost less than twenty displays:
//   soak_member setup DATABASE WIDTH HEIGHT   creates the database: sections, 40 members,
//                                              picture 1 of that size, its stroke table, the chat
//                                              and the pointer table (the program's own scripts)
//   soak_member chat DATABASE MEMBER CONTROL LINES TOTAL SECONDS
//       sends LINES lines spread over SECONDS once CONTROL/go exists, then waits until its
//       window shows TOTAL lines (or CONTROL/stop exists plus 30 s)
//   soak_member pointer DATABASE MEMBER CONTROL MEMBERS...
//       shares its pointer, moving it every 700 ms, until CONTROL/settle exists; then rests at
//       its final place and waits until every other member's balloon stands where it belongs
// Each writes CONTROL/<kind>_<member>.txt at the end: key=value lines the driver reads.

#include "chat_window.h"
#include "main_window.h"
#include "message_box.h"
#include "name_balloon.h"
#include "pointer_window.h"
#include "stall_log.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <map>

namespace {

QString ControlFile(const QString &control, const QString &name)
{
    return QDir(control).filePath(name);
}

void Pause(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Runs the event loop until `done` or `limitMs`; true when done.
bool WaitUntil(const std::function<bool()> &done, qint64 limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return false;
        Pause(50);
    }
    return true;
}

void WriteResult(const QString &path, const std::map<QString, QString> &values)
{
    QFile file(path + QStringLiteral(".part"));
    if (!file.open(QIODevice::WriteOnly)) return;
    for (const auto &[key, value] : values) file.write((key + '=' + value + '\n').toUtf8());
    file.close();
    QFile::remove(path);
    file.rename(path);
}

// Message boxes are counted, never shown: nobody is there to close them.
int g_messages = 0;
QString g_lastMessage;

struct Pc {
    QTemporaryDir dir;
    TForm1 form1;
    Pc() : form1(dir.filePath(QStringLiteral("member.dat"))) {}
    // Shown first: showing reads the (missing) settings file, which would reset the PC user.
    void Start(int member, const QString &path)
    {
        form1.show();
        form1.settings().PcUserNumber = member;
        form1.Db().ConnectDatabase(path);
    }
};

int Setup(const QStringList &args)
{
    const QString path = args[2];
    const int width = args[3].toInt(), height = args[4].toInt();
    DatabaseSession db;
    db.CreateDatabaseFile(path);
    if (!db.Connected()) return 3;
    bool ok = db.CreateSectionTable() && db.CreateMemberTable() && db.CreateImageListTable() &&
              db.CreateImageTable(QStringLiteral("IMG_1")) && db.CreateChatTable() &&
              db.CreateMousePosTable();
    ok = ok && db.InsertRow(QStringLiteral("SECTION"), 2, {"N", "SNAME"}, {"1", "'soak'"});
    for (int m = 1; ok && m <= 40; ++m)
        ok = db.InsertRow(QStringLiteral("MEMBER"), 3, {"N", "SN", "PNAME"},
                          {QString::number(m), "1", QStringLiteral("'member%1'").arg(m)});
    ok = ok && db.InsertRow(QStringLiteral("IMGLIST"), 6, {"N", "MN", "INAME", "SX", "SY", "DATE1"},
                            {"1", "1", "'soak'", QString::number(width), QString::number(height),
                             "'20261209'"});
    db.DisconnectDatabase();
    return ok ? 0 : 4;
}

int Chat(const QStringList &args)
{
    const QString path = args[2], control = args[4];
    const int member = args[3].toInt(), lines = args[5].toInt(), total = args[6].toInt();
    const int spreadMs = args[7].toInt() * 1000;
    Pc pc;
    StallLog stalls(ControlFile(control, QStringLiteral("chat_%1.stall").arg(member)));
    pc.Start(member, path);
    auto *chat = static_cast<TForm10 *>(pc.form1.ShowChildWindow(new TForm10(pc.form1), {}));
    if (!chat) return 3;
    WaitUntil([&] { return QFile::exists(ControlFile(control, QStringLiteral("go"))); }, 600000);

    int failed = 0;
    QRandomGenerator random{quint32(member)};
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= lines; ++i) {
        // Spread evenly over the time given, a little at random, as people type.
        const qint64 due = qint64(spreadMs) * (i - 1) / lines + random.bounded(200);
        if (clock.elapsed() < due) Pause(int(due - clock.elapsed()));
        chat->Edit1->setText(QStringLiteral("soak m%1 line %2").arg(member).arg(i));
        for (;;) {
            QChar enter(13);
            chat->Edit1KeyPress(enter);
            if (chat->Edit1->text().isEmpty()) break; // stored
            ++failed; // the text stays in the line: the user sends it again a little later
            Pause(1000);
        }
    }
    const qint64 sent = clock.elapsed();
    auto shown = [&] { return chat->RichEdit1->document()->blockCount() >= total; };
    bool all = WaitUntil(
        [&] { return shown() || QFile::exists(ControlFile(control, QStringLiteral("stop"))); },
        1800000);
    if (!shown()) all = WaitUntil(shown, 30000);
    QStringList texts;
    for (QTextBlock b = chat->RichEdit1->document()->begin(); b.isValid(); b = b.next()) {
        const QString line = b.text();
        const int start = int(line.indexOf(QStringLiteral("＞"))) + 1;
        const int end = int(line.lastIndexOf(QLatin1Char('(')));
        if (start > 0 && end > start) texts << line.mid(start, end - start);
    }
    QFile shownFile(ControlFile(control, QStringLiteral("chat_%1.lines").arg(member)));
    if (shownFile.open(QIODevice::WriteOnly)) shownFile.write(texts.join('\n').toUtf8() + '\n');
    shownFile.close();
    WriteResult(ControlFile(control, QStringLiteral("chat_%1.txt").arg(member)),
                {{"all_shown", all ? "1" : "0"},
                 {"shown", QString::number(texts.size())},
                 {"failed_sends", QString::number(failed)},
                 {"send_ms", QString::number(sent)},
                 {"messages", QString::number(g_messages)},
                 {"last_message", g_lastMessage},
                 {"longest_handler_ms", QString::number(stalls.LongestGapMs())}});
    chat->close();
    pc.form1.DisconnectDatabase();
    return 0;
}

// Where member m rests at the end, from its main window's corner; distinct for every member.
QPoint FinalOffset(int member)
{
    return {40 + 23 * member, 30 + 13 * member};
}

int Pointer(const QStringList &args)
{
    const QString path = args[2], control = args[4];
    const int member = args[3].toInt();
    QList<int> others;
    for (int i = 5; i < args.size(); ++i)
        if (args[i].toInt() != member) others << args[i].toInt();
    Pc pc;
    StallLog stalls(ControlFile(control, QStringLiteral("pointer_%1.stall").arg(member)));
    pc.form1.move(20 + 5 * member, 10 + 3 * member);
    pc.form1.resize(600, 400);
    pc.Start(member, path);
    auto *window =
        static_cast<TForm12 *>(pc.form1.ShowChildWindow(new TForm12(pc.form1), QString()));
    if (!window) return 3;
    const QPoint corner = pc.form1.frameGeometry().topLeft();
    int step = member * 7;
    QTimer hand;
    QObject::connect(&hand, &QTimer::timeout, [&] {
        ++step;
        QCursor::setPos(corner + QPoint(100 + (step * 37) % 300, 80 + (step * 53) % 200));
    });
    hand.start(700);
    WaitUntil([&] { return QFile::exists(ControlFile(control, QStringLiteral("settle"))); },
              3600000);
    hand.stop();
    QCursor::setPos(corner + FinalOffset(member));
    QElapsedTimer settling;
    settling.start();
    int wrong = 0;
    auto placed = [&] {
        wrong = 0;
        const QPoint here = pc.form1.frameGeometry().topLeft();
        for (int other : others) {
            bool right = false;
            for (const PointerEntry &entry : window->PointerEntries)
                if (entry.MemberNumber == other && entry.Shown == 1 && entry.Balloon &&
                    entry.Balloon->isVisible() && entry.Balloon->pos() == here + FinalOffset(other))
                    right = true;
            if (!right) ++wrong;
        }
        return wrong == 0;
    };
    const bool all = WaitUntil(placed, 60000);
    WriteResult(ControlFile(control, QStringLiteral("pointer_%1.txt").arg(member)),
                {{"all_placed", all ? "1" : "0"},
                 {"wrong_balloons", QString::number(wrong)},
                 {"settle_ms", QString::number(settling.elapsed())},
                 {"messages", QString::number(g_messages)},
                 {"last_message", g_lastMessage},
                 {"longest_handler_ms", QString::number(stalls.LongestGapMs())}});
    // The others still look for this pointer until the driver stops them all.
    WaitUntil([&] { return QFile::exists(ControlFile(control, QStringLiteral("stop"))); }, 600000);
    window->close();
    pc.form1.DisconnectDatabase();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SetMessageBoxHandler([](MessageKind, const QString &text) {
        ++g_messages;
        g_lastMessage = text;
        return MessageAnswer::Ok;
    });
    const QStringList args = app.arguments();
    const QString kind = args.value(1);
    if (kind == QLatin1String("setup") && args.size() == 5) return Setup(args);
    if (kind == QLatin1String("chat") && args.size() == 8) return Chat(args);
    if (kind == QLatin1String("pointer") && args.size() >= 6) return Pointer(args);
    std::fprintf(stderr, "usage: see the top of tools/soak_member.cpp\n");
    return 2;
}
