// Pointer sharing between PCs: each main window here stands for one PC on the same database.
// Another PC's pointer becomes a balloon at the same offset from this PC's main window, follows
// it tick by tick, and goes when that PC stops sharing; no balloon outlives its window.

#include "message_recorder.h"
#include "name_balloon.h"
#include "own_server.h"
#include "pointer_window.h"
#include "test_database.h"

#include <QCursor>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

namespace {

// One PC: its shown main window and the pointer window its menu makes.
struct Pc {
    std::unique_ptr<FreshMainWindow> main;
    TForm1 &form1() const { return *main->form1; }
    TForm12 *Window() const
    {
        const auto frames = form1().MdiArea()->subWindowList();
        return frames.isEmpty() ? nullptr : qobject_cast<TForm12 *>(frames[0]->widget());
    }
    void Tick() const { Window()->Timer1Timer(); }
    QPoint Corner() const { return form1().frameGeometry().topLeft(); }
};

QList<TForm13 *> Balloons()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<TForm13 *> balloons;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *balloon = qobject_cast<TForm13 *>(widget)) balloons << balloon;
    return balloons;
}

} // namespace

class PointerWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MessageRecorder> messages;
    Pc a, b; // members 1 and 2

    void Write(int member, int state)
    {
        a.form1().Db().InsertRow("MOUSEPOS", 1, {"MN,ST,MX,MY"},
                                 {QStringLiteral("%1,%2,10,20").arg(member).arg(state)});
    }
    static QString State(Pc &pc, int member)
    {
        QStringList st{QString()};
        pc.form1().Db().SelectFirstRow("ST", "MOUSEPOS", QStringLiteral("MN=%1").arg(member), st);
        return st[0];
    }

    // Members 1 "あい", 2 "B" and 3 "C"; the PC shown with its main window's corner there.
    static void Prepare(Pc &pc, QPoint corner)
    {
        DatabaseSession &db = pc.form1().Db();
        if (!db.TableExists("MEMBER"))
            QVERIFY(db.CreateMousePosTable() &&
                    test_db::CreateMembers(db, {{1, "あい"}, {2, "B"}, {3, "C"}}));
        pc.form1().SetChildWindowFactory(ChildWindow::Pointer,
                                         [](TForm1 &owner) { return new TForm12(owner); });
        pc.main->Show();
        pc.form1().move(corner);
    }

