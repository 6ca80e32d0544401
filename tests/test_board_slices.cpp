// A long stroke on a slow server: stored a slice at a time, so that the window answers in
// between (no handler near the 5 s bound), while another PC stores its own stroke among the
// slices; nothing is lost, doubled or out of order, and closing the board stores the rest.

#include "board_fixture.h"
#include "message_recorder.h"
#include "stall_log.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>
#include <QtTest>

namespace {

const QString kTable = QStringLiteral("IMG_1");

QList<QPoint> Line(int count, int y)
{
    QList<QPoint> points;
    for (int i = 0; i < count; ++i) points << QPoint(i % 60, y + i / 60);
    return points;
}

// The points one member stored, by N, as DN, X, Y.
QList<QList<int>> PointsOf(DatabaseSession &db, int member)
{
    QList<QList<int>> rows;
    for (const StoredRow &row : StoredRows(db, kTable))
        if (row[1] == member) rows << QList<int>{row[2], row[6], row[7]};
    return rows;
}

QList<QList<int>> Stroke(int dn, const QList<QPoint> &points)
{
    QList<QList<int>> rows;
    for (QPoint p : points) rows << QList<int>{dn, p.x(), p.y()};
    return rows;
}

void Release(TForm8 &board, const QList<QPoint> &points)
{
    if (!board.DrawingEnabled) board.SpeedButton4->click();
    board.Image1MouseDown(Qt::LeftButton, Qt::LeftButton, points[0].x(), points[0].y());
    for (int i = 1; i < points.size(); ++i)
        board.Image1MouseMove(Qt::LeftButton, points[i].x(), points[i].y());
    board.Image1MouseUp(Qt::LeftButton, points.last().x(), points.last().y());
}

} // namespace

class BoardSlicesTest : public QObject {
    Q_OBJECT

private slots:
    void aLongStrokeOnASlowServer()
    {
        MessageRecorder messages;
        FreshMainWindow pc;
        QVERIFY2(pc.Ready(), qPrintable(test_db::WhyNoServer()));
        FreshMainWindow other(pc, 2);
        pc.form1->settings().PcUserNumber = 1;
        auto board = ShowBoard(*pc.form1, 1);
        auto otherBoard = ShowBoard(*other.form1, 1);
        // Each insert 30 ms slower than the server makes it: 100 points take 3 s or more.
        board->OnStoring = [](TForm8::StoringStep step, int) {
            if (step == TForm8::StoringStep::Inserting) QThread::msleep(30);
        };
        QTemporaryDir dir;
        StallLog stalls(dir.filePath(QStringLiteral("stall.txt")));

        const QList<QPoint> first = Line(100, 2);
        QElapsedTimer clock;
        clock.start();
        Release(*board, first);
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(board->StoringContinues());
        QVERIFY(board->WaitingPoints() > 0);
        // Being stored, not waiting for the server: the status bar says nothing of it.
        QCOMPARE(board->StatusBar1->currentMessage(), QString());

        // The other PC's short stroke lands among the slices.
        const QList<QPoint> others = Line(3, 30);
        DrawStroke(*otherBoard, others);
        QTRY_VERIFY_WITH_TIMEOUT(!board->StoringContinues(), 30000);
        QCOMPARE(board->WaitingPoints(), 0);
        QVERIFY2(stalls.LongestGapMs() < 5000, qPrintable(QString::number(stalls.LongestGapMs())));

        // Closing the board right after the next long stroke stores it whole, without asking.
        const QList<QPoint> second = Line(100, 10);
        Release(*board, second);
        QVERIFY(board->StoringContinues());
        board->close();
        QCOMPARE(messages.texts, QStringList());

        DatabaseSession &db = pc.form1->Db();
        const QList<StoredRow> rows = StoredRows(db, kTable);
        QCOMPARE(rows.size(), 203);
        for (int i = 0; i < rows.size(); ++i) QCOMPARE(rows[i][0], i + 1);
        QCOMPARE(PointsOf(db, 1), Stroke(1, first) + Stroke(2, second));
        QCOMPARE(PointsOf(db, 2), Stroke(1, others));
        otherBoard->Timer1Timer();
        QCOMPARE(otherBoard->Picture(), Replayed(*other.form1, 1));
    }
};

QTEST_MAIN(BoardSlicesTest)
#include "test_board_slices.moc"
