// Boards of several PCs on one picture, each PC with its own session: points stored on one
// appear on the others at their next poll, numbers taken by another board are stamped and
// passed over, and two PCs storing at the very same time (two processes) lose and duplicate
// nothing and leave the numbers gapless.

#include "board_fixture.h"
#include "message_recorder.h"
#include "pen_tip.h"
#include "test_database.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <QtTest>

namespace {

const QString kTable = QStringLiteral("IMG_1");

// The strokes one PC draws in the concurrency test: its own half of the picture, its colour.
QList<QList<QPoint>> StrokesOf(int member, int strokes, int points)
{
    QList<QList<QPoint>> all;
    const int left = member == 1 ? 2 : 66;
    for (int s = 0; s < strokes; ++s) {
        QList<QPoint> stroke;
        for (int i = 0; i < points; ++i)
            stroke << QPoint(left + (i * 7 + s) % 54, 2 + (i + s * 5) % 56);
        all << stroke;
    }
    return all;
}

bool WaitForFiles(const QStringList &paths, int seconds)
{
    QDeadlineTimer deadline(seconds * 1000);
    for (;;) {
        bool all = true;
        for (const QString &path : paths) all = all && QFile::exists(path);
        if (all) return true;
        if (deadline.hasExpired()) return false;
        QThread::msleep(5);
    }
}

// Another PC, in a process of its own: waits for the go file, draws its strokes, says so, waits
// until every PC has, polls once and saves what its board shows.
int StoreStrokesAsAnotherPc(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir dir;
    TForm1 form1(dir.filePath(QStringLiteral("oekaki.dat")));
    form1.settings().ServerPrefix = args[2];
    form1.settings().DataFolder = args[3];
    form1.settings().DatabaseFileName = args[4];
    const int member = args[5].toInt(), strokes = args[6].toInt(), points = args[7].toInt();
    const QString folder = args[8];
    form1.settings().PcUserNumber = member;
    form1.ConnectDatabase();
    if (!form1.Connected()) return 3;
    auto board = ShowBoard(form1, 1, 120, 60);
    SetPen(*board, kSquare, 3, member == 1 ? 0x0000C0 : 0xC00000);
    if (!WaitForFiles({folder + QStringLiteral("/go")}, 30)) return 4;
    for (const QList<QPoint> &stroke : StrokesOf(member, strokes, points))
        DrawStroke(*board, stroke);
    QFile(folder + QStringLiteral("/stored-%1").arg(member)).open(QIODevice::WriteOnly);
    if (!WaitForFiles({folder + QStringLiteral("/stored-1"), folder + QStringLiteral("/stored-2")},
                      30))
        return 5;
    board->Timer1Timer();
    return board->Picture().save(folder + QStringLiteral("/board-%1.png").arg(member)) ? 0 : 6;
}

} // namespace

class BoardSharingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> pcA, pcB;
    std::unique_ptr<MessageRecorder> messages;

