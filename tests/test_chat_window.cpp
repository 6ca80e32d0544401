// The chat window against real databases: several PCs sending at once, the lines never shown,
// lines that qualify later, the largest number, the input line's byte limit and text pasted
// from other programs, a send while the server is down, and the bounded view and its scrolling.

#include "chat_editor.h"
#include "chat_lines.h"
#include "chat_store.h"
#include "chat_window.h"
#include "cp932_validator.h"
#include "message_recorder.h"
#include "own_server.h"
#include "select_rows.h"
#include "string_grid.h"
#include "test_database.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>
#include <climits>
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

void Paste(QLineEdit *edit, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

// What an input method hands over when the user picks a candidate.
void Commit(QLineEdit *edit, const QString &text)
{
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit, &commit);
}

// Rows whose text is exactly these CP932 bytes, compared by the server.
int RowsWithBytes(DatabaseSession &db, const QByteArray &bytes)
{
    return db.CountRows("CHAT", "CTEXT=x'" + QString::fromLatin1(bytes.toHex()) + "'");
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

    void linesThatQualifyLater()
    {
        // PC A's clock says 23:59:50 on 1 January; PC B's runs half a minute ahead.
        auto clockA = std::make_shared<QDateTime>(QDate(2010, 1, 1), QTime(23, 59, 50));
        FreshMainWindow second(*first, 2), third(*first, 3);
        TForm10 *chatB =
            OpenChat(second, [] { return QDateTime(QDate(2010, 1, 2), QTime(0, 0, 20)); });
        TForm10 *chatA = OpenChat(*first, [clockA] { return *clockA; });
        DatabaseSession &other = third.form1->Db();
        QVERIFY(Insert(other, 10, 4, "新人です", "20100101")); // 4 is no member yet
        QVERIFY(Insert(other, 20, 3, "昨日の件", "20091231"));
        Send(chatB, "明けましておめでとう"); // number 21, dated 2 January
        chatA->Timer1Timer();
        QVERIFY(Shown(chatA).isEmpty());

        // Each shows at the poll after it qualifies: the author registered, line 20 dated today
        // in another PC's editor, and at midnight B's line, before A's own.
        QVERIFY(other.InsertRow("MEMBER", 3, {"N", "SN", "PNAME"}, {"4", "0", "'高橋'"}));
        chatA->Timer1Timer();
        QCOMPARE(Shown(chatA).size(), 1);
        TForm11 editor(*third.form1);
        QVERIFY(editor.FormShow());
        editor.SG1->SetRow(2);
        editor.SG1Click();
        editor.Edit3->setText("20100101");
        editor.Button4Click();
        chatA->Timer1Timer();
        QCOMPARE(Shown(chatA).size(), 2);
        *clockA = QDateTime(QDate(2010, 1, 2), QTime(0, 0, 5));
        chatA->Timer1Timer();
        Send(chatA, "おめでとう");
        QCOMPARE(Shown(chatA),
                 QStringList({"高橋＞新人です(20100101 120000)", "鈴木＞昨日の件(20100101 120000)",
                              "佐藤＞明けましておめでとう(20100102 000020)",
                              "山田＞おめでとう(20100102 000005)"}));
        QCOMPARE(messages->Take(), QStringList{"変更OK"});

        // Beside their polls the windows add the index that keeps a poll to today's lines.
        const QString index = "RDB$INDEX_NAME='" + chat::kDateIndex + "'";
        QTRY_COMPARE_WITH_TIMEOUT((chatA->Timer1Timer(), other.CountRows("RDB$INDICES", index)), 1,
                                  30000);
    }

    void theLargestNumber()
    {
        TForm10 *chat = OpenChat(*first);
        DatabaseSession &db = first->form1->Db();
        QVERIFY(Insert(db, 5, 2, "昨日の最後", Day(-1)) && Insert(db, INT_MAX, 3, "最大", Day()));
        chat->Timer1Timer();
        QCOMPARE(chat->LastChatNumber, INT_MAX);
        Send(chat, "送れますか");
        QCOMPARE(messages->Take(), QStringList{msg::kChatNotSent});
        QCOMPARE(db.CountRows("CHAT", ""), 2); // nothing under a number past the top
        TForm11 editor(*first->form1);         // nor does the editor propose one
        QVERIFY(editor.FormShow());
        editor.Edit1DblClick();
        QCOMPARE(editor.Edit1->text(), QStringLiteral("5")); // the first row's, as shown

        // The top row gone, the same Enter sends.
        QVERIFY(db.DeleteRows("CHAT", "N=2147483647"));
        QTest::keyClick(chat->Edit1, Qt::Key_Return);
        QVERIFY(chat->Edit1->text().isEmpty() && messages->texts.isEmpty());
        QCOMPARE(db.CountRows("CHAT", "N=6 AND CTEXT='送れますか'"), 1);
    }

    void textFromOtherPrograms()
    {
        TForm10 *chat = OpenChat(*first);
        DatabaseSession &db = first->form1->Db();
        QStatusBar *status = first->form1->StatusBar1;
        QSignalSpy notes(status, &QStatusBar::messageChanged);
        auto noted = [&] { return notes.count({msg::kCharactersLeftOut}); };
        // From a web page: look-alikes, an emoji, kanji outside CP932 (one beyond 16 bits).
        Paste(chat->Edit1, QString::fromUtf16(u"〜−‖¢£¬—\U0001F600\U00020BB7ok丂"));
        QCOMPARE(chat->Edit1->text(), QString::fromUtf16(u"～－∥￠￡￢―ok"));
        QCOMPARE(noted(), 1);
        // An input method's characters and typed ones alike; a run left out is told once.
        Commit(chat->Edit1, QString::fromUtf16(u"\U0001F600〜"));
        Commit(chat->Edit1, QString::fromUtf16(u"\U0001F600"));
        TypeInto(chat->Edit1, QString::fromUtf16(u"−"));
        QCOMPARE(noted(), 1);
        QTest::keyClick(chat->Edit1, Qt::Key_Return);
        QCOMPARE(RowsWithBytes(db, QByteArray::fromHex("8160817C81618191819281CA815C6F6B8160817C")),
                 1);

        // In a dialog the note goes to the status bar of the main window the dialog works for;
        // what was stored keeps its bytes (a stray lead byte too) beside what is pasted.
        status->clearMessage();
        QVERIFY(Insert(db, 2, 1, "", Day()));
        QVERIFY(db.UpdateRows("CHAT", 1, {"CTEXT"}, {"x'815C8120'"}, "N=2"));
        TForm11 editor(*first->form1);
        QVERIFY(editor.FormShow());
        editor.SG1->SetRow(2);
        editor.SG1Click();
        Paste(editor.Edit2, QString::fromUtf16(u"〜\U0001F600"));
        QCOMPARE(noted(), 2);
        editor.Button4Click();
        QCOMPARE(messages->Take(), QStringList{"変更OK"});
        QCOMPARE(RowsWithBytes(db, QByteArray::fromHex("815C81208160")), 1);
    }

    void viewAndInputLineFollowTheWindow()
    {
        DatabaseSession &db = first->form1->Db();
        for (int n = 1; n <= 30; ++n) QVERIFY(Insert(db, n, n % 3 + 1, "短い行", Day()));
        TForm10 *chat = OpenChat(*first);
        QWidget *frame = chat->parentWidget();
        frame->resize(320, 240);
        QVERIFY(QTest::qWaitForWindowExposed(chat));

        // The input line is as wide as the window: the caret stays in view while typing.
        QCOMPARE(chat->Edit1->geometry(), QRect(0, 2, chat->Panel1->width(), 21));
        TypeInto(chat->Edit1, QString(70, 'x'));
        chat->Edit1->repaint(); // an edit scrolls its text to the caret as it paints
        const QRect caret = chat->Edit1->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QVERIFY(chat->Panel1->rect().contains(chat->Edit1->mapTo(chat->Panel1, caret.center())));
        frame->resize(560, 240);
        QVERIFY(chat->Edit1->width() == chat->Panel1->width() && chat->Edit1->width() > 500);

        // A long line arrives: the view shows it from its left edge, the names of the earlier
        // lines still there, and the newest line at the bottom.
        QVERIFY(Insert(db, 31, 2, QString(80, 'W'), Day()));
        chat->Timer1Timer();
        QPlainTextEdit *view = chat->RichEdit1;
        QVERIFY(view->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(view->horizontalScrollBar()->value(), 0);
        QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
        const QImage seen = view->viewport()->grab().toImage();
        const QTextBlock newest = view->document()->lastBlock();
        for (QTextBlock block = newest; block.blockNumber() > newest.blockNumber() - 4;
             block = block.previous()) {
            const QRect line = view->cursorRect(QTextCursor(block));
            QVERIFY(view->viewport()->rect().contains(line));
            bool ink = false; // the speaker's name at the left edge
            for (int y = line.top(); y <= line.bottom(); ++y)
                for (int x = 0; x < 40; ++x) ink = ink || qGray(seen.pixel(x, y)) < 128;
            QVERIFY2(ink, qPrintable(block.text()));
        }

        // A poll with nothing new leaves the view where the user scrolled it.
        view->verticalScrollBar()->setValue(0);
        chat->Timer1Timer();
        QCOMPARE(view->verticalScrollBar()->value(), 0);
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

    void aLineWhoseCommitWentUnansweredIsNotSentTwice()
    {
        // The server goes silent in the middle of a commit (a commit trigger keeps it busy, and
        // then it is frozen): nobody can say whether the line arrived. Say it did; Enter again
        // must find it there rather than store it a second time.
        OwnServer server;
        FreshMainWindow pc(server.FreshSettings());
        QVERIFY(SetUp(pc));
        DatabaseSession &db = pc.form1->Db();
        const QString text = QStringLiteral("are you there");
        const QString ours = "CTEXT='" + text + "'";
        QVERIFY(db.ExecuteScript(
            {"CREATE TRIGGER SLOW_COMMIT ON TRANSACTION COMMIT AS DECLARE I INTEGER = 0; BEGIN "
             "IF (EXISTS(SELECT 1 FROM CHAT WHERE " +
             ours +
             " AND RDB$RECORD_VERSION = CURRENT_TRANSACTION)) THEN "
             "WHILE (I < 2000000000) DO I = I + 1; END"}));
        TForm10 *chat = OpenChat(pc);
        QTRY_VERIFY_WITH_TIMEOUT(!db.AdditionsUnderWay(), 20000);
        chat->Now = [] { return QDateTime(QDate(2026, 12, 9), QTime(12, 0)); };

        std::thread freeze([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            server.Freeze();
        });
        Send(chat, text);
        freeze.join();
        QCOMPARE(messages->Take(), QStringList{msg::kChatNotSent});
        QCOMPARE(chat->Edit1->text(), text);

        // The line arrived after all: what the busy commit would have stored.
        QVERIFY(server.Thaw() && server.Kill() && server.Start());
        QTRY_COMPARE_WITH_TIMEOUT(db.CountRows("CHAT", ""), 0, 20000);
        QVERIFY(db.ExecuteScript({"DROP TRIGGER SLOW_COMMIT"}));
        QVERIFY(db.InsertRow("CHAT", 5, {"N", "MN", "CTEXT", "CDATE", "CTIME"},
                             {"1", "1", "'" + text + "'", "'20261209'", "'120000'"}));

        QTest::keyClick(chat->Edit1, Qt::Key_Return);
        QCOMPARE(messages->Take(), QStringList());
        QVERIFY(chat->Edit1->text().isEmpty());
        QCOMPARE(db.CountRows("CHAT", ours), 1);
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
