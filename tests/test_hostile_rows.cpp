// Rows another client wrote straight into every table — NULLs, the ends of INTEGER, negative
// sizes, line breaks, bytes that are no CP932, unknown pen shapes and pointer states, dates that
// are no dates — read by every window of one PC: each stays up and shows what is there.

#include "chat_editor.h"
#include "chat_window.h"
#include "cp932.h"
#include "drawing_board.h"
#include "image_list_browser.h"
#include "image_record_editor.h"
#include "member_dialog.h"
#include "message_recorder.h"
#include "name_balloon.h"
#include "pc_user_dialog.h"
#include "pointer_window.h"
#include "section_dialog.h"
#include "string_grid.h"
#include "test_database.h"
#include "window_wiring.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QtTest>

#include <climits>

namespace {

// Text as another client's bytes: what CP932 cannot read arrives as it is.
QString Bytes(const QByteArray &bytes)
{
    return QLatin1Char('\'') + cp932::Decode(bytes) + QLatin1Char('\'');
}

template <class Window> Window *Child(TForm1 &form1)
{
    for (QMdiSubWindow *frame : form1.MdiArea()->subWindowList())
        if (auto *window = qobject_cast<Window *>(frame->widget())) return window;
    return nullptr;
}

QList<TForm13 *> Balloons()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<TForm13 *> balloons;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *balloon = qobject_cast<TForm13 *>(widget); balloon && balloon->isVisible())
            balloons << balloon;
    return balloons;
}

int DataRows(const StringGrid *grid)
{
    int rows = 0;
    for (int r = 1; r < grid->RowCount(); ++r)
        if (!grid->Cell(0, r).isEmpty()) ++rows;
    return rows;
}

const QString kInt = QStringLiteral("2147483647");
const QString kMinInt = QStringLiteral("-2147483648");

} // namespace

class HostileRowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MessageRecorder> messages;
    std::unique_ptr<FreshMainWindow> pc;
    TForm1 &form1() { return *pc->form1; }
    DatabaseSession &Db() { return form1().Db(); }

    void Insert(const QString &table, const QStringList &columns, const QStringList &values)
    {
        QVERIFY2(Db().InsertRow(table, int(columns.size()), columns, values),
                 qPrintable(table + QLatin1Char(' ') + values.join(QLatin1Char(','))));
    }

    void WriteHostileRows()
    {
        DatabaseSession &db = Db();
        QVERIFY(db.CreateSectionTable() && db.CreateMemberTable() && db.CreateImageListTable() &&
                db.CreateChatTable() && db.CreateMousePosTable());
        const QStringList section{"N", "SNAME"};
        Insert("SECTION", section, {"1", "'総務'"});
        Insert("SECTION", section, {kInt, "NULL"});
        Insert("SECTION", section, {"-7", "'''引用符\"'"});
        Insert("SECTION", section, {"3", Bytes("\x81\r\nA\tB\x1A")});
        Insert("SECTION", section, {"4", Bytes(QByteArray(32, '\xFF'))});

        const QStringList member{"N", "SN", "PNAME"};
        Insert("MEMBER", member, {"1", "1", "'山田'"});
        Insert("MEMBER", member, {"-1", "NULL", "NULL"});
        Insert("MEMBER", member, {kInt, kInt, "'1:2:3'"});
        Insert("MEMBER", member, {"5", "-7", Bytes(QByteArray("\xEB\x40").repeated(8))});
        Insert("MEMBER", member, {"6", "NULL", Bytes("a\r\nb")});
        Insert("MEMBER", member, {"7", "3", Bytes(QByteArray(15, 'W') + '\x81')});

        const QStringList picture{"N",     "MN", "INAME", "MEMO1", "MEMO2",
                                  "MEMO3", "SX", "SY",    "DATE1", "DATE2"};
        const QString today = QDate::currentDate().toString("yyyyMMdd");
        Insert(
            "IMGLIST", picture,
            {"1", "1", "'普通の絵'", "'x'", "'y'", "'z'", "64", "48", "'20240101'", "'20240102'"});
        Insert(
            "IMGLIST", picture,
            {"2", "NULL", "NULL", "NULL", "NULL", "NULL", "-100", "0", "'abcdefgh'", "'99999999'"});
        Insert("IMGLIST", picture,
               {"3", kInt, Bytes(QByteArray(63, 'N') + '\x9F'), Bytes("\r\n\r\n"), "'%_'''", "NULL",
                kInt, kInt, "NULL", "'2024'"});
        Insert("IMGLIST", picture,
               {"4", "-1", "'巨大'", "NULL", "NULL", "NULL", "100000", "100000", "'00000000'",
                "NULL"});
        Insert("IMGLIST", picture,
               {"-5", "6", "'負'", "NULL", "NULL", "NULL", "8", "8", "NULL", "NULL"});
        Insert("IMGLIST", picture,
               {kInt, "7", "'最後'", "NULL", "NULL", "NULL", "10", kMinInt, "NULL", "NULL"});

        // Strokes: a point of every odd kind between two plain ones.
        QVERIFY(db.CreateImageTable("IMG_1") && db.CreateImageTable("IMG_3"));
        const QStringList stroke{"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"};
        const QList<QStringList> points{
            {"1", "1", "1", "0", "5", "255", "10", "10"},
            {"2", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
            {"3", "1", "1", "99", "5", "0", "20", "20"},
            {"4", "1", "1", "-1", "-5", "-1", "30", "30"},
            {"5", "1", "1", "0", kInt, "0", "40", "40"},
            {"6", "1", "1", "1", kInt, "0", kInt, kMinInt},
            {"7", "1", "1", "4", "1000000", "65280", kMinInt, kInt},
            {"8", "1", "1", "2", "100000", "16711680", "-50000", "-50000"},
            {"-3", "1", "1", "2", "3", "0", "50", "40"},
            {"9", "1", "1", "2", "3", "16711680", "60", "40"},
        };
        for (const QStringList &point : points) Insert("IMG_1", stroke, point);
        Insert("IMG_3", stroke, {kInt, "1", "1", "0", "3", "0", "5", "5"});

        const QStringList chat{"N", "MN", "CTEXT", "CDATE", "CTIME"};
        Insert("CHAT", chat, {"1", "1", "'おはよう'", "'" + today + "'", "'090000'"});
        Insert("CHAT", chat, {"2", "NULL", "NULL", "'" + today + "'", "NULL"});
        Insert("CHAT", chat, {"3", "999", Bytes("a\r\nb\x1A\tc"), "'" + today + "'", "'999999'"});
        Insert("CHAT", chat,
               {"4", "-1", Bytes(QByteArray("\x81").repeated(80)), "'" + today + "'", "'abc'"});
        Insert("CHAT", chat, {"-9", "7", "'負の番号'", "'" + today + "'", "'000000'"});
        Insert("CHAT", chat, {"5", "5", "'''; DROP TABLE CHAT; --'", "'" + today + "'", "NULL"});
        Insert("CHAT", chat, {"6", "1", "'昔'", "'99999999'", "'235959'"});

        const QStringList pointer{"MN", "ST", "MX", "MY"};
        Insert("MOUSEPOS", pointer, {"NULL", "1", "5", "5"});
        Insert("MOUSEPOS", pointer, {kInt, "1", kInt, kMinInt});
        Insert("MOUSEPOS", pointer, {"5", "1", kMinInt, kInt});
        Insert("MOUSEPOS", pointer, {"-1", "1", "NULL", "NULL"});
        Insert("MOUSEPOS", pointer, {"6", "2", "10", "10"});
        Insert("MOUSEPOS", pointer, {"7", "1", "40", "50"});
        Insert("MOUSEPOS", pointer, {"7", "1", "60", "70"}); // one member, two rows
    }

private slots:
    void init()
    {
        messages = std::make_unique<MessageRecorder>();
        pc = std::make_unique<FreshMainWindow>();
        if (!pc->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        WireWindows(form1());
        form1().ShowModal = [](QDialog &dialog) { dialog.show(); };
        // And a settings file at the extremes it may hold: each window opens at the size and
        // with the pen the file says, however absurd.
        Settings &s = form1().settings();
        s.PcUserNumber = 1;
        s.ImageListWidth = INT_MAX;
        s.ImageListHeight = 80;
        s.ImageListColumnWidths = {INT_MAX, 32, 1000000, 32, 32, 32, INT_MAX};
        s.ImageListPanelHeight = INT_MAX;
        s.DrawWindowWidth = INT_MAX;
        s.DrawWindowHeight = INT_MIN;
        s.ChatWindowWidth = -1;
        s.ChatWindowHeight = INT_MAX;
        s.PenShape = 99;
        s.PenSize = INT_MAX;
        s.PenColor = -1;
        form1().resize(900, 700);
        pc->Show();
        form1().move(100, 80);
        QVERIFY(QTest::qWaitForWindowExposed(&form1()));
    }
    void cleanup()
    {
        pc.reset();
        messages.reset();
    }

    void everyWindowShowsAnotherClientsRows()
    {
        WriteHostileRows();
        if (QTest::currentTestFailed()) return;

        // Sections and members: every row listed, each one's text in the edits on a click.
        form1().mnuAddTable1Click();
        auto *form3 = static_cast<TForm3 *>(form1().StartupDialog(PlacedDialog::Form3));
        QVERIFY(form3->isVisible());
        QCOMPARE(DataRows(form3->SG1), 5);
        for (int r = 1; r <= 5; ++r) {
            form3->SG1->SetRow(r);
            form3->SG1Click();
            QCOMPARE(form3->Edit1->text(), form3->SG1->Cell(0, r));
        }
        QCOMPARE(form3->SG1->Cell(0, 5), kInt);
        form3->hide();

        form1().mnuAddTable2Click();
        auto *form4 = static_cast<TForm4 *>(form1().StartupDialog(PlacedDialog::Form4));
        QVERIFY(form4->isVisible());
        QCOMPARE(form4->ComboBox1->count(), 6); // none, then the five sections
        QVERIFY(DataRows(form4->SG1) >= 3);
        for (int r = 1; r < form4->SG1->RowCount(); ++r) {
            form4->SG1->SetRow(r);
            form4->SG1Click();
        }
        form4->hide();

        form1().mnuPCnameSetClick();
        auto *form5 = static_cast<TForm5 *>(form1().StartupDialog(PlacedDialog::Form5));
        QVERIFY(form5->isVisible());
        QCOMPARE(form5->ComboBox1->count(), 6);
        QVERIFY(form5->ComboBox1->itemText(0).startsWith(QStringLiteral("-1:")));
        form5->Button2Click();

        // The catalogue in every order, each picture's details, and a board for each picture.
        form1().mnuImageListClick();
        TForm7 *form7 = Child<TForm7>(form1());
        QVERIFY(form7);
        QCOMPARE(DataRows(form7->SG1), 6);
        for (int order = 0; order < form7->ComboBox1->count(); ++order) {
            form7->ComboBox1->setCurrentIndex(order);
            form7->ComboBox1Select();
            QCOMPARE(DataRows(form7->SG1), 6);
        }
        form7->ComboBox1->setCurrentIndex(0);
        form7->ComboBox1Select();
        const QList<int> numbers{-5, 1, 2, 3, 4, 2147483647};
        for (int r = 1; r <= 6; ++r) {
            QCOMPARE(form7->SG1->Cell(0, r).toInt(), numbers[r - 1]);
            form7->SG1->SetRow(r);
            form7->SG1SelectCell(0, r);
            QVERIFY(form7->LabelB->text().startsWith(QStringLiteral("サイズ：")));
            form7->Button8Click();
        }
        QCoreApplication::processEvents();
        QList<TForm8 *> boards;
        for (QMdiSubWindow *frame : form1().MdiArea()->subWindowList())
            if (auto *board = qobject_cast<TForm8 *>(frame->widget())) boards << board;
        QCOMPARE(boards.size(), 5); // none for a number below 1
        for (TForm8 *board : boards) {
            QVERIFY(board->isVisible());
            board->Timer1Timer();
            // A size no picture can be registered with shows its top-left part, rather than
            // taking the PC's memory or showing nothing.
            if (board->PictureNumber == 3 || board->PictureNumber == 4)
                QCOMPARE(board->Picture().size(), QSize(2000, 2000));
        }
        TForm8 *board1 = boards[0];
        QCOMPARE(board1->PictureNumber, 1);
        QCOMPARE(board1->Picture().size(), QSize(64, 48));
        QCOMPARE(board1->Picture().pixel(10, 10), qRgb(255, 0, 0)); // the plain points are there
        QCOMPARE(board1->Picture().pixel(60, 40), qRgb(0, 0, 255));
        QCOMPARE(board1->RowsSeen(), 9);

        // The record editor loads each of them.
        form1().mnuImageEditClick();
        TForm6 *form6 = Child<TForm6>(form1());
        QVERIFY(form6);
        for (const char *number : {"1", "2", "3", "4"}) {
            form6->Edit1->setText(number);
            form6->Button4Click();
            QCOMPARE(form6->Edit1->text(), QString::fromLatin1(number));
        }
        QCOMPARE(form6->Edit6->text(), QStringLiteral("100000"));

        // Today's chat, in number order, the negative number first.
        form1().mnuChatStartClick();
        TForm10 *form10 = Child<TForm10>(form1());
        QVERIFY(form10);
        const QString shown = form10->RichEdit1->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral("おはよう")), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("DROP TABLE CHAT")));
        QVERIFY(shown.indexOf(QStringLiteral("負の番号")) <
                shown.indexOf(QStringLiteral("おはよう")));
        QVERIFY(!shown.contains(QStringLiteral("昔")));

        form1().mnuChatEditClick();
        auto *form11 = static_cast<TForm11 *>(form1().StartupDialog(PlacedDialog::Form11));
        QVERIFY(form11->isVisible());
        QCOMPARE(DataRows(form11->SG1), 7);
        for (int r = 1; r <= 7; ++r) {
            form11->SG1->SetRow(r);
            form11->SG1Click();
        }
        form11->hide();

        // Pointers: a balloon for each member sharing, none placed where no screen reaches.
        form1().mnuMousePointerClick();
        TForm12 *form12 = Child<TForm12>(form1());
        QVERIFY(form12);
        form12->Timer1Timer();
        form12->Timer1Timer();
        const QList<TForm13 *> balloons = Balloons();
        QStringList names;
        for (TForm13 *balloon : balloons) {
            names << balloon->BalloonText;
            const QRect screens(QPoint(-32768, -32768), QPoint(32767, 32767));
            QVERIFY2(screens.contains(balloon->geometry().topLeft()),
                     qPrintable(QStringLiteral("%1 at %2, %3")
                                    .arg(balloon->BalloonText)
                                    .arg(balloon->x())
                                    .arg(balloon->y())));
        }
        QVERIFY2(names.contains(QStringLiteral("1:2:3")), qPrintable(names.join('|')));
        QVERIFY(!names.contains(QStringLiteral("山田"))); // this PC's own member

        // After all that, this PC still draws, with the absurd pen, and closes every window.
        board1->SpeedButton4Click();
        board1->Image1MouseDown(Qt::LeftButton, Qt::LeftButton, 5, 5);
        board1->Image1MouseMove(Qt::LeftButton, 7, 7);
        board1->Image1MouseUp(Qt::LeftButton, 7, 7);
        QVERIFY(Db().CountRows("IMG_1", "N>9 AND PTYP=99 AND PSIZ=2147483647 AND PCOL=-1") >= 1);
        form1().MdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        QVERIFY(form1().MdiArea()->subWindowList().isEmpty());
        QVERIFY(Balloons().isEmpty());
        const Settings &s = form1().settings();
        QVERIFY(s.ImageListWidth >= 80 && s.ImageListPanelHeight >= 10);
        const QByteArray file = FormatSettingsFile(s, WindowPlacements());
        QCOMPARE(FormatSettingsFile(ParseSettingsFile(file, true).settings, WindowPlacements()),
                 file);

        QVERIFY(Db().TableExists("CHAT") && Db().TableExists("MEMBER"));
        QCOMPARE(Db().CountRows("CHAT", QString()), 7);
        QVERIFY(form1().isVisible());
        for (const QString &text : messages->texts)
            QVERIFY2(!text.contains(QStringLiteral("接続")), qPrintable(text));
    }
};

QTEST_MAIN(HostileRowsTest)
#include "test_hostile_rows.moc"
