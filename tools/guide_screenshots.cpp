// Takes the pictures of the Japanese guide: the program's own windows, wired as the program
// wires them, on a real X display with a window manager, filled with a small office's data.
// Every dialog is shown as the menu shows it and photographed with its frame; the windows that
// live inside the main window are photographed with it. scripts/screenshots.sh runs it:
//   oekaki_guide_screenshots OUTPUT_FOLDER SERVER_PREFIX DATA_FOLDER

#include "database_settings_dialog.h"
#include "drawing_board.h"
#include "image_list_browser.h"
#include "image_windows.h"
#include "main_window.h"
#include "message_box.h"
#include "program_style.h"
#include "string_grid.h"
#include "window_wiring.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QtMath>

#include <cstdio>

namespace {

QString g_output;
int g_failures = 0;

// Lets the window manager frame the windows and Qt paint them.
void Settle(int ms = 800)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

// The screen under the window's frame, as the user sees it (title bar included).
void Shoot(QWidget *window, const QString &name, const QRect &extra = QRect())
{
    Settle();
    QRect area = window->frameGeometry();
    if (!extra.isNull()) area = area.united(extra);
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(
        0, area.x(), area.y(), area.width(), area.height());
    const QString path = g_output + QLatin1Char('/') + name + QStringLiteral(".png");
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "cannot take %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

QString Quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// A small office: three sections, three members, three pictures (the first one drawn), a
// morning's chat. Stored as the windows store them, straight through the session.
bool FillOffice(DatabaseSession &db)
{
    bool ok = db.CreateSectionTable() && db.CreateMemberTable() && db.CreateImageListTable() &&
              db.CreateChatTable() && db.CreateMousePosTable() && db.CreateImageTable("IMG_1");
    const QStringList sections{"総務", "営業", "デザイン"};
    const QStringList members{"山田花子", "佐藤一郎", "鈴木次郎"};
    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i + 1);
        ok = ok && db.InsertRow("SECTION", 2, {"N", "SNAME"}, {n, Quoted(sections[i])});
        ok = ok && db.InsertRow("MEMBER", 3, {"N", "SN", "PNAME"}, {n, n, Quoted(members[i])});
    }
    const QString today = QDate::currentDate().toString("yyyyMMdd");
    const QList<QStringList> pictures{
        {"1", "1", "猫のスケッチ", "昼寝する猫", "320", "240", "20250110"},
        {"2", "2", "事務所の地図", "二階の配置", "400", "300", "20250312"},
        {"3", "3", "新商品のロゴ", "案その３", "256", "256", "20250401"}};
    for (const QStringList &p : pictures)
        ok = ok && db.InsertRow("IMGLIST", 10,
                                {"N", "MN", "INAME", "MEMO1", "MEMO2", "MEMO3", "SX", "SY", "DATE1",
                                 "DATE2"},
                                {p[0], p[1], Quoted(p[2]), Quoted(p[3]), "NULL", "NULL", p[4], p[5],
                                 Quoted(p[6]), Quoted(today)});

    // A cat's face in two pens: the head and ears in black, the eyes and whiskers in blue.
    int n = 0;
    auto point = [&](int shape, int size, int colour, double x, double y) {
        ++n;
        ok = ok && db.InsertRow("IMG_1", 8, {"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"},
                                {QString::number(n), "1", "1", QString::number(shape),
                                 QString::number(size), QString::number(colour),
                                 QString::number(qRound(x)), QString::number(qRound(y))});
    };
    for (int a = 0; a < 720; a += 3) {
        const double angle = qDegreesToRadians(a / 2.0);
        point(0, 5, 0, 160 + 80 * qCos(angle), 130 + 70 * qSin(angle));
    }
    for (int i = 0; i <= 40; ++i) {
        point(0, 5, 0, 95 + i * 0.75, 85 - i * 1.5); // left ear
        point(0, 5, 0, 125, 25 + i * 1.0);
        point(0, 5, 0, 225 - i * 0.75, 85 - i * 1.5); // right ear
        point(0, 5, 0, 195, 25 + i * 1.0);
    }
    point(0, 16, 0xC04000, 125, 115); // eyes
    point(0, 16, 0xC04000, 195, 115);
    point(2, 6, 0x4040FF, 160, 135); // nose
    for (int i = 0; i <= 40; ++i) {  // whiskers
        point(0, 2, 0xC04000, 60 + i * 1.5, 150 + i * 0.25);
        point(0, 2, 0xC04000, 260 - i * 1.5, 150 + i * 0.25);
    }

