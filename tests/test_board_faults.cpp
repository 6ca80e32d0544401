// Storing strokes when inserts fail for another reason than a number taken by another board:
// the picture's points deleted while the board is open, the server stopped or killed in the
// middle of a stroke, and a flood of numbers taken. Nothing drawn is lost or stored twice, the
// numbers stay gapless from 1, and no handler waits long.

#include "board_fixture.h"
#include "message_recorder.h"
#include "own_server.h"
#include "table_additions.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QStatusBar>
#include <QtTest>

namespace {

const QString kTable = QStringLiteral("IMG_1");

QList<QPoint> Line(int count, int y = 5)
{
    QList<QPoint> points;
    for (int i = 0; i < count; ++i) points << QPoint(i, y);
    return points;
}

// The stored rows as N, DN, X, Y.
QList<QList<int>> NumbersAndPoints(DatabaseSession &db)
{
    QList<QList<int>> rows;
    for (const StoredRow &row : StoredRows(db, kTable))
        rows << QList<int>{row[0], row[2], row[6], row[7]};
    return rows;
}

// What strokes stored one after another on a new table hold: N from `first`, each stroke's DN
// from `firstStroke`.
QList<QList<int>> Expected(int first, int firstStroke, const QList<QList<QPoint>> &strokes)
{
    QList<QList<int>> rows;
    int n = first, dn = firstStroke;
    for (const QList<QPoint> &stroke : strokes) {
        for (QPoint p : stroke) rows << QList<int>{n++, dn, p.x(), p.y()};
        ++dn;
    }
    return rows;
}

// Runs a handler and fails when it took longer than a user may be kept waiting, not counting
// `notCountedMs` that the test itself spent inside it (stopping a server on a busy machine takes
// seconds of its own).
template <class Handler>
void WithinFiveSeconds(const char *what, Handler handler, const qint64 &notCountedMs = 0)
{
    QElapsedTimer clock;
    clock.start();
    handler();
    const qint64 ms = clock.elapsed() - notCountedMs;
    QVERIFY2(ms < 5000, qPrintable(QString("%1 took %2 ms").arg(what).arg(ms)));
}

} // namespace

class BoardFaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MessageRecorder> messages;

