// The chat window against real databases: several PCs sending at once, the lines never shown,
// the input line's byte limit, a send while the server is down, and the bounded view.

#include "chat_editor.h"
#include "chat_lines.h"
#include "chat_store.h"
#include "chat_window.h"
#include "message_recorder.h"
#include "own_server.h"
#include "select_rows.h"
#include "test_database.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>
#include <thread>

namespace {

QString Day(int offset = 0)
{
    return QDate::currentDate().addDays(offset).toString(QStringLiteral("yyyyMMdd"));
}

// Through the menu with the main window shown, as the user opens it; the clock is set first.
TForm10 *OpenChat(FreshMainWindow &pc, std::function<QDateTime()> clock = {})
{
    pc.Show();
    pc.form1->SetChildWindowFactory(ChildWindow::Chat, [clock](TForm1 &owner) {
        auto *chat = new TForm10(owner);
        if (clock) chat->Now = clock;
        return chat;
    });
    pc.form1->mnuChatStartClick();
    const QList<QMdiSubWindow *> frames = pc.form1->MdiArea()->subWindowList();
    return frames.isEmpty() ? nullptr : qobject_cast<TForm10 *>(frames.last()->widget());
}

QStringList Shown(const TForm10 *chat)
{
    return chat->RichEdit1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void Send(TForm10 *chat, const QString &text)
{
    TypeInto(chat->Edit1, text);
    QTest::keyClick(chat->Edit1, Qt::Key_Return);
}

bool Insert(DatabaseSession &db, int n, int member, const QString &text, const QString &date)
{
    return db.InsertRow("CHAT", 5, {"N", "MN", "CTEXT", "CDATE", "CTIME"},
                        {QString::number(n), QString::number(member), "'" + text + "'",
                         "'" + date + "'", "'120000'"});
}

} // namespace

class ChatWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MessageRecorder> messages;
    std::unique_ptr<FreshMainWindow> first;

    // Members 1 山田, 2 佐藤, 3 鈴木 and table CHAT; this PC's user is 1.
    static bool SetUp(FreshMainWindow &pc)
    {
        pc.form1->settings().PcUserNumber = 1;
        return pc.Ready() && pc.form1->Db().CreateChatTable() &&
               test_db::CreateMembers(pc.form1->Db(), {{1, "山田"}, {2, "佐藤"}, {3, "鈴木"}});
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
        // Three PCs type into their chat windows while three more writers, on threads of their
        // own, store lines as fast as they can, so that numbers really collide.
        FreshMainWindow second(*first, 2), third(*first, 3);
        QList<TForm10 *> windows{OpenChat(*first), OpenChat(second), OpenChat(third)};
        QVERIFY(windows[0] && windows[1] && windows[2]);
        std::atomic<int> taken{0}, failed{0};
        std::vector<std::thread> writers;
        for (int member = 1; member <= 3; ++member)
            writers.emplace_back([&, member] {
                DatabaseSession session;
                session.ConnectDatabase(DatabasePath(first->database));
                for (int i = 0; i < 30; ++i) {
                    const chat::StoreOutcome outcome = chat::StoreChatLine(
                        session, 0, {member, QString("t%1-%2").arg(member).arg(i), Day(), "1"});
                    taken += outcome.numbersTaken;
                    failed += outcome.stored ? 0 : 1;
                }
            });
        for (int i = 0; i < 8; ++i) {
            for (int w = 0; w < 3; ++w) {
                Send(windows[w], QString("窓%1の%2行目").arg(w).arg(i));
                if (i % 3 == w) windows[(w + 1) % 3]->Timer1Timer();
            }
        }
        for (std::thread &writer : writers) writer.join();
        QCOMPARE(failed.load(), 0);
        QVERIFY2(taken.load() > 0, "the writers never collided: the retry went untested");

        // Every line stored once under a number of its own, and shown once, in number order.
        const QList<QStringList> rows = SelectRows(first->form1->Db(), chat::RefreshColumns(),
                                                   "CHAT,MEMBER", "CHAT.MN=MEMBER.N", "CHAT.N", 5);
        QSet<QString> texts;
        QStringList expected;
        for (const QStringList &row : rows) {
            texts << row[2];
            expected << chat::ShownLine(row[1], row[2], row[3], row[4]);
        }
        QCOMPARE(int(texts.size()), 3 * (30 + 8));
        QCOMPARE(int(rows.size()), 3 * (30 + 8));
        for (TForm10 *chat : windows) {
            chat->Timer1Timer();
            QCOMPARE(Shown(chat), expected);
            QCOMPARE(chat->LastChatNumber, rows.last()[0].toInt());
            QVERIFY(chat->Edit1->text().isEmpty() && chat->Timer1->isActive());
        }
        QVERIFY(messages->texts.isEmpty());
    }

