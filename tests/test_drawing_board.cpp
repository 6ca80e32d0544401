// One drawing board on one PC: the replay at show, capturing and storing strokes, the poll's
// timer, saving the picture and the pen dialogs.

#include "board_canvas.h"
#include "board_fixture.h"
#include "image_windows.h"
#include "message_recorder.h"
#include "pen_tip.h"
#include "pen_tip_dialog.h"
#include "test_database.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {
const QString kTable = QStringLiteral("IMG_7");
}

class DrawingBoardTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<MessageRecorder> messages;
    TForm1 &form1() { return *main->form1; }
    DatabaseSession &Db() { return main->form1->Db(); }
    static QList<int> Pen(const TForm8 &board)
    {
        return {board.BoardPenShape, board.BoardPenSize, board.BoardPenColor};
    }

    // Runs `answer` on each dialog the board shows modally, instead of a real modal loop.
    void AnswerDialogs(std::function<void(QDialog &)> answer)
    {
        form1().ShowModal = [answer](QDialog &dialog) {
            dialog.show();
            answer(dialog);
            if (dialog.isVisible()) dialog.reject();
        };
    }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        form1().settings().PcUserNumber = 4;
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        QVERIFY(messages->texts.isEmpty()); // the board never talks to the user
        messages.reset();
        main.reset();
    }

    void firstOpenCreatesTheTableAndStartsWhite()
    {
        QVERIFY(!form1().TableExists(kTable));
        auto board = ShowBoard(form1(), 7, 30, 20);
        QVERIFY(form1().TableExists(kTable));
        QCOMPARE(board->Picture(), BlankPicture(30, 20));
        QCOMPARE(board->Image1->size(), QSize(30, 20));
        QCOMPARE(board->RowsSeen(), 0);
        QVERIFY(board->Timer1->isActive());
        QCOMPARE(board->Timer1->interval(), 5000);

        // View only until drawing is switched on.
        board->Image1MouseDown(Qt::LeftButton, Qt::LeftButton, 5, 5);
        board->Image1MouseUp(Qt::LeftButton, 5, 5);
        QCOMPARE(board->Picture(), BlankPicture(30, 20));
        QVERIFY(StoredRows(Db(), kTable).isEmpty());
        board->SpeedButton4->click();
        board->SpeedButton4->click(); // a second press changes nothing
        QVERIFY(board->SpeedButton4->isChecked());
        QCOMPARE(board->DrawingEnabled, 1);
    }

    void replayReproducesAKnownPicture()
    {
        QVERIFY(Db().CreateImageTable(kTable));
        // Overlapping points in many pens, stored out of order: only N decides the stacking.
        QList<StoredRow> rows;
        for (int n = 1; n <= 60; ++n)
            rows << StoredRow{
                n,         1 + n % 3,        n / 10,           n % 7, 1 + (n * 5) % 12,
                n * 40503, (n * 7) % 50 - 6, (n * 11) % 40 - 4};
        rows << StoredRow{61, 1, 9, 9, 5, 0xFF, 10, 10}; // no such shape: drawn as nothing
        for (int i = 0; i < 61; ++i) QVERIFY(StorePoint(Db(), kTable, rows[i * 37 % 61]));

        QImage expected = BlankPicture(44, 33);
        for (const StoredRow &r : rows) DrawPenTip(expected, r[3], r[4], r[5], r[6], r[7]);
        auto board = ShowBoard(form1(), 7, 44, 33);
        QCOMPARE(board->Picture(), expected);
        QCOMPARE(board->RowsSeen(), 61);
        QTRY_VERIFY(board->Image1->Paints() > 0); // and it reaches the screen
    }

    void strokesAreStoredPointByPoint()
    {
        auto board = ShowBoard(form1(), 7);
        SetPen(*board, kSquare, 3, 0x00FF00);
        // A resting pen stamps again but adds no point; points off the picture are kept.
        DrawStroke(*board, {{5, 5}, {5, 5}, {9, 8}, {-3, 60}, {-3, 60}});
        QCOMPARE(StoredRows(Db(), kTable), (QList<StoredRow>{{1, 4, 1, 2, 3, 0x00FF00, 5, 5},
                                                             {2, 4, 1, 2, 3, 0x00FF00, 9, 8},
                                                             {3, 4, 1, 2, 3, 0x00FF00, -3, 60}}));
        QCOMPARE(board->RowsSeen(), 3);
        QCOMPARE(board->StrokePointCount, 0);
        QVERIFY(!board->PenDown);

        // A click stores one point; the member's next stroke gets the next number.
        DrawStroke(*board, {{20, 20}});
        QCOMPARE(StoredRows(Db(), kTable).last(), (StoredRow{4, 4, 2, 2, 3, 0x00FF00, 20, 20}));
        QCOMPARE(board->Picture(), Replayed(form1(), 7));

        // Releasing another button ends the stroke; the left button still held draws nothing.
        DrawStroke(*board, {{30, 30}, {31, 30}}, Qt::RightButton);
        const QImage before = board->Picture().copy();
        board->Image1MouseMove(Qt::LeftButton, 40, 40);
        board->Image1MouseUp(Qt::LeftButton, 40, 40);
        QCOMPARE(board->Picture(), before);
        QCOMPARE(StoredRows(Db(), kTable).size(), 6);
        QCOMPARE(board->RowsSeen(), 6);

        // A poll with nothing new changes nothing, and never draws the board's own points again.
        board->Timer1Timer();
        QCOMPARE(board->Picture(), before);
    }

    void realMouseEventsIncludingOutsideThePicture()
    {
        auto board = ShowBoard(form1(), 7, 40, 30);
        board->SpeedButton4->click();
        SetPen(*board, kDisc, 1, 0x0000FF);
        auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button,
                        Qt::MouseButtons held) {
            QMouseEvent event(type, QPointF(at), QPointF(board->Image1->mapToGlobal(at)), button,
                              held, Qt::NoModifier);
            QApplication::sendEvent(board->Image1, &event);
        };
        send(QEvent::MouseButtonPress, {3, 4}, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, {12, 7}, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseMove, {-5, 45}, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, {-5, 45}, Qt::LeftButton, Qt::NoButton);
        const QList<StoredRow> rows = StoredRows(Db(), kTable);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(QPoint(rows[2][6], rows[2][7]), QPoint(-5, 45));
        QCOMPARE(board->Picture().pixel(12, 7), qRgb(255, 0, 0));
    }

    void theTimerRestsWhileHandlersWork()
    {
        auto board = ShowBoard(form1(), 7);
        QList<bool> activeWhileStoring;
        board->OnStoring = [&](TForm8::StoringStep, int) {
            activeWhileStoring << board->Timer1->isActive();
        };
        DrawStroke(*board, {{1, 1}, {2, 2}});
        QCOMPARE(activeWhileStoring, (QList<bool>{false, false, false}));
        QVERIFY(board->Timer1->isActive());
        QVERIFY(board->Timer1->remainingTime() > 4500);

        bool activeInDialog = true;
        AnswerDialogs([&](QDialog &) { activeInDialog = board->Timer1->isActive(); });
        board->SpeedButton3->click();
        QVERIFY(!activeInDialog);
        QVERIFY(board->Timer1->isActive());

        board->close();
        QVERIFY(!board->Timer1->isActive());
        QVERIFY(StorePoint(Db(), kTable, {3, 1, 1, kSquare, 3, 0, 1, 1}));
        board->Timer1Timer(); // a tick already queued neither reads nor starts the timer again
        QVERIFY(!board->Timer1->isActive());
        QCOMPARE(board->RowsSeen(), 2);
    }

    void savingAsBitmap()
    {
        auto board = ShowBoard(form1(), 7, 33, 21);
        SetPen(*board, kDisc, 9, 0x336699);
        DrawStroke(*board, {{10, 10}, {20, 12}, {32, 20}});
        QTemporaryDir folder, other;
        QString typed;
        bool cancel = false;
        AnswerDialogs([&](QDialog &dialog) {
            auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(typed);
            if (!cancel) dialog.accept();
        });
        auto save = [&](const QString &path) {
            typed = path;
            board->SpeedButton1Click();
        };

        save(folder.filePath("a.bmp"));
        QCOMPARE(QImage(folder.filePath("a.bmp"), "BMP").convertToFormat(QImage::Format_RGB32),
                 board->Picture());
        QCOMPARE(form1().settings().BitmapFolder, folder.path() + QLatin1Char('/'));
        save(folder.filePath("b.BmP"));
        save(folder.filePath("c")); // the dialog adds the extension
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
                 QStringList({"a.bmp", "b.BmP", "c.bmp"}));

        // Another extension writes nothing and says nothing, but the folder is remembered.
        save(other.filePath("d.png"));
        save(other.filePath("e.bmp.txt"));
        QCOMPARE(QDir(other.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(form1().settings().BitmapFolder, other.path() + QLatin1Char('/'));

        // A folder that is not there, or cannot take the file: said, with the path, and only a
        // folder that is there is remembered.
        const QString missing = folder.filePath("missing/g.bmp");
        save(missing);
        save("/proc/h.bmp");
        QCOMPARE(messages->Take(),
                 QStringList({"画像ファイルが保存出来ませんでした。\r\n" +
                                  QDir::toNativeSeparators(missing),
                              "画像ファイルが保存出来ませんでした。\r\n/proc/h.bmp"}));
        QVERIFY(!QFile::exists(missing));
        QCOMPARE(form1().settings().BitmapFolder, QString("/proc/"));
        save(folder.filePath("missing/i.png"));
        QCOMPARE(form1().settings().BitmapFolder, QString("/proc/"));

        form1().settings().BitmapFolder = other.path() + QLatin1Char('/');
        cancel = true;
        save(folder.filePath("f.bmp"));
        QVERIFY(!QFile::exists(folder.filePath("f.bmp")));
        QCOMPARE(form1().settings().BitmapFolder, other.path() + QLatin1Char('/'));
    }

    void penDialogsAndWhatClosingKeeps()
    {
        auto *form9 = new TForm9(form1());
        form9->setParent(&form1(), form9->windowFlags());
        form1().SetStartupDialog(PlacedDialog::Form9, form9);
        form1().settings().PenShape = 1;
        form1().settings().PenSize = 4;
        form1().settings().PenColor = 0x0000FF;
        auto board = ShowBoard(form1(), 7);

        std::function<void(TForm9 &)> answer;
        AnswerDialogs([&](QDialog &dialog) {
            if (auto *pen = qobject_cast<TForm9 *>(&dialog)) answer(*pen);
        });
        // A refused size, then cancel: the pen stays.
        answer = [](TForm9 &pen) {
            QCOMPARE(pen.ComboBox1->currentIndex(), 1); // the board's pen
            pen.Edit1->setText(QStringLiteral("301"));
            pen.Button1Click();
            pen.Button2Click();
        };
        board->SpeedButton2Click();
        QCOMPARE(Pen(*board), (QList<int>{1, 4, 0x0000FF}));
        QCOMPARE(messages->Take().size(), 1);

        answer = [](TForm9 &pen) {
            pen.ComboBox1->setCurrentIndex(kRisingLine);
            pen.Edit1->setText(QStringLiteral("12"));
            pen.Button1Click();
        };
        board->SpeedButton2Click();
        QCOMPARE(Pen(*board), (QList<int>{kRisingLine, 12, 0x0000FF}));

        AnswerDialogs([](QDialog &dialog) {
            auto *colours = qobject_cast<QColorDialog *>(&dialog);
            QCOMPARE(colours->currentColor(), QColor(255, 0, 0)); // starts at the pen's colour
            colours->setCurrentColor(QColor(0x10, 0x20, 0x30));
            colours->accept();
        });
        board->SpeedButton3Click();
        QCOMPARE(Pen(*board), (QList<int>{kRisingLine, 12, 0x302010}));

        board->resize(300, 200);
        board->close();
        const Settings &kept = form1().settings();
        QCOMPARE((QList<int>{kept.PenShape, kept.PenSize, kept.PenColor, kept.DrawWindowWidth,
                             kept.DrawWindowHeight}),
                 (QList<int>{kRisingLine, 12, 0x302010, 300, 200}));
    }

    void theCatalogueOpensABoardInsideTheMainWindow()
    {
        main->Show();
        QVERIFY(form1().Connected());
        form1().settings().DrawWindowWidth = 350;
        form1().settings().DrawWindowHeight = 260;
        TForm8 *board = OpenDrawingBoard(form1(), 12, 100, 80, QStringLiteral("海'辺"));
        QVERIFY(board);
        QCOMPARE(board->windowTitle(), QStringLiteral("お絵描きソフト － 海'辺(N:12)"));
        QCOMPARE(board->StrokeTableName, QStringLiteral("IMG_12"));
        QCOMPARE(board->Picture().size(), QSize(100, 80));
        auto *frame = qobject_cast<QMdiSubWindow *>(board->parentWidget());
        QVERIFY(frame);
        QCOMPARE(frame->size(), QSize(350, 260));
        QPointer<TForm8> alive(board);
        frame->close();
        QTRY_VERIFY(!alive);
        QCOMPARE(form1().settings().DrawWindowWidth, 350);
        QVERIFY(form1().MdiArea()->subWindowList().isEmpty());
    }
};

QTEST_MAIN(DrawingBoardTest)
#include "test_drawing_board.moc"
