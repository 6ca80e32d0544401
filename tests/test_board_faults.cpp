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

QList<int> Numbers(const QList<StoredRow> &rows)
{
    QList<int> numbers;
    for (const StoredRow &row : rows) numbers << row[0];
    return numbers;
}

QList<int> OneTo(int n)
{
    QList<int> numbers;
    for (int i = 1; i <= n; ++i) numbers << i;
    return numbers;
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

        // Dropped in the middle of a stroke: the points stored so far stay, the rest is given up.
        QElapsedTimer clock;
        board->OnStoring = [&](TForm8::StoringStep step, int number) {
            if (step == TForm8::StoringStep::Inserting && number == 6) {
                QVERIFY(catalogue.form1->Db().DropTable(kTable));
                clock.start();
            }
        };
        DrawStroke(*board, Line(10, 9));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!pc.form1->TableExists(kTable));
        board->OnStoring = nullptr;

        // A whole stroke while the table is gone, and a poll.
        clock.restart();
        DrawStroke(*board, Line(20, 12));
        board->Timer1Timer();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
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

        QElapsedTimer clock;
        board->OnStoring = [&](TForm8::StoringStep step, int number) {
            if (step == TForm8::StoringStep::Inserting && number == 5) {
                // Killed rather than shut down: an orderly shutdown of a busy server may take
                // longer than the test waits, and serve meanwhile.
                QVERIFY(server.Kill());
                clock.start();
            }
        };
        DrawStroke(*board, Line(8, 7));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        board->OnStoring = nullptr;

        clock.restart();
        DrawStroke(*board, Line(8, 9)); // the whole stroke with the server down
        board->Timer1Timer();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

        QVERIFY(server.Start());
        pc.form1->DisconnectDatabase();
        pc.form1->ConnectDatabase();
        QVERIFY(pc.form1->Connected());
        const QList<StoredRow> rows = StoredRows(pc.form1->Db(), kTable);
        QCOMPARE(Numbers(rows), OneTo(4)); // two strokes' points up to the stop, each once
        QCOMPARE(QPoint(rows[3][6], rows[3][7]), QPoint(1, 7));
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