    void onlyTodaysLinesOfMembers()
    {
        DatabaseSession &db = first->form1->Db();
        QVERIFY(Insert(db, 10, 1, "昨日", Day(-1)));
        TForm10 *chat = OpenChat(*first);
        QVERIFY(chat && Shown(chat).isEmpty() && chat->LastChatNumber == 0);

        QVERIFY(Insert(db, 20, 0, "作成者なし", Day()) && Insert(db, 30, 99, "退会", Day()));
        QVERIFY(Insert(db, 40, 2, "今日は", Day()) && Insert(db, 50, 3, "昨日の", Day(-1)));
        QVERIFY(Insert(db, 60, 0, "作成者なし", Day()));
        for (int poll = 0; poll < 2; ++poll) {
            chat->Timer1Timer();
            QCOMPARE(Shown(chat), QStringList{"佐藤＞今日は(" + Day() + " 120000)"});
            QCOMPARE(chat->LastChatNumber, 40);
        }

        // A line the editor adds below what is shown waits for the next opening.
        FreshMainWindow editorPc(*first, 3);
        TForm11 editor(*editorPc.form1);
        QVERIFY(editor.FormShow());
        editor.Edit1->setText("35");
        editor.ComboBox1->setCurrentIndex(3); // 3:鈴木
        editor.Edit2->setText("割り込み");
        editor.Edit3->setText(Day());
        editor.Edit4->setText("080000");
        editor.Button1Click();
        QCOMPARE(messages->texts, QStringList{"登録OK"});
        chat->Timer1Timer();
        QCOMPARE(Shown(chat).size(), 1);
        chat->parentWidget()->close();
        QVERIFY(!first->form1->ChatWindowOpen);
        chat = OpenChat(*first);
        QCOMPARE(Shown(chat), QStringList({"鈴木＞割り込み(" + Day() + " 080000)",
                                           "佐藤＞今日は(" + Day() + " 120000)"}));
    }

    void oneReadingOfTheClockPerLine()
    {
        // The clock moves a second each time it is read; the send reads it at 23:59:59.
        auto clock = std::make_shared<QDateTime>(QDate(2010, 1, 1), QTime(23, 59, 57));
        TForm10 *chat = OpenChat(*first, [clock] { return *clock = clock->addSecs(1); });
        Send(chat, "年越し");
        QStringList row{"", ""};
        QCOMPARE(first->form1->Db().SelectFirstRow("CDATE,CTIME", "CHAT", "N=1", row), 2);
        QCOMPARE(row, QStringList({"20100101", "235959"})); // never the next day's time
    }

    void inputLine()
    {
        TForm10 *chat = OpenChat(*first);
        DatabaseSession &db = first->form1->Db();
        QSignalSpy returnPressed(chat->Edit1, &QLineEdit::returnPressed);
        Send(chat, " '\" ' "); // only blanks once the quotes are gone: kept, not sent
        QCOMPARE(chat->Edit1->text(), QStringLiteral(" '\" ' "));
        QCOMPARE(returnPressed.count(), 0); // Enter is consumed before the edit sees it
        chat->Edit1->clear();

        // 80 bytes of CP932 and not one more.
        Send(chat, QString(41, QChar(0x6F22))); // 漢 × 41: the last one cannot be typed
        TypeInto(chat->Edit1, QString(79, 'a') + QStringLiteral("漢a"));
        QCOMPARE(chat->Edit1->text(), QString(80, 'a'));
        QCOMPARE(SelectRows(db, "CTEXT", "CHAT", "", "N", 1),
                 QList<QStringList>{{QString(40, QChar(0x6F22))}});

        // A line set past the keyboard's limit fails once, says so and stays.
        chat->Edit1->setText(QString(81, 'b'));
        QTest::keyClick(chat->Edit1, Qt::Key_Return);
        QCOMPARE(messages->texts, QStringList{msg::kChatNotSent});
        QCOMPARE(chat->Edit1->text(), QString(81, 'b'));
        QCOMPARE(db.CountRows("CHAT", ""), 1);
        QVERIFY(chat->Timer1->isActive());
    }

    void sendWhileServerStopped()
    {
        OwnServer server;
        FreshMainWindow pc(server.FreshSettings());
        QVERIFY(SetUp(pc) && Insert(pc.form1->Db(), 1, 2, "こんにちは", Day()));
        TForm10 *chat = OpenChat(pc);
        QVERIFY(server.Stop());
        chat->Timer1Timer(); // a poll says nothing and loses nothing
        QVERIFY(messages->texts.isEmpty());
        QCOMPARE(Shown(chat).size(), 1);

        QElapsedTimer clock;
        clock.start();
        Send(chat, QStringLiteral("聞こえますか"));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(messages->texts, QStringList{msg::kChatNotSent});
        QCOMPARE(chat->Edit1->text(), QStringLiteral("聞こえますか"));
        QVERIFY(chat->Timer1->isActive());

        QVERIFY(server.Start()); // Enter again once the server is back: sent, once
        QTest::keyClick(chat->Edit1, Qt::Key_Return);
        QVERIFY(chat->Edit1->text().isEmpty());
        QVERIFY(Shown(chat).last().startsWith("山田＞聞こえますか(" + Day()));
    }

    void viewDropsOldestLinesFirst()
    {
        QPlainTextEdit view;
        chat::AppendWithinLimit(view, {"aaaa", "bbbb", "cccc", "dddd", "e"}, 21); // just fits
        chat::AppendWithinLimit(view, {"ff"}, 21);
        QCOMPARE(view.toPlainText(), QStringLiteral("bbbb\ncccc\ndddd\ne\nff"));
        chat::AppendWithinLimit(view, {QString(12, 'x'), QString(12, 'y')}, 21);
        QCOMPARE(view.toPlainText(), QStringLiteral("e\nff\n") + QString(12, 'y'));

        // At the real limit: full, and still taking new lines at once.
        const QString line(99, 'z');
        chat::AppendWithinLimit(view, QStringList(40950, line));
        QElapsedTimer clock;
        clock.start();
        for (int poll = 0; poll < 20; ++poll) chat::AppendWithinLimit(view, {"new" + line});
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(chat::ViewLength(view) <= chat::kViewLimit);
        QVERIFY(view.toPlainText().endsWith("\nnew" + line));
        QCOMPARE(view.document()->firstBlock().text(), line);
    }
};

QTEST_MAIN(ChatWindowTest)
#include "test_chat_window.moc"