private slots:
    void init() { messages = std::make_unique<MessageRecorder>(); }
    void cleanup()
    {
        QVERIFY(messages->texts.isEmpty());
        messages.reset();
    }

    // Dropped in the middle of a stroke: the points stored before go with the table, the rest
    // of the stroke starts a new table from N 1 and DN 1, with its indexes.
    void pointsDeletedWhileTheBoardIsOpen()
    {
        FreshMainWindow pc;
        QVERIFY2(pc.Ready(), qPrintable(test_db::WhyNoServer()));
        FreshMainWindow catalogue(pc, 2); // another PC deletes the picture's points
        auto board = ShowBoard(*pc.form1, 1);
        DrawStroke(*board, Line(3));
        // The board's additions beside its table (indexes, event trigger) are made meanwhile;
        // a DROP TABLE while one is under way is refused as "in use".
        QTRY_VERIFY_WITH_TIMEOUT(!pc.form1->Db().AdditionsUnderWay(), 30000);

        bool dropped = false;
        board->OnStoring = [&](TForm8::StoringStep step, int n) {
            if (step == TForm8::StoringStep::Inserting && n == 6 && !dropped)
                QVERIFY(dropped = catalogue.form1->Db().DropTable(kTable));
        };
        WithinFiveSeconds("the stroke the table was dropped under",
                          [&] { DrawStroke(*board, Line(10, 9)); });
        board->OnStoring = nullptr;
        QVERIFY(dropped);
        WithinFiveSeconds("the next stroke", [&] { DrawStroke(*board, Line(8, 12)); });
        WithinFiveSeconds("a poll", [&] { board->Timer1Timer(); });

        QCOMPARE(NumbersAndPoints(pc.form1->Db()),
                 Expected(1, 1, {Line(10, 9).mid(2), Line(8, 12)}));
        QCOMPARE(board->Picture(), Replayed(*catalogue.form1, 1));
        QCOMPARE(board->RowsSeen(), 16);
        QTRY_VERIFY_WITH_TIMEOUT(!pc.form1->Db().AdditionsUnderWay(), 30000);
        for (const QString &index :
             {additions::NumberIndexName(kTable), additions::MemberStrokeIndexName(kTable)})
            QCOMPARE(
                pc.form1->Db()
                    .SelectMax("RDB$INDICES", "RDB$INDEX_NAME", "RDB$INDEX_NAME='" + index + "'")
                    .trimmed(),
                index);
    }

    // The server stopped in an orderly way during one stroke and killed during another: what
    // it did not take waits on the board, said in its status bar, and is stored once, in
    // order, when it is back.
    void strokesWaitWhileTheServerIsAway()
    {
        OwnServer server;
        QVERIFY(server.Running());
        FreshMainWindow pc(server.FreshSettings());
        QVERIFY(pc.Ready());
        auto board = ShowBoard(*pc.form1, 1, 64, 48);
        SetPen(*board, 0, 5, 0x4080C0);
        const QList<QList<QPoint>> strokes{Line(2), Line(10, 9), Line(8, 12), Line(6, 20),
                                           Line(4, 30)};
        DrawStroke(*board, strokes[0]);

        for (bool kill : {false, true}) {
            const int firstOfStroke = kill ? 21 : 3; // the stroke the server goes during
            const QList<QPoint> &during = strokes[kill ? 3 : 1];
            const QList<QPoint> &after = strokes[kill ? 4 : 2];
            qint64 stoppingMs = 0;
            board->OnStoring = [&](TForm8::StoringStep step, int n) {
                if (step == TForm8::StoringStep::Inserting && n == firstOfStroke + 2) {
                    QElapsedTimer stopping;
                    stopping.start();
                    QVERIFY(kill ? server.Kill() : server.Stop());
                    stoppingMs = stopping.elapsed();
                }
            };
            WithinFiveSeconds(
                "the stroke the server went during", [&] { DrawStroke(*board, during); },
                stoppingMs);
            board->OnStoring = nullptr;
            WithinFiveSeconds("a stroke while it is away", [&] { DrawStroke(*board, after); });
            WithinFiveSeconds("a poll while it is away", [&] { board->Timer1Timer(); });
            const int waiting = int(during.size()) - 2 + int(after.size());
            QCOMPARE(board->WaitingPoints(), waiting);
            QVERIFY(board->StatusBar1->currentMessage().contains(QString::number(waiting)));

            // Closing asks before the points are thrown away; No keeps the board.
            messages->answers = {MessageAnswer::No};
            WithinFiveSeconds("closing while it is away", [&] { QVERIFY(!board->close()); });
            QCOMPARE(messages->Take(),
                     QStringList{
                         QString("サーバーに保存されていない点が%1個あります。破棄して閉じますか？")
                             .arg(waiting)});
            QVERIFY(board->isVisible());

            QVERIFY(server.Start());
            WithinFiveSeconds("the poll when it is back", [&] { board->Timer1Timer(); });
            QCOMPARE(board->WaitingPoints(), 0);
            QCOMPARE(board->StatusBar1->currentMessage(), QString());
        }
        QCOMPARE(NumbersAndPoints(pc.form1->Db()), Expected(1, 1, strokes));
        QCOMPARE(board->Picture(), Replayed(*pc.form1, 1));
        QVERIFY(board->close()); // nothing waits: nothing is asked
    }

    // Numbers are taken from the table at every stroke: points others stored after the poll
    // that opens the storing cost no attempt, and a flood of them between numbering and
    // inserting costs one.
    void numbersTakenFromTheTable()
    {
        FreshMainWindow pc;
        QVERIFY2(pc.Ready(), qPrintable(test_db::WhyNoServer()));
        FreshMainWindow other(pc, 2);
        auto board = ShowBoard(*pc.form1, 1);
        auto flood = [&](int first, int last) {
            QVERIFY(other.form1->Db().ExecuteScript(
                {QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = %1; BEGIN").arg(first),
                 QStringLiteral("WHILE (I <= %1) DO BEGIN").arg(last),
                 QStringLiteral("INSERT INTO IMG_1 VALUES (:I, 2, 1, 2, 1, 255, 3, 3);"),
                 QStringLiteral("I = I + 1; END END")}));
        };
        QList<int> attempts;
        board->OnStoring = [&](TForm8::StoringStep step, int number) {
            if (step == TForm8::StoringStep::Numbering) return flood(1, 50);
            attempts << number;
            if (number == 51) flood(51, 100);
        };
        DrawStroke(*board, Line(3));
        QCOMPARE(attempts, (QList<int>{51, 101, 102, 103}));
        const QList<StoredRow> rows = StoredRows(pc.form1->Db(), kTable);
        QCOMPARE(rows.size(), 103);
        for (int i = 0; i < rows.size(); ++i) QCOMPARE(rows[i][0], i + 1);
        QCOMPARE(board->RowsSeen(), 103);
        QCOMPARE(board->Picture(), Replayed(*pc.form1, 1));
    }
};

QTEST_MAIN(BoardFaultsTest)
#include "test_board_faults.moc"