    const QList<QStringList> lines{{"1", "おはようございます。", "090102"},
                                   {"2", "おはようございます！猫の絵、見ました。", "090215"},
                                   {"3", "ロゴの案その３を登録しました。", "091030"},
                                   {"1", "午後に皆で見ましょう。", "091122"}};
    for (int i = 0; i < lines.size(); ++i)
        ok = ok && db.InsertRow("CHAT", 5, {"N", "MN", "CTEXT", "CDATE", "CTIME"},
                                {QString::number(i + 1), lines[i][0], Quoted(lines[i][1]),
                                 Quoted(today), Quoted(lines[i][2])});
    return ok;
}

// Shows a menu command's modal dialog without waiting for a user, photographs it, and closes
// it as Cancel would; `prepare` may type into it first.
void ShootDialogOf(TForm1 &form1, const std::function<void()> &command, const QString &name,
                   const std::function<void(QDialog &)> &prepare = {})
{
    auto previous = form1.ShowModal;
    form1.ShowModal = [&](QDialog &dialog) {
        dialog.show();
        Settle(300);
        if (prepare) prepare(dialog);
        Shoot(&dialog, name);
        dialog.reject();
    };
    command();
    form1.ShowModal = previous;
}

// The next message box, photographed and then answered with OK.
void ShootNextMessageBox(const QString &name)
{
    QTimer::singleShot(1500, [name] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            Shoot(box, name);
            box->close();
        } else {
            std::fprintf(stderr, "no message box for %s\n", qPrintable(name));
            ++g_failures;
        }
    });
}

