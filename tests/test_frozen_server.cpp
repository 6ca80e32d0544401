// A server frozen (its process stopped) while a drawing board, the chat and the pointer window
// poll: the program stalls once, for the call limit, and not for the call limit twice over;
// every later handler fails at once, and once the server answers again the windows go on by
// themselves.

#include "board_fixture.h"
#include "chat_window.h"
#include "message_recorder.h"
#include "own_server.h"
#include "pointer_window.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

// Runs the event loop for a while and notes how long each turn of it took: a turn cannot end
// before the handler it runs has returned, so the longest gap is the longest handler.
struct StallMeter {
    QList<qint64> gaps; // every gap over 200 ms, in order

    qint64 Run(int milliseconds)
    {
        QTimer beat;
        QElapsedTimer since;
        qint64 longest = 0;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            const qint64 gap = since.restart();
            longest = std::max(longest, gap);
            if (gap > 200) gaps << gap;
        });
        beat.start(10);
        since.start();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return longest;
    }
};

} // namespace

class FrozenServerTest : public QObject {
    Q_OBJECT

private slots:
    void noHandlerWaitsForASilentServerLongerThanTheCallLimit()
    {
        OwnServer server;
        QVERIFY2(server.Running(), "the test's own Firebird server did not start");
        MessageRecorder messages;
        FreshMainWindow pc(server.FreshSettings());
        QVERIFY(pc.Ready());
        TForm1 &form1 = *pc.form1;
        DatabaseSession &db = form1.Db();
        form1.settings().PcUserNumber = 1;
        QVERIFY(test_db::CreateMembers(db, {{1, "あ"}, {2, "い"}}));
        QVERIFY(db.CreateImageListTable() && db.CreateImageTable("IMG_1"));
        QVERIFY(db.CreateMousePosTable() &&
                db.InsertRow("MOUSEPOS", 1, {"MN,ST,MX,MY"}, {"2,1,5,5"}));
        form1.SetChildWindowFactory(ChildWindow::Chat, [](TForm1 &o) { return new TForm10(o); });
        form1.SetChildWindowFactory(ChildWindow::Pointer, [](TForm1 &o) { return new TForm12(o); });
        pc.Show();
        form1.mnuChatStartClick();
        form1.mnuMousePointerClick();
        QVERIFY(form1.ChatWindowOpen && form1.PointerWindowOpen);
        const auto board = ShowBoard(form1, 1);

        StallMeter meter;
        QVERIFY(meter.Run(1500) < 1000); // answering, the polls are quick
        QVERIFY(server.Freeze());
        meter.gaps.clear();
        const qint64 longest = meter.Run(16000); // every window polls at least twice
        qInfo() << "longest handler with the server frozen:" << longest
                << "ms; stalls over 200 ms:" << meter.gaps;
        QVERIFY(server.Thaw());
        QVERIFY2(longest >= 4000, "the freeze was never noticed");
        QVERIFY2(longest <= 7000, "a handler waited for the silent server twice");
        // The first handler had its five seconds; those after it failed at once.
        QVERIFY(!meter.gaps.isEmpty());
        for (qint64 gap : meter.gaps.mid(1)) QVERIFY2(gap < 1500, qPrintable(QString::number(gap)));

        // Back again: the session takes the connection made meanwhile, with no help.
        QTRY_VERIFY_WITH_TIMEOUT(db.CountRows("MOUSEPOS", "") == 2, 20000);
        QVERIFY(db.UpdateRows("MOUSEPOS", 1, {"MX"}, {"-1"}, "MN=1"));
        QTRY_COMPARE_WITH_TIMEOUT(db.CountRows("MOUSEPOS", "MN=1 AND MX=-1"), 0, 5000); // ticked
        QVERIFY(messages.texts.isEmpty());
    }
};

QTEST_MAIN(FrozenServerTest)
#include "test_frozen_server.moc"
