// The chat window against real databases: several PCs sending at once, what is shown and what
// never is, the input line's byte limit, a send while the server is down, and the bounded view.

#include "chat_editor.h"
#include "chat_lines.h"
#include "chat_store.h"
#include "chat_window.h"
#include "message_recorder.h"
#include "own_server.h"
#include "test_database.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <thread>

namespace {

QString Today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

// The main window shown as the program shows it, its settings file holding what the test set.
void ShowMainWindow(FreshMainWindow &pc)
{
    pc.form1->SaveSettings(pc.dir.filePath(QStringLiteral("oekaki.dat")));
    pc.form1->show();
}

// Opens the chat window through the menu, as the user does; the clock is set before it shows.
TForm10 *OpenChat(TForm1 &form1, std::function<QDateTime()> clock = {})
{
    form1.SetChildWindowFactory(ChildWindow::Chat, [clock](TForm1 &owner) {
        auto *chat = new TForm10(owner);
        if (clock) chat->Now = clock;
        return chat;
    });
    form1.mnuChatStartClick();
    for (QMdiSubWindow *frame : form1.MdiArea()->subWindowList())
        if (auto *chat = qobject_cast<TForm10 *>(frame->widget())) return chat;
    return nullptr;
}

void CloseChat(TForm10 *chat)
{
    chat->parentWidget()->close(); // the frame's close box
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList Shown(const TForm10 *chat)
{
    return chat->RichEdit1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void Send(TForm10 *chat, const QString &text)
{
    chat->Edit1->clear();
    TypeInto(chat->Edit1, text);
    QTest::keyClick(chat->Edit1, Qt::Key_Return);
}

bool Insert(DatabaseSession &db, int n, int member, const QString &text, const QString &date,
            const QString &time = QStringLiteral("120000"))
{
    return db.InsertRow(QStringLiteral("CHAT"), 5, {"N", "MN", "CTEXT", "CDATE", "CTIME"},
                        {QString::number(n), QString::number(member), "'" + text + "'",
                         "'" + date + "'", "'" + time + "'"});
}

bool AddMember(DatabaseSession &db, int n, const QString &name)
{
    return db.InsertRow(QStringLiteral("MEMBER"), 3, {"N", "SN", "PNAME"},
                        {QString::number(n), "0", "'" + name + "'"});
}

// Every stored line as the windows show it, in number order, with its number.
QList<QPair<int, QString>> StoredLines(DatabaseSession &db)
{
    QList<QPair<int, QString>> lines;
    const int n = db.OpenSelect(chat::RefreshColumns(), QStringLiteral("CHAT,MEMBER"),
                                QStringLiteral("CHAT.MN=MEMBER.N"), QStringLiteral("CHAT.N"));
    QStringList f{"", "", "", "", ""};
    for (int i = 0; i < n; ++i) {
        i == 0 ? db.ReadFirstRow(f) : db.ReadNextRow(f);
        lines << qMakePair(f[0].toInt(), chat::ShownLine(f[1], f[2], f[3], f[4]));
    }
    db.CloseSelect();
    return lines;
}

} // namespace

class ChatWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MessageRecorder> messages;
    std::unique_ptr<FreshMainWindow> first;

    // A database with members 1 山田, 2 佐藤, 3 鈴木 and table CHAT; this PC's user is 1.
    bool SetUp(FreshMainWindow &pc)
    {
        DatabaseSession &db = pc.form1->Db();
        if (!pc.Ready() || !db.CreateMemberTable() || !db.CreateChatTable()) return false;
        pc.form1->settings().PcUserNumber = 1;
        return AddMember(db, 1, "山田") && AddMember(db, 2, "佐藤") && AddMember(db, 3, "鈴木");
    }

private slots:
    void init()
    {
        messages = std::make_unique<MessageRecorder>();
        first = std::make_unique<FreshMainWindow>();
        if (!first->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        QVERIFY(SetUp(*first));
    }
    void cleanup()
    {
        first.reset();
        messages.reset();
    }

    void threePcsSendingAtOnce()
    {
        // Three PCs with chat windows on the UI thread, and three more writers on threads of
        // their own so that numbers really collide at the server.
        FreshMainWindow second(*first, 2), third(*first, 3);
        QVERIFY(second.Ready() && third.Ready());
        QList<TForm10 *> windows;
        for (FreshMainWindow *pc : {first.get(), &second, &third}) {
            ShowMainWindow(*pc);
            windows << OpenChat(*pc->form1);
            QVERIFY(windows.last());
        }

        constexpr int kThreadLines = 30, kWindowLines = 8;
        std::atomic<int> taken{0}, failed{0};
        std::vector<std::thread> writers;
        for (int member = 1; member <= 3; ++member) {
            writers.emplace_back([&, member] {
                DatabaseSession session;
                session.ConnectDatabase(DatabasePath(first->database));
                for (int i = 0; i < kThreadLines; ++i) {
                    const chat::StoreOutcome outcome =
                        chat::StoreChatLine(session, 0,
                                            {member, QStringLiteral("t%1-%2").arg(member).arg(i),
                                             Today(), QStringLiteral("120000")});
                    taken += outcome.numbersTaken;
                    if (!outcome.stored) ++failed;
                }
            });
        }
        for (int i = 0; i < kWindowLines; ++i) {
            for (int w = 0; w < 3; ++w) {
                Send(windows[w], QStringLiteral("窓%1の%2行目").arg(w + 1).arg(i));
                if (i % 3 == w) windows[(w + 1) % 3]->Timer1Timer();
            }
        }
        for (std::thread &writer : writers) writer.join();
        QCOMPARE(failed.load(), 0);
        QVERIFY2(taken.load() > 0, "the writers never collided: the retry went untested");
        QVERIFY(messages->texts.isEmpty());

        // Each line once, with a number of its own.
        const QList<QPair<int, QString>> stored = StoredLines(first->form1->Db());
        QCOMPARE(int(stored.size()), 3 * (kThreadLines + kWindowLines));
        QStringList expected;
        QSet<QString> texts;
        for (int i = 0; i < stored.size(); ++i) {
            if (i > 0) QVERIFY(stored[i].first > stored[i - 1].first);
            expected << stored[i].second;
            texts << stored[i].second.section(QStringLiteral("＞"), 1).section('(', 0, 0);
        }
        QCOMPARE(int(texts.size()), int(stored.size()));

        // Each window shows every line once, in number order, after one more poll.
        for (TForm10 *chat : windows) {
            chat->Timer1Timer();
            QCOMPARE(Shown(chat), expected);
            QCOMPARE(chat->LastChatNumber, stored.last().first);
            QVERIFY(chat->Edit1->text().isEmpty());
            QVERIFY(chat->Timer1->isActive());
            QCOMPARE(chat->Timer1->interval(), 5000);
        }
    }

    void onlyTodaysLinesOfMembers()
    {
        DatabaseSession &db = first->form1->Db();
        const QString yesterday =
            QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyyMMdd"));
        QVERIFY(Insert(db, 10, 1, "昨日", yesterday));
        ShowMainWindow(*first);
        TForm10 *chat = OpenChat(*first->form1);
        QVERIFY(chat);
        QVERIFY(first->form1->ChatWindowOpen);
        QCOMPARE(Shown(chat), QStringList());
        QCOMPARE(chat->LastChatNumber, 0);

        QVERIFY(Insert(db, 20, 0, "作成者なし", Today()));
        QVERIFY(Insert(db, 30, 99, "退会した人", Today()));
        QVERIFY(Insert(db, 40, 2, "今日は", Today(), "090102"));
        QVERIFY(Insert(db, 50, 3, "昨日の続き", yesterday));
        chat->Timer1Timer();
        QCOMPARE(Shown(chat), QStringList{"佐藤＞今日は(" + Today() + " 090102)"});
        QCOMPARE(chat->LastChatNumber, 40);
        chat->Timer1Timer();
        QCOMPARE(Shown(chat).size(), 1);
        QCOMPARE(chat->LastChatNumber, 40);

        // A line the editor adds below what is shown waits for the next opening.
        FreshMainWindow editorPc(*first, 3);
        TForm11 editor(*editorPc.form1);
        QVERIFY(editor.FormShow());
        editor.Edit1->setText("35");
        editor.ComboBox1->setCurrentIndex(3); // 3:鈴木
        editor.Edit2->setText("割り込み");
        editor.Edit3->setText(Today());
        editor.Edit4->setText("080000");
        editor.Button1Click();
        QCOMPARE(messages->Last(), QStringLiteral("登録OK"));
        chat->Timer1Timer();
        QCOMPARE(Shown(chat).size(), 1);

        CloseChat(chat);
        QVERIFY(!first->form1->ChatWindowOpen);
        chat = OpenChat(*first->form1);
        QVERIFY(chat);
        QCOMPARE(Shown(chat), QStringList({"鈴木＞割り込み(" + Today() + " 080000)",
                                           "佐藤＞今日は(" + Today() + " 090102)"}));
        QCOMPARE(chat->LastChatNumber, 40);
    }

    void afterMidnightTheNewDay()
    {
        // The clock moves one second each time it is read: the send reads it at 23:59:59, so a
        // second reading would fall on the next day.
        auto clock = std::make_shared<QDateTime>(QDate(2010, 1, 1), QTime(23, 59, 57));
        DatabaseSession &db = first->form1->Db();
        QVERIFY(Insert(db, 1, 2, "大晦日", "20100101", "235000"));
        QVERIFY(Insert(db, 2, 2, "もう一つ前", "20091231"));
        ShowMainWindow(*first);
        TForm10 *chat = OpenChat(*first->form1, [clock] { return *clock = clock->addSecs(1); });
        QCOMPARE(Shown(chat), QStringList{"佐藤＞大晦日(20100101 235000)"});

        Send(chat, "年越し");
        QStringList row{"", ""};
        QCOMPARE(db.SelectFirstRow("CDATE,CTIME", "CHAT", "N=3", row), 2);
        // Date and time of one moment, never the first day's date with the next day's time.
        QCOMPARE(row, QStringList({"20100101", "235959"}));

        *clock = QDateTime(QDate(2010, 1, 2), QTime(0, 5));
        QVERIFY(Insert(db, 4, 3, "新年", "20100102", "000600"));
        chat->Timer1Timer();
        QCOMPARE(Shown(chat).last(), QStringLiteral("鈴木＞新年(20100102 000600)"));
        QCOMPARE(Shown(chat).first(), QStringLiteral("佐藤＞大晦日(20100101 235000)"));
        QCOMPARE(chat->LastChatNumber, 4);
    }

    void inputLine()
    {
        ShowMainWindow(*first);
        TForm10 *chat = OpenChat(*first->form1);
        QVERIFY(chat);
        DatabaseSession &db = first->form1->Db();
        QSignalSpy returnPressed(chat->Edit1, &QLineEdit::returnPressed);

        // Blanks, quotes and control characters only: nothing sent, the line stays.
        for (const QString &blank : {QStringLiteral("   "), QStringLiteral(" '\" ' ")}) {
            chat->Edit1->setText(blank);
            QTest::keyClick(chat->Edit1, Qt::Key_Return);
            QCOMPARE(chat->Edit1->text(), blank);
        }
        QCOMPARE(db.CountRows("CHAT", ""), 0);
        QCOMPARE(returnPressed.count(), 0); // Enter never reaches the edit itself

        // Full-width blanks are a line; quotes are dropped, outer blanks kept.
        Send(chat, QStringLiteral("　　"));
        Send(chat, QStringLiteral(" it's \"ok\" "));
        QStringList row{""};
        QCOMPARE(db.SelectFirstRow("CTEXT", "CHAT", "N=2", row), 1);
        QCOMPARE(row[0], QStringLiteral(" its ok "));
        QCOMPARE(Shown(chat).size(), 2);
        QVERIFY(Shown(chat)[0].startsWith(QStringLiteral("山田＞　　(") + Today()));

        // 80 bytes of CP932 and not one more, also for a mix of half- and full-width.
        TypeInto(chat->Edit1, QString(41, QChar(0x6F22))); // 漢 × 41
        QCOMPARE(chat->Edit1->text(), QString(40, QChar(0x6F22)));
        QTest::keyClick(chat->Edit1, Qt::Key_Return);
        QCOMPARE(db.SelectFirstRow("CTEXT", "CHAT", "N=3", row), 1);
        QCOMPARE(row[0], QString(40, QChar(0x6F22)));
        TypeInto(chat->Edit1, QString(79, 'a') + QStringLiteral("漢a"));
        QCOMPARE(chat->Edit1->text(), QString(80, 'a'));
        chat->Edit1->clear();

        // A line the column cannot hold (set past the keyboard's limit) fails once and says so.
        const QString tooLong = QString(81, 'b');
        chat->Edit1->setText(tooLong);
        QTest::keyClick(chat->Edit1, Qt::Key_Return);
        QCOMPARE(messages->texts, QStringList{msg::kChatNotSent});
        QCOMPARE(chat->Edit1->text(), tooLong);
        QCOMPARE(db.CountRows("CHAT", ""), 3);
        QVERIFY(chat->Timer1->isActive());
    }

    void tableGoneEndsTheSend()
    {
        DatabaseSession &db = first->form1->Db();
        QVERIFY(db.DropTable("CHAT"));
        QElapsedTimer clock;
        clock.start();
        const chat::StoreOutcome outcome = chat::StoreChatLine(db, 7, {1, "x", Today(), "120000"});
        QVERIFY(!outcome.stored);
        QCOMPARE(outcome.numbersTaken, 0);
        QVERIFY(clock.elapsed() < 1000);
    }

    void sendWhileServerStopped()
    {
        OwnServer server;
        QVERIFY(server.Running());
        FreshMainWindow pc(server.FreshSettings());
        QVERIFY(SetUp(pc));
        QVERIFY(Insert(pc.form1->Db(), 1, 2, "こんにちは", Today()));
        ShowMainWindow(pc);
        TForm10 *chat = OpenChat(*pc.form1);
        QVERIFY(chat);
        QCOMPARE(Shown(chat).size(), 1);

        QVERIFY(server.Stop());
        chat->Timer1Timer(); // a poll says nothing and loses nothing
        QVERIFY(messages->texts.isEmpty());
        QCOMPARE(Shown(chat).size(), 1);
        QCOMPARE(chat->LastChatNumber, 1);

        TypeInto(chat->Edit1, QStringLiteral("聞こえますか"));
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(chat->Edit1, Qt::Key_Return);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(messages->texts, QStringList{msg::kChatNotSent});
        QCOMPARE(chat->Edit1->text(), QStringLiteral("聞こえますか"));
        QVERIFY(chat->Timer1->isActive());
        CloseChat(chat);
    }

    void sizeAndSingleWindow()
    {
        first->form1->settings().ChatWindowWidth = 500;
        first->form1->settings().ChatWindowHeight = 300;
        ShowMainWindow(*first);
        TForm10 *chat = OpenChat(*first->form1);
        QVERIFY(chat);
        QWidget *frame = chat->parentWidget();
        QCOMPARE(frame->size(), QSize(500, 300));
        QCOMPARE(chat->windowTitle(), QStringLiteral("チャット"));
        first->form1->mnuChatStartClick(); // one chat window at a time
        QCOMPARE(first->form1->MdiArea()->subWindowList().size(), 1);

        frame->resize(420, 260);
        CloseChat(chat);
        QCOMPARE(first->form1->settings().ChatWindowWidth, 420);
        QCOMPARE(first->form1->settings().ChatWindowHeight, 260);
        QVERIFY(!first->form1->ChatWindowOpen);
        QVERIFY(first->form1->MdiArea()->subWindowList().isEmpty());
    }

    void viewDropsOldestLinesFirst()
    {
        QPlainTextEdit view;
        chat::AppendWithinLimit(view, {"aaaa", "bbbb", "cccc", "dddd"}, 21);
        QCOMPARE(chat::ViewLength(view), 19);
        chat::AppendWithinLimit(view, {"e"}, 21); // exactly the limit still fits
        QCOMPARE(view.toPlainText(), QStringLiteral("aaaa\nbbbb\ncccc\ndddd\ne"));
        chat::AppendWithinLimit(view, {"ff"}, 21);
        QCOMPARE(view.toPlainText(), QStringLiteral("bbbb\ncccc\ndddd\ne\nff"));
        // A batch bigger than the view keeps its newest lines, and the oldest lines make room.
        chat::AppendWithinLimit(view, {QString(12, 'x'), QString(12, 'y')}, 21);
        QCOMPARE(view.toPlainText(), QStringLiteral("e\nff\n") + QString(12, 'y'));

        // At the real limit: full, and taking more without stalling.
        QPlainTextEdit full;
        const QString line(99, 'z');
        QStringList day;
        for (int i = 0; i < 40950; ++i) day << line;
        chat::AppendWithinLimit(full, day);
        QCOMPARE(chat::ViewLength(full), 40950 * 100 - 1);
        QElapsedTimer clock;
        clock.start();
        for (int poll = 0; poll < 20; ++poll)
            chat::AppendWithinLimit(full, {QStringLiteral("new %1").arg(poll) + line});
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(chat::ViewLength(full) <= chat::kViewLimit);
        QVERIFY(full.toPlainText().endsWith(QStringLiteral("new 19") + line));
        QCOMPARE(full.document()->firstBlock().text(), line);
    }
};

QTEST_MAIN(ChatWindowTest)
#include "test_chat_window.moc"
