// Pointer sharing between PCs: each main window here stands for one PC on the same database.
// Another PC's pointer becomes a balloon at the same offset from this PC's main window, follows
// it tick by tick, and goes when that PC stops sharing; no balloon outlives its window.

#include "message_recorder.h"
#include "name_balloon.h"
#include "pointer_window.h"
#include "test_database.h"

#include <QCursor>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

namespace {

// One PC: a shown main window with the pointer window the menu makes.
struct Pc {
    std::unique_ptr<FreshMainWindow> main;
    TForm1 &form1() const { return *main->form1; }

    void Start(QPoint at)
    {
        form1().SetChildWindowFactory(ChildWindow::Pointer,
                                      [](TForm1 &owner) { return new TForm12(owner); });
        form1().SaveSettings(main->dir.filePath("oekaki.dat")); // the first show reads them
        form1().show();
        form1().move(at);
    }
    TForm12 *Window() const
    {
        for (QMdiSubWindow *frame : form1().MdiArea()->subWindowList())
            if (auto *window = qobject_cast<TForm12 *>(frame->widget())) return window;
        return nullptr;
    }
    void Tick() const { Window()->Timer1Timer(); }
    // Where a pointer at `screen` lies for the others: relative to this main window's frame.
    QPoint Offset(QPoint screen) const { return screen - form1().frameGeometry().topLeft(); }
    QPoint Screen(QPoint offset) const { return offset + form1().frameGeometry().topLeft(); }
};

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QList<TForm13 *> Balloons()
{
    QList<TForm13 *> balloons;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *balloon = qobject_cast<TForm13 *>(widget)) balloons << balloon;
    return balloons;
}

// The row of member `member`: ST, MX, MY.
QStringList Row(TForm1 &form1, int member)
{
    QStringList fields{QString(), QString(), QString()};
    form1.Db().SelectFirstRow("ST,MX,MY", "MOUSEPOS", QStringLiteral("MN=%1").arg(member), fields);
    return fields;
}

} // namespace

class PointerWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MessageRecorder> messages;
    Pc a, b; // members 1 and 2

    void Write(int member, int state, int x, int y)
    {
        a.form1().Db().InsertRow("MOUSEPOS", 4, {"MN", "ST", "MX", "MY"},
                                 {QString::number(member), QString::number(state),
                                  QString::number(x), QString::number(y)});
    }