private slots:
    void init()
    {
        pcA = std::make_unique<FreshMainWindow>();
        if (!pcA->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        pcA->form1->settings().PcUserNumber = 1;
        pcB = std::make_unique<FreshMainWindow>(*pcA, 2);
        QVERIFY(pcB->Ready());
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        QVERIFY(messages->texts.isEmpty());
        messages.reset();
        pcB.reset();
        pcA.reset();
    }

    void pointsStoredOnOneAppearOnTheOtherAtItsNextPoll()
    {
        auto boardA = ShowBoard(*pcA->form1, 1);
        auto boardB = ShowBoard(*pcB->form1, 1);
        boardA->BoardPenSize = 5;
        DrawStroke(*boardA, {{10, 10}, {14, 12}, {20, 30}});
        QCOMPARE(boardB->Picture(), BlankPicture(64, 48)); // not before its poll
        boardB->Timer1Timer();
        QCOMPARE(boardB->Picture(), boardA->Picture());
        QCOMPARE(boardB->RowsSeen(), 3);

        // B's stroke reaches A when A next polls, or when A finishes a stroke of its own.
        SetPen(*boardB, kRing, 9, 0x00FF00);
        DrawStroke(*boardB, {{40, 20}, {44, 24}});
        DrawStroke(*boardA, {{5, 40}});
        QCOMPARE(boardA->RowsSeen(), 6);
        boardB->Timer1Timer();
        QCOMPARE(boardA->Picture(), boardB->Picture());
        QCOMPARE(boardA->Picture(), Replayed(*pcA->form1, 1));
    }

    void strokeNumbersCountPerMember()
    {
        auto boardA = ShowBoard(*pcA->form1, 1);
        auto boardB = ShowBoard(*pcB->form1, 1);
        DrawStroke(*boardA, {{1, 1}, {2, 2}});
        DrawStroke(*boardA, {{3, 3}});
        DrawStroke(*boardB, {{4, 4}, {5, 5}});
        DrawStroke(*boardA, {{6, 6}});
        DrawStroke(*boardB, {{7, 7}});
        QList<QPair<int, int>> memberAndStroke;
        for (const StoredRow &row : StoredRows(pcA->form1->Db(), kTable))
            memberAndStroke << qMakePair(row[1], row[2]);
        QCOMPARE(memberAndStroke,
                 (QList<QPair<int, int>>{{1, 1}, {1, 1}, {1, 2}, {2, 1}, {2, 1}, {1, 3}, {2, 2}}));
        // A board opened later continues the member's numbering from what it replayed.
        auto laterA = ShowBoard(*pcA->form1, 1);
        DrawStroke(*laterA, {{8, 8}});
        QCOMPARE(StoredRows(pcA->form1->Db(), kTable).last()[2], 4);
    }

    // Another board stores points after this board's poll at the end of a stroke and before it
    // numbers its points: this board's points are numbered after them and stay on top, the
    // other board's are read at once and put beneath, each stamped once.
    void pointsStoredBetweenPollAndNumberingGoBeneath()
    {
        auto boardA = ShowBoard(*pcA->form1, 1);
        auto boardB = ShowBoard(*pcB->form1, 1);
        SetPen(*boardA, kSquare, 3, 0x0000FF);
        SetPen(*boardB, kSquare, 3, 0xFF0000);
        boardA->OnStoring = [&](TForm8::StoringStep step, int) {
            if (step == TForm8::StoringStep::Numbering) DrawStroke(*boardB, {{10, 10}, {30, 30}});
        };
        DrawStroke(*boardA, {{10, 10}, {20, 20}});
        boardA->OnStoring = nullptr;
        QList<int> members;
        for (const StoredRow &row : StoredRows(pcA->form1->Db(), kTable)) members << row[1];
        QCOMPARE(members, (QList<int>{2, 2, 1, 1})); // B's points first, A's numbered after them
        QCOMPARE(boardA->RowsSeen(), 4);
        // A's point at (10, 10) lies on top of B's, as on a board opened now.
        const QImage &picture = boardA->Picture();
        QCOMPARE((QList<QRgb>{picture.pixel(30, 30), picture.pixel(10, 10), picture.pixel(20, 20)}),
                 (QList<QRgb>{qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(255, 0, 0)}));
        QCOMPARE(boardA->Picture(), Replayed(*pcA->form1, 1));

        // The next poll draws nothing twice.
        boardA->Timer1Timer();
        QCOMPARE(boardA->Picture(), Replayed(*pcA->form1, 1));
        QCOMPARE(boardA->RowsSeen(), 4);
    }

    // Two PCs storing overlapping strokes at the same moment, each board meeting the other's
    // points below its own: after their next refresh both show what a board opened now shows.
    void overlappingStrokesStoredAtOnceConverge()
    {
        FreshMainWindow pcC(*pcA, 3);
        auto boardA = ShowBoard(*pcA->form1, 1, 80, 60);
        auto boardB = ShowBoard(*pcB->form1, 1, 80, 60);
        auto stroke = [](int seed, int count) {
            QList<QPoint> points;
            for (int i = 0; i < count; ++i)
                points << QPoint(10 + (seed * 17 + i * 5) % 60, 10 + (seed * 11 + i * 3) % 40);
            return points;
        };
        // B stores whole strokes while A tries to insert its third and seventh points.
        SetPen(*boardA, kDisc, 15, 0x0000FF);
        SetPen(*boardB, kSquare, 11, 0xFF0000);
        int seed = 0, attempts = 0;
        boardA->OnStoring = [&](TForm8::StoringStep step, int) {
            if (step == TForm8::StoringStep::Inserting && (++attempts == 3 || attempts == 7))
                DrawStroke(*boardB, stroke(seed++, 6));
        };
        DrawStroke(*boardA, stroke(100, 10));
        boardA->OnStoring = nullptr;

        // A stores a stroke after B's poll and before B numbers its own.
        SetPen(*boardA, kRing, 21, 0x00C000);
        SetPen(*boardB, kRisingLine, 25, 0x808000);
        boardB->OnStoring = [&](TForm8::StoringStep step, int) {
            if (step == TForm8::StoringStep::Numbering) DrawStroke(*boardA, stroke(200, 8));
        };
        DrawStroke(*boardB, stroke(300, 12));
        boardB->OnStoring = nullptr;

        // A polls while its pen rests in the middle of a stroke: B's points go beneath it.
        SetPen(*boardA, kFallingLine, 30, 0x000080);
        SetPen(*boardB, kOutline, 17, 0x008080);
        const QList<QPoint> resting = stroke(400, 7);
        boardA->Image1MouseDown(Qt::LeftButton, Qt::LeftButton, resting[0].x(), resting[0].y());
        for (int i = 1; i < 4; ++i)
            boardA->Image1MouseMove(Qt::LeftButton, resting[i].x(), resting[i].y());
        DrawStroke(*boardB, stroke(500, 5));
        boardA->Timer1Timer();
        for (int i = 4; i < resting.size(); ++i)
            boardA->Image1MouseMove(Qt::LeftButton, resting[i].x(), resting[i].y());
        boardA->Image1MouseUp(Qt::LeftButton, resting.last().x(), resting.last().y());

        boardA->Timer1Timer();
        boardB->Timer1Timer();
        const QImage fresh = Replayed(*pcC.form1, 1, 80, 60);
        QCOMPARE(boardA->Picture(), fresh);
        QCOMPARE(boardB->Picture(), fresh);
        const int stored = int(StoredRows(pcC.form1->Db(), kTable).size());
        QCOMPARE(stored, 10 + 2 * 6 + 8 + 12 + 5 + 7);
        QCOMPARE((QList<int>{boardA->RowsSeen(), boardB->RowsSeen()}),
                 (QList<int>{stored, stored}));
    }

    // The picture's points deleted (画像データ削除) while two boards show it: at its next refresh
    // each shows what a board opened then shows, and strokes go on from N 1 and DN 1 per member.
    void pointsDeletedUnderOpenBoardsStartAnew()
    {
        FreshMainWindow catalogue(*pcA, 3);
        auto boardA = ShowBoard(*pcA->form1, 1);
        auto boardB = ShowBoard(*pcB->form1, 1);
        SetPen(*boardA, kDisc, 7, 0x0000FF);
        SetPen(*boardB, kSquare, 5, 0xFF0000);
        for (int s = 0; s < 3; ++s) {
            DrawStroke(*boardA, {{5 + s * 9, 5}, {8 + s * 9, 20}, {12 + s * 9, 30}});
            DrawStroke(*boardB, {{6 + s * 9, 8}, {9 + s * 9, 25}});
        }
        QVERIFY(catalogue.form1->Db().DropTable(kTable));

        boardA->Timer1Timer();
        QCOMPARE(boardA->Picture(), BlankPicture(64, 48));
        QCOMPARE(boardA->RowsSeen(), 0);
        DrawStroke(*boardB, {{30, 30}, {31, 31}, {40, 30}}); // without a poll first
        boardA->Timer1Timer();
        QCOMPARE(boardA->Picture(), Replayed(*catalogue.form1, 1));
        DrawStroke(*boardA, {{32, 32}, {20, 20}});
        DrawStroke(*boardB, {{33, 10}});
        boardA->Timer1Timer();
        boardB->Timer1Timer();
        QCOMPARE(boardA->Picture(), Replayed(*catalogue.form1, 1));
        QCOMPARE(boardB->Picture(), Replayed(*catalogue.form1, 1));

        QList<QList<int>> numbers; // N, MN, DN
        for (const StoredRow &row : StoredRows(catalogue.form1->Db(), kTable))
            numbers << QList<int>{row[0], row[1], row[2]};
        QCOMPARE(numbers, (QList<QList<int>>{
                              {1, 2, 1}, {2, 2, 1}, {3, 2, 1}, {4, 1, 1}, {5, 1, 1}, {6, 2, 2}}));
    }

    // An insert whose answer was lost although it was committed is not stored a second time.
    void anInsertThatWentThroughIsNotStoredAgain()
    {
        auto boardA = ShowBoard(*pcA->form1, 1);
        SetPen(*boardA, kDisc, 4, 0x123456);
        DatabaseSession &other = pcB->form1->Db();
        boardA->OnStoring = [&](TForm8::StoringStep step, int number) {
            if (step == TForm8::StoringStep::Inserting && number == 2)
                QVERIFY(StorePoint(other, kTable, {2, 1, 1, kDisc, 4, 0x123456, 9, 9}));
        };
        DrawStroke(*boardA, {{8, 8}, {9, 9}, {10, 10}});
        const QList<StoredRow> rows = StoredRows(other, kTable);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(QPoint(rows[2][6], rows[2][7]), QPoint(10, 10));
        QCOMPARE(boardA->RowsSeen(), 3);
    }

    void twoPcsStoringAtOnceLoseAndDuplicateNothing()
    {
        constexpr int kStrokes = 6, kPoints = 30;
        auto boardA = ShowBoard(*pcA->form1, 1, 120, 60); // creates the table
        QTemporaryDir folder;
        QList<QProcess *> pcs;
        for (int member : {1, 2}) {
            auto *pc = new QProcess(this);
            pc->setProcessChannelMode(QProcess::ForwardedChannels);
            const Settings &db = pcA->database;
            pc->start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--store-strokes"), db.ServerPrefix, db.DataFolder,
                       db.DatabaseFileName, QString::number(member), QString::number(kStrokes),
                       QString::number(kPoints), folder.path()});
            QVERIFY(pc->waitForStarted());
            pcs << pc;
        }
        QThread::msleep(300); // both attached and waiting
        QFile(folder.filePath(QStringLiteral("go"))).open(QIODevice::WriteOnly);
        for (QProcess *pc : pcs) {
            QVERIFY(pc->waitForFinished(60000));
            QCOMPARE(pc->exitCode(), 0);
        }

        const QList<StoredRow> rows = StoredRows(pcA->form1->Db(), kTable);
        QCOMPARE(rows.size(), 2 * kStrokes * kPoints);
        for (int i = 0; i < rows.size(); ++i) QCOMPARE(rows[i][0], i + 1); // gapless from 1
        for (int member : {1, 2}) {
            QList<QList<int>> stored, drawn;
            for (const StoredRow &row : rows)
                if (row[1] == member) stored << QList<int>{row[2], row[6], row[7]};
            const QList<QList<QPoint>> strokes = StrokesOf(member, kStrokes, kPoints);
            for (int s = 0; s < strokes.size(); ++s)
                for (QPoint p : strokes[s]) drawn << QList<int>{s + 1, p.x(), p.y()};
            QCOMPARE(stored, drawn); // each point once, in its stroke, in order
        }
        // Both boards, after one more poll, show what the table holds.
        const QImage replayed = Replayed(*pcA->form1, 1, 120, 60);
        for (int member : {1, 2}) {
            const QImage shown(folder.filePath(QStringLiteral("board-%1.png").arg(member)));
            QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), replayed);
        }
        boardA->Timer1Timer();
        QCOMPARE(boardA->Picture(), replayed);
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--store-strokes")
        return StoreStrokesAsAnotherPc(argc, argv);
    QApplication app(argc, argv);
    BoardSharingTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_board_sharing.moc"
