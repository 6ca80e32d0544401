// Event alerts when the server misbehaves, each on a server of the test's own: a port for events
// the server cannot open, a server restarted under the listener, a server that goes silent. The
// boards fall back to their polls at once and say nothing, get their events again once the
// session has attached anew, and draw every point exactly once.

#include "board_fixture.h"
#include "event_listener.h"
#include "message_recorder.h"
#include "own_server.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QtTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kEventLimitMs = 2000;
constexpr int kPollLimitMs = 8000; // the 5 s poll, on a busy machine

qint64 MsUntil(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return -1;
        QTest::qWait(2);
    }
    return clock.elapsed();
}

// Another program listening on a loopback port, so the server cannot open it.
class TakenPort {
public:
    TakenPort()
    {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(socket_, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            ::listen(socket_, 1) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~TakenPort() { Release(); }
    int Port() const { return port_; }
    void Release()
    {
        if (socket_ >= 0) ::close(socket_);
        socket_ = -1;
    }

private:
    int socket_ = -1;
    int port_ = 0;
};

} // namespace

class EventFaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<OwnServer> server;
    std::unique_ptr<MessageRecorder> messages;
    std::unique_ptr<FreshMainWindow> pcA, pcB;
    std::unique_ptr<TForm8> boardA, boardB;

    EventListener &EventsOfB() { return pcB->form1->Db().Events(); }

    // Both PCs on a database of the own server, each with a board on picture 1.
    void OpenBoards()
    {
        pcA = std::make_unique<FreshMainWindow>(server->FreshSettings());
        QVERIFY(pcA->Ready());
        pcA->form1->settings().PcUserNumber = 1;
        pcB = std::make_unique<FreshMainWindow>(*pcA, 2);
        QVERIFY(pcB->Ready());
        for (FreshMainWindow *pc : {pcA.get(), pcB.get()})
            pc->form1->Db().Events().SetRetryPause(300);
        boardA = ShowBoard(*pcA->form1, 1);
        boardB = ShowBoard(*pcB->form1, 1);
    }

    // A stroke of A reaches B: within `limitMs`, and then B shows what a fresh board shows.
    void Share(const QList<QPoint> &stroke, int limitMs)
    {
        DrawStroke(*boardA, stroke);
        const int stored = boardA->RowsSeen();
        QVERIFY2(MsUntil([&] { return boardB->RowsSeen() == stored; }, limitMs) >= 0,
                 qPrintable(QStringLiteral("not on B within %1 ms").arg(limitMs)));
        QCOMPARE(boardB->Picture(), Replayed(*pcA->form1, 1));
    }

private slots:
    void init()
    {
        messages = std::make_unique<MessageRecorder>();
        server = std::make_unique<OwnServer>();
        QVERIFY2(server->Running(), "the test's own Firebird server did not start");
    }
    void cleanup()
    {
        QVERIFY(messages->texts.isEmpty()); // nothing about events is ever said
        boardB.reset();
        boardA.reset();
        pcB.reset();
        pcA.reset();
        server.reset();
        messages.reset();
    }

    void aPortTheServerCannotOpenLeavesThePolls()
    {
        TakenPort taken;
        QVERIFY(taken.Port() > 0);
        QVERIFY(server->SetAuxPort(taken.Port()) && server->Stop() && server->Start());
        OpenBoards();
        // Asking for events costs the session its attachment; the polls go on at once.
        QTest::qWait(500);
        QVERIFY(!EventsOfB().Listening("IMG_1"));
        Share({{10, 10}, {20, 20}}, kPollLimitMs);
        Share({{30, 10}}, kPollLimitMs);

        // The port is free again: once the session has attached anew, events come.
        taken.Release();
        QVERIFY(MsUntil([&] { return EventsOfB().Listening("IMG_1"); }, 15000) >= 0);
        Share({{40, 30}, {44, 34}}, kEventLimitMs);
    }

    void aServerRestartedUnderTheListener()
    {
        OpenBoards();
        QVERIFY(MsUntil([&] { return EventsOfB().Listening("IMG_1"); }, 5000) >= 0);
        Share({{10, 10}}, kEventLimitMs);

        QVERIFY(server->Stop());
        QVERIFY(MsUntil([&] { return !EventsOfB().Listening("IMG_1"); }, 2000) >= 0);
        QVERIFY(server->Start());
        // Stored before B has attached again: B's poll brings it, and B listens again.
        Share({{20, 20}, {24, 20}}, kPollLimitMs);
        QVERIFY(MsUntil([&] { return EventsOfB().Listening("IMG_1"); }, kPollLimitMs) >= 0);
        Share({{30, 30}, {34, 36}, {38, 40}}, kEventLimitMs);
        QCOMPARE(boardB->RowsSeen(), 6);
    }

    // A board closed while the server is silent withdraws its request under the watchdog:
    // closing waits five seconds at most, not for the server.
    void aSilentServerHoldsUpNoMoreThanTheWatchdogAllows()
    {
        OpenBoards();
        QVERIFY(MsUntil([&] { return EventsOfB().Listening("IMG_1"); }, 5000) >= 0);
        QVERIFY(server->Freeze());
        QElapsedTimer clock;
        clock.start();
        boardB.reset();
        const qint64 ms = clock.elapsed();
        QVERIFY(server->Thaw());
        QVERIFY2(ms <= 7000, qPrintable(QString::number(ms)));
    }
};

QTEST_MAIN(EventFaultsTest)
#include "test_event_faults.moc"