private slots:
    void init()
    {
        messages = std::make_unique<MessageRecorder>();
        a.main = std::make_unique<FreshMainWindow>();
        if (!a.main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        a.form1().settings().PcUserNumber = 1;
        b.main = std::make_unique<FreshMainWindow>(*a.main, 2);
        Prepare(a, QPoint(100, 100));
        Prepare(b, QPoint(420, 260));
    }
    void cleanup()
    {
        b.main.reset(); // the other PC first: the first one drops the database
        a.main.reset();
        QVERIFY(Balloons().isEmpty());
        messages.reset();
    }

    void anotherPcsPointerBecomesABalloonThatFollowsIt()
    {
        a.form1().mnuMousePointerClick();
        Write(2, 0); // B stopped before A looked: no entry
        Write(9, 1); // sharing, but no such member: never shown
        a.Tick();
        QVERIFY(a.Window()->PointerEntries.empty());

        QCursor::setPos(500, 400);
        b.form1().mnuMousePointerClick();
        // A's own timer: first a second after its window opened, then every second.
        QTRY_COMPARE_WITH_TIMEOUT(a.Window()->PointerEntries.size(), size_t(1), 3000);
        QPointer<TForm13> balloon = a.Window()->PointerEntries[0].Balloon;
        QVERIFY(balloon && balloon->isVisible());
        QCOMPARE(balloon->BalloonText, QStringLiteral("B"));
        QCOMPARE(balloon->geometry().topLeft(), QPoint(500, 400) - b.Corner() + a.Corner());
        b.Tick(); // neither shows its own member
        QCOMPARE(b.Window()->PointerEntries.size(), size_t(1));
        QCOMPARE(b.Window()->PointerEntries[0].Balloon->BalloonText, QStringLiteral("あい"));

        QCursor::setPos(30, 700); // B moves: the same balloon moves at A's next tick
        b.Tick();
        a.Tick();
        QCOMPARE(a.Window()->PointerEntries[0].Balloon, balloon);
        QCOMPARE(balloon->geometry().topLeft(), QPoint(30, 700) - b.Corner() + a.Corner());

        b.Window()->parentWidget()->close(); // gone at A's next tick; the entry stays
        QVERIFY(!b.form1().PointerWindowOpen);
        a.Tick();
        Balloons();
        QVERIFY(!balloon);
        QCOMPARE(a.Window()->PointerEntries.size(), size_t(1));

        b.form1().mnuMousePointerClick(); // again: a new balloon for the old entry
        a.Tick();
        QCOMPARE(a.Window()->PointerEntries.size(), size_t(1));
        QVERIFY(a.Window()->PointerEntries[0].Balloon);
    }

    void closingAWindowOrTheProgramLeavesNoBalloon()
    {
        a.form1().mnuMousePointerClick();
        b.form1().mnuMousePointerClick();
        Write(3, 1);
        a.Tick();
        b.Tick();
        QCOMPARE(Balloons().size(), 4); // B and C on A's screen, A and C on B's

        a.Window()->parentWidget()->close();
        QCOMPARE(Balloons().size(), 2);
        QVERIFY(!a.form1().PointerWindowOpen);
        a.form1().mnuMousePointerClick(); // starts from an empty list
        QVERIFY(a.Window()->PointerEntries.empty());
        a.Tick();

        // B's program ends with its pointer window open: its balloons go with it, and its row
        // says it stopped, so A drops B's balloon instead of keeping it for good.
        b.form1().close();
        b.main.reset();
        QCOMPARE(Balloons().size(), 2);
        QCOMPARE(State(a, 2), QStringLiteral("0"));
        a.Tick();
        QCOMPARE(Balloons().size(), 1);
        QCOMPARE(Balloons()[0]->BalloonText, QStringLiteral("C"));
    }

    void aLostServerLeavesTheBalloonsWhereTheyAre()
    {
        OwnServer server;
        QVERIFY(server.Running());
        Pc c;
        c.main = std::make_unique<FreshMainWindow>(server.FreshSettings());
        c.form1().settings().PcUserNumber = 1;
        Prepare(c, QPoint(100, 100));
        c.form1().mnuMousePointerClick();
        QVERIFY(c.form1().Db().InsertRow("MOUSEPOS", 1, {"MN,ST,MX,MY"}, {"2,1,10,20"}));
        c.Tick();
        const QPointer<TForm13> balloon = c.Window()->PointerEntries[0].Balloon;
        QVERIFY(balloon);

        QVERIFY(server.Kill());
        c.form1().move(300, 300);
        c.Tick();
        c.Tick();
        QCOMPARE(c.Window()->PointerEntries[0].Balloon, balloon);
        QCOMPARE(balloon->geometry().topLeft(), QPoint(310, 320)); // the last offset read

        // The server comes back: the session finds it again, and so does the balloon.
        QVERIFY(server.Start());
        QTRY_VERIFY_WITH_TIMEOUT(c.form1().Db().UpdateRows("MOUSEPOS", 1, {"MX"}, {"50"}, "MN=2"),
                                 10000);
        c.Tick();
        QCOMPARE(balloon->geometry().topLeft(), QPoint(350, 320));
        c.Window()->parentWidget()->close();
        QCOMPARE(State(c, 1), QStringLiteral("0"));
        QVERIFY(messages->texts.isEmpty()); // neither the lost server nor its return is told
    }

    void aStopInAnOutageReachesTheServerOnceItIsBack()
    {
        OwnServer server;
        QVERIFY(server.Running());
        Pc c;
        c.main = std::make_unique<FreshMainWindow>(server.FreshSettings());
        c.form1().settings().PcUserNumber = 1;
        Prepare(c, QPoint(100, 100));
        c.form1().mnuMousePointerClick();
        QCOMPARE(State(c, 1), QStringLiteral("1"));

        // Closed while the server is stopped: the row is put right once it is back, no window
        // open any more.
        QVERIFY(server.Stop());
        c.Window()->parentWidget()->close();
        QVERIFY(c.form1().PendingPointerStops().Pending(1));
        QVERIFY(server.Start());
        QTRY_COMPARE_WITH_TIMEOUT(State(c, 1), QStringLiteral("0"), 10000);
        QVERIFY(!c.form1().PendingPointerStops().Pending(1));

        // The PC user changes to member 2 while sharing, the server killed meanwhile: member 1
        // stops too, and opening the window again as 1 is not undone by a late stop.
        c.form1().mnuMousePointerClick();
        QCOMPARE(State(c, 1), QStringLiteral("1"));
        QVERIFY(server.Kill());
        c.form1().settings().PcUserNumber = 2;
        c.Tick();
        QVERIFY(server.Start());
        QTRY_COMPARE_WITH_TIMEOUT(State(c, 1), QStringLiteral("0"), 10000);
        c.Tick();
        QCOMPARE(State(c, 2), QStringLiteral("1"));

        // The program ends while the server is away: at its next start for member 2 the row
        // says the sharing stopped.
        Pc next;
        next.main = std::make_unique<FreshMainWindow>(*c.main, 2);
        QVERIFY(server.Kill());
        c.form1().close();
        c.main.reset();
        QVERIFY(server.Start());
        QTRY_COMPARE_WITH_TIMEOUT(State(next, 2), QStringLiteral("1"), 10000);
        next.main->Show();
        QCOMPARE(State(next, 2), QStringLiteral("0"));
        next.main.reset(); // before its server goes
        QVERIFY(messages->texts.isEmpty());
    }
};

QTEST_MAIN(PointerWindowTest)
#include "test_pointer_window.moc"