void CloseChildWindows(TForm1 &form1)
{
    form1.MdiArea()->closeAllSubWindows();
    Settle(300);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: oekaki_guide_screenshots OUTPUT SERVER_PREFIX DATA_FOLDER\n");
        return 2;
    }
    g_output = QString::fromLocal8Bit(argv[1]);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setFont(ProgramFont());
    QApplication::setWindowIcon(ProgramIcon());
    app.setQuitOnLastWindowClosed(false);
    QTranslator qtJapanese;
    if (qtJapanese.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtJapanese);

    QTemporaryDir pc;
    TForm1 form1(pc.filePath("oekaki.dat"));
    WireWindows(form1);
    form1.show();
    form1.setGeometry(40, 60, 347, 246); // as designed, for its own pictures
    for (PlacedDialog d : {PlacedDialog::Form2, PlacedDialog::Form3, PlacedDialog::Form4,
                           PlacedDialog::Form5, PlacedDialog::Form9, PlacedDialog::Form11})
        form1.StartupDialog(d)->move(260, 160);
    Settle();

    Settings &s = form1.settings();
    s.ServerPrefix = QString::fromLocal8Bit(argv[2]);
    s.DataFolder = QString::fromLocal8Bit(argv[3]);
    s.DatabaseFileName = QStringLiteral("GUIDE.FDB");
    form1.CreateDatabaseFile();
    if (!form1.Connected() || !FillOffice(form1.Db())) {
        std::fprintf(stderr, "cannot make the sample database: %s\n",
                     qPrintable(form1.Db().LastErrorText()));
        return 1;
    }
    s.PcUserNumber = 1;
    s.PcUserName = QStringLiteral("山田花子");
    s.ImageListWidth = 740;
    s.ImageListHeight = 420;
    s.ImageListColumnWidths = {48, 130, 140, 72, 72, 80, 80};
    s.ImageListPanelHeight = 100;
    s.DrawWindowWidth = 380;
    s.DrawWindowHeight = 330;
    s.ChatWindowWidth = 560;
    s.ChatWindowHeight = 280;
    s.PenShape = 0;
    s.PenSize = 5;

    // The main window, and its first menu open.
    Shoot(&form1, "01-main-window");
    form1.mnuFile->popup(form1.mapToGlobal(form1.menuBar()->geometry().bottomLeft()));
    Settle();
    Shoot(&form1, "02-main-window-menu", form1.mnuFile->geometry());
    form1.mnuFile->hide();
    form1.setGeometry(40, 60, 760, 520); // room for the windows that live inside it

    // The dialogs of the first menu.
    ShootDialogOf(
        form1, [&] { form1.mnuDBsetClick(); }, "03-database-settings",
        [](QDialog &dialog) {
            auto &form2 = static_cast<TForm2 &>(dialog);
            form2.Edit1->setText(QStringLiteral("192.168.0.10:"));
            form2.Edit2->setText(QStringLiteral("/var/lib/oekaki/"));
            form2.Edit3->setText(QStringLiteral("PAINT.FDB"));
            form2.Edit4->setText(QStringLiteral("OEKAKI"));
            form2.Edit5->setText(QStringLiteral("password"));
        });
    form1.ConnectDatabase(); // the dialog was cancelled: the sample database again
    ShootDialogOf(
        form1, [&] { form1.mnuAddTable1Click(); }, "04-sections");
    ShootDialogOf(
        form1, [&] { form1.mnuAddTable2Click(); }, "05-members");
    ShootDialogOf(
        form1, [&] { form1.mnuPCnameSetClick(); }, "06-pc-user");

    // Pictures: a new record, the catalogue, the first picture on a board, its pen tip.
    form1.mnuImageNewClick();
    Shoot(&form1, "07-image-record-new");
    CloseChildWindows(form1);
    form1.mnuImageListClick();
    Settle();
    if (auto *list = form1.findChild<TForm7 *>()) {
        list->SG1->SetRow(1);
        list->SG1SelectCell(0, 1);
        list->parentWidget()->move(0, 0);
    }
    Shoot(&form1, "08-image-list");
    CloseChildWindows(form1);
    auto *board = qobject_cast<TForm8 *>(
        OpenDrawingBoard(form1, 1, 320, 240, QStringLiteral("猫のスケッチ")));
    if (board) {
        board->parentWidget()->move(20, 10);
        Settle(1500);
        Shoot(&form1, "09-drawing-board");
        ShootDialogOf(
            form1, [board] { board->SpeedButton2Click(); }, "10-pen-tip");
    } else {
        std::fprintf(stderr, "no drawing board\n");
        ++g_failures;
    }
    CloseChildWindows(form1);

    // Chat: the live window and the editor of stored lines.
    form1.mnuChatStartClick();
    Settle(1500);
    Shoot(&form1, "11-chat");
    CloseChildWindows(form1);
    ShootDialogOf(
        form1, [&] { form1.mnuChatEditClick(); }, "12-chat-editor");

    // Pointers: another PC (member 2) shares its pointer; its balloon appears on this screen.
    form1.Db().InsertRow("MOUSEPOS", 4, {"MN", "ST", "MX", "MY"}, {"2", "1", "430", "280"});
    form1.mnuMousePointerClick();
    Settle(2500);
    Shoot(&form1, "13-pointer");
    CloseChildWindows(form1);

    // A PC whose server is away when it starts.
    {
        QTemporaryDir otherPc;
        TForm1 away(otherPc.filePath("oekaki.dat"));
        Settings unreachable = s;
        unreachable.ServerPrefix = QStringLiteral("127.0.0.1/1:"); // nothing listens there
        WriteSettingsFile(otherPc.filePath("oekaki.dat"), unreachable, WindowPlacements());
        ShootNextMessageBox("14-server-away");
        away.show();
        Settle(500);
        away.hide();
    }

    form1.DisconnectDatabase();
    return g_failures == 0 ? 0 : 1;
}