private slots:
    void init()
    {
        messages = std::make_unique<MessageRecorder>();
        a.main = std::make_unique<FreshMainWindow>();
        if (!a.main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        a.form1().settings().PcUserNumber = 1;
        b.main = std::make_unique<FreshMainWindow>(*a.main, 2);
        DatabaseSession &db = a.form1().Db();
        QVERIFY(db.CreateMemberTable() && db.CreateMousePosTable());
        for (const auto &[n, name] : {std::pair{1, "'あい'"}, {2, "'B'"}, {3, "'C'"}, {4, "'D'"}})
            QVERIFY(db.InsertRow("MEMBER", 3, {"N", "SN", "PNAME"},
                                 {QString::number(n), "0", QString::fromUtf8(name)}));
        a.Start(QPoint(100, 100));
        b.Start(QPoint(420, 260));
    }
    void cleanup()
    {
        b.main.reset(); // the other PC first: the first one drops the database
        a.main.reset();
        FlushDeletes();
        QVERIFY(Balloons().isEmpty());
        messages.reset();
    }

    void anotherPcsPointerBecomesABalloonThatFollowsIt()
    {
        a.form1().mnuMousePointerClick();
        QVERIFY(a.form1().PointerWindowOpen);
        Write(2, 0, 5, 5); // B stopped sharing before A looked: no entry
        Write(9, 1, 5, 5); // sharing, but no such member: never shown
        a.Tick();
        QVERIFY(a.Window()->PointerEntries.empty());

        QCursor::setPos(500, 400);
        b.form1().mnuMousePointerClick(); // B publishes at once, A sees it at its next tick
        QCOMPARE(Row(a.form1(), 2), (QStringList{"1", QString::number(b.Offset({500, 400}).x()),
                                                 QString::number(b.Offset({500, 400}).y())}));
        // A's own timer: the first tick a second after the window opened, then every second.
        QTRY_COMPARE_WITH_TIMEOUT(a.Window()->PointerEntries.size(), size_t(1), 3000);
        QPointer<TForm13> balloon = a.Window()->PointerEntries[0].Balloon;
        QVERIFY(balloon && balloon->isVisible());
        QCOMPARE(balloon->BalloonText, QStringLiteral("B"));
        QCOMPARE(balloon->geometry().topLeft(), a.Screen(b.Offset({500, 400})));
        // Neither shows its own member.
        b.Tick();
        QCOMPARE(b.Window()->PointerEntries.size(), size_t(1));
        QCOMPARE(b.Window()->PointerEntries[0].MemberNumber, 1);
        QCOMPARE(b.Window()->PointerEntries[0].Balloon->BalloonText, QStringLiteral("あい"));
        QCOMPARE(Balloons().size(), 2);

        // B moves: the same balloon moves at A's next tick.
        QCursor::setPos(30, 700);
        b.Tick();
        QCOMPARE(balloon->geometry().topLeft(), a.Screen(b.Offset({500, 400})));
        a.Tick();
        QCOMPARE(a.Window()->PointerEntries[0].Balloon, balloon);
        QCOMPARE(balloon->geometry().topLeft(), a.Screen(b.Offset({30, 700})));
        QVERIFY(a.Screen(b.Offset({30, 700})).x() < 0); // off A's side of the screen is kept

        // B closes its window: gone at A's next tick, the entry stays hidden.
        b.Window()->parentWidget()->close();
        FlushDeletes();
        QVERIFY(!b.Window() && !b.form1().PointerWindowOpen);
        QCOMPARE(Row(a.form1(), 2).value(0), QStringLiteral("0"));
        a.Tick();
        FlushDeletes();
        QVERIFY(!balloon);
        QCOMPARE(a.Window()->PointerEntries.size(), size_t(1));
        QCOMPARE(a.Window()->PointerEntries[0].Shown, 0);

        // B opens it again: a new balloon for the old entry.
        b.form1().mnuMousePointerClick();
        a.Tick();
        QCOMPARE(a.Window()->PointerEntries.size(), size_t(1));
        QVERIFY(a.Window()->PointerEntries[0].Balloon);
        QCOMPARE(a.Window()->PointerEntries[0].Shown, 1);
    }

    void closingThePointerWindowClosesEveryBalloon()
    {
        a.form1().mnuMousePointerClick();
        Write(3, 1, 10, 20);
        Write(4, 1, -30, 40);
        a.Tick();
        QCOMPARE(Balloons().size(), 2);
        a.Window()->parentWidget()->close();
        FlushDeletes();
        QVERIFY(Balloons().isEmpty());
        QVERIFY(!a.form1().PointerWindowOpen);
        QCOMPARE(Row(a.form1(), 1).value(0), QStringLiteral("0"));

        a.form1().mnuMousePointerClick(); // starts from an empty list, first read at the tick
        QVERIFY(a.Window()->PointerEntries.empty());
        a.Tick();
        QCOMPARE(Balloons().size(), 2);
    }

    void endingTheProgramWithThePointerWindowOpen()
    {
        a.form1().mnuMousePointerClick();
        b.form1().mnuMousePointerClick();
        Write(3, 1, 10, 20);
        a.Tick();
        b.Tick();
        QCOMPARE(Balloons().size(), 4); // B and C on A's screen, A and C on B's

        // B's program ends with its pointer window open: its balloons go with it, and its row
        // says it stopped sharing, so A drops B's balloon instead of keeping it for good.
        b.form1().close();
        b.main.reset();
        FlushDeletes();
        QCOMPARE(Balloons().size(), 2);
        QCOMPARE(Row(a.form1(), 2).value(0), QStringLiteral("0"));
        a.Tick();
        FlushDeletes();
        QCOMPARE(Balloons().size(), 1);
        QCOMPARE(Balloons()[0]->BalloonText, QStringLiteral("C"));
    }
};

QTEST_MAIN(PointerWindowTest)
#include "test_pointer_window.moc"
