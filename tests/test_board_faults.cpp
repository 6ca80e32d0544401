// Storing a stroke when inserts fail for another reason than a number taken by another board:
// the picture's points deleted while the board is open, the server stopped, and a flood of
// numbers taken. Storing gives up the rest of the stroke at once, silently, never hangs and
// never stores a point twice.

#include "board_fixture.h"
#include "message_recorder.h"
#include "own_server.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

const QString kTable = QStringLiteral("IMG_1");

QList<QPoint> Line(int count, int y = 5)
{
    QList<QPoint> points;
    for (int i = 0; i < count; ++i) points << QPoint(i, y);
    return points;
}

// Draws a stroke of ten points on row 9 with `fault` done just before point `number` is
// inserted, then a whole stroke of eight and a poll in the fault: each returns at once.
void StrokesMeetAFault(TForm8 &board, int number, const std::function<bool()> &fault)
{
    QElapsedTimer clock;
    board.OnStoring = [&](TForm8::StoringStep step, int n) {
        if (step != TForm8::StoringStep::Inserting || n != number) return;
        QVERIFY(fault());
        clock.start();
    };
    DrawStroke(board, Line(10, 9));
    board.OnStoring = nullptr;
    QVERIFY2(clock.isValid() && clock.elapsed() < 1000,
             qPrintable(QString::number(clock.elapsed())));
    clock.restart();
    DrawStroke(board, Line(8, 12));
    board.Timer1Timer();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
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

    void pointsDeletedWhileTheBoardIsOpen()
    {
        FreshMainWindow pc;
        QVERIFY2(pc.Ready(), qPrintable(test_db::WhyNoServer()));
        FreshMainWindow catalogue(pc, 2); // another PC deletes the picture's points
        auto board = ShowBoard(*pc.form1, 1);
        DrawStroke(*board, Line(3));

        // Dropped in the middle of a stroke: the points stored so far stay, the rest is given
        // up; a whole stroke while the table is gone, and a poll.
        StrokesMeetAFault(*board, 6, [&] { return catalogue.form1->Db().DropTable(kTable); });
        QVERIFY(!pc.form1->TableExists(kTable));
        QCOMPARE(board->RowsSeen(), 5);
        QCOMPARE(board->StrokePointCount, 0);

        // The next board on the picture starts a new table; nothing of the above reappears.
        auto next = ShowBoard(*catalogue.form1, 1);
        QVERIFY(StoredRows(pc.form1->Db(), kTable).isEmpty());
    }

    void theServerGoesWhileAStrokeIsStored()
    {
        OwnServer server;
        QVERIFY(server.Running());
        FreshMainWindow pc(server.FreshSettings());
        QVERIFY(pc.Ready());
        auto board = ShowBoard(*pc.form1, 1);
        DrawStroke(*board, Line(2));
        // Killed rather than shut down: an orderly shutdown of a busy server may take longer
        // than the test waits, and serve meanwhile.
        StrokesMeetAFault(*board, 5, [&] { return server.Kill(); });

        QVERIFY(server.Start());
        pc.form1->DisconnectDatabase();
        pc.form1->ConnectDatabase();
        QVERIFY(pc.form1->Connected());
        QList<QList<int>> stored; // two strokes' points up to the stop, each once: N, X, Y
        for (const StoredRow &row : StoredRows(pc.form1->Db(), kTable))
            stored << QList<int>{row[0], row[6], row[7]};
        QCOMPARE(stored, (QList<QList<int>>{{1, 0, 5}, {2, 1, 5}, {3, 0, 9}, {4, 1, 9}}));
    }

    void aFloodOfTakenNumbersEndsTheStroke()
    {
        FreshMainWindow pc;
        QVERIFY2(pc.Ready(), qPrintable(test_db::WhyNoServer()));
        FreshMainWindow other(pc, 2);
        auto board = ShowBoard(*pc.form1, 1);
        board->CollisionLimit = 20;
        constexpr int kTaken = 50;
        board->OnStoring = [&](TForm8::StoringStep step, int number) {
            if (step != TForm8::StoringStep::Inserting || number != 1) return;
            QVERIFY(other.form1->Db().ExecuteScript(
                {QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN"),
                 QStringLiteral("WHILE (I <= %1) DO BEGIN").arg(kTaken),
                 QStringLiteral("INSERT INTO IMG_1 VALUES (:I, 2, 1, 2, 1, 255, 3, 3);"),
                 QStringLiteral("I = I + 1; END END")}));
        };
        DrawStroke(*board, Line(3));
        const QList<StoredRow> rows = StoredRows(pc.form1->Db(), kTable);
        QCOMPARE(rows.size(), kTaken);   // none of the stroke stored after 20 numbers taken
        QCOMPARE(board->RowsSeen(), 21); // the 21 it met were drawn
    }
};

QTEST_MAIN(BoardFaultsTest)
#include "test_board_faults.moc"
