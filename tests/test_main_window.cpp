// Start-up and shutdown of the main window: settings in, connection, the one failure message,
// settings out; and the menu as the user sees it.

#include "main_window.h"
#include "message_recorder.h"
#include "test_database.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kCannotConnect =
    QStringLiteral("データベース接続が出来ません。設定を確認して下さい。");

// Stands for the chat and pointer windows: going, it clears its flag in the main window, writes
// its size into the settings and reads the PC user's name and the connection.
class ChatLikeWindow : public QWidget {
public:
    ChatLikeWindow(TForm1 &owner, QString &nameSeen) : owner_(owner), nameSeen_(nameSeen) {}
    ~ChatLikeWindow() override
    {
        owner_.ChatWindowOpen = false;
        owner_.settings().ChatWindowWidth = width();
        nameSeen_ = owner_.settings().PcUserName + (owner_.Connected() ? "+" : "-");
    }

private:
    TForm1 &owner_;
    QString &nameSeen_;
};

QStringList Captions(QMenu *menu)
{
    QStringList captions;
    for (QAction *action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString SettingsPath() const { return dir.filePath("oekaki.dat"); }

private slots:
    void cleanup() { QFile::remove(SettingsPath()); }

    void firstStartWithoutSettingsFileTriesNothing()
    {
        MessageRecorder messages;
        TForm1 form1(SettingsPath());
        form1.ChatWindowOpen = form1.PointerWindowOpen = true;
        form1.show(); // the first show runs FormShow
        QCOMPARE(form1.SettingsFilePath, SettingsPath());
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(!form1.Connected());
        QVERIFY(!form1.ChatWindowOpen);
        QVERIFY(!form1.PointerWindowOpen);
        QCOMPARE(form1.settings().ServerPrefix, QStringLiteral("localhost:"));
        form1.hide();
        form1.show(); // a later show does not load again
        QVERIFY(messages.texts.isEmpty());
    }

    void unreachableServerIsReportedOnceAndTheProgramRunsOn()
    {
        QVERIFY(WriteSettingsFile(SettingsPath(), test_db::UnreachableSettings(),
                                  WindowPlacements{QRect(30, 40, 400, 300), {}}));
        MessageRecorder messages;
        TForm1 form1(SettingsPath());
        form1.FormShow();
        QCOMPARE(messages.texts, QStringList{kCannotConnect});
        QVERIFY(!form1.Connected());
        QCOMPARE(form1.pos(), QPoint(30, 40));
        QCOMPARE(form1.size(), QSize(400, 300));
        form1.mnuAddTable1Click(); // without a connection a command does nothing
        QCOMPARE(messages.texts.size(), 1);
    }

    void connectsAtStartAndSavesEverythingOnClose()
    {
        const Settings settings = test_db::FreshSettings();
        {
            DatabaseSession creator;
            QVERIFY2(test_db::CreateAndAttach(creator, settings),
                     qPrintable(test_db::WhyNoServer()));
        }
        Settings onDisk = settings;
        onDisk.PcUserNumber = 7;
        onDisk.PcUserName = QString::fromUtf8("佐藤");
        onDisk.PenColor = 255;
        WindowPlacements windows{QRect(50, 60, 420, 320), {}};
        windows.dialogs[int(PlacedDialog::Form3)] = QPoint(300, 200);
        windows.dialogs[int(PlacedDialog::Form9)] = QPoint(-40, 90); // a dialog not made here
        QVERIFY(WriteSettingsFile(SettingsPath(), onDisk, windows));

        MessageRecorder messages;
        TForm1 form1(SettingsPath());
        QDialog form3;
        form1.SetStartupDialog(PlacedDialog::Form3, &form3);
        form1.FormShow();
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(form1.Connected());
        QCOMPARE(form3.pos(), QPoint(300, 200));
        QCOMPARE(form1.settings().PcUserName, QString::fromUtf8("佐藤"));

        form1.move(70, 80);
        form1.resize(500, 400);
        form3.move(10, 20);
        form1.settings().PcUserNumber = 9;
        QVERIFY(form1.close());
        QVERIFY(!form1.Connected());
        QVERIFY(messages.texts.isEmpty());

        const SettingsFileContent saved = ReadSettingsFile(SettingsPath());
        QCOMPARE(saved.windows.mainWindow, QRect(70, 80, 500, 400));
        QCOMPARE(saved.windows.dialogs[int(PlacedDialog::Form3)], QPoint(10, 20));
        QCOMPARE(saved.windows.dialogs[int(PlacedDialog::Form9)], QPoint(-40, 90));
        QCOMPARE(saved.settings.PcUserNumber, 9);
        QCOMPARE(saved.settings.PenColor, 255);
        QCOMPARE(saved.settings.DataFolder, settings.DataFolder);
        test_db::Drop(settings);
    }

    void closingWithAnUnwritableSettingsPlaceSaysWhere()
    {
        MessageRecorder messages;
        TForm1 form1(dir.filePath("missing-folder/oekaki.dat"));
        form1.FormShow();
        form1.FormClose();
        QCOMPARE(
            messages.texts,
            QStringList{"設定ファイルが保存出来ません。今回変更した設定は保存されません。\r\n" +
                        dir.filePath("missing-folder/oekaki.dat")});
        QVERIFY(!QFile::exists(dir.filePath("missing-folder/oekaki.dat")));
    }

    void childWindowsGoWhileTheMainWindowIsStillWhole()
    {
        FreshMainWindow database;
        QVERIFY2(database.Ready(), qPrintable(test_db::WhyNoServer()));
        for (const bool closedFirst : {true, false}) {
            QString nameSeen;
            auto form1 = std::make_unique<TForm1>(SettingsPath());
            form1->SetChildWindowFactory(ChildWindow::Chat, [&nameSeen](TForm1 &owner) {
                return new ChatLikeWindow(owner, nameSeen);
            });
            form1->show();
            form1->settings() = database.database;
            form1->settings().PcUserNumber = 4;
            form1->settings().PcUserName = QString::fromUtf8("佐藤");
            form1->ConnectDatabase();
            form1->mnuChatStartClick();
            QVERIFY(form1->ChatWindowOpen);
            if (closedFirst) QVERIFY(form1->close()); // the program's end: detached, saved
            form1.reset();
            QCOMPARE(nameSeen, QString::fromUtf8(closedFirst ? "佐藤-" : "佐藤+"));
        }
    }

    void theMenuAndTheWindowAsDesigned()
    {
        TForm1 form1(SettingsPath());
        QCOMPARE(form1.windowTitle(), QStringLiteral("お絵描きソフト"));
        QVERIFY(!(form1.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form1.windowFlags() & Qt::WindowMinimizeButtonHint);
        QStringList tops;
        for (QAction *action : form1.menuBar()->actions()) tops << action->text();
        QCOMPARE(tops, QStringList({"初期設定(&I)", "画像(&I)", "チャット(&C)"}));
        QCOMPARE(Captions(form1.mnuFile),
                 QStringList({"データベース設定(&D)...", "-", "所属（SECTION）の登録(&S)",
                              "メンバー（MEMBER）の登録(&M)", "-", "PC利用者名の登録(&P)", "-",
                              "終了(&X)"}));
        QCOMPARE(Captions(form1.mnuImage),
                 QStringList({"新規作成(&N)", "編集(&E)", "一覧表示(&L)"}));
        QCOMPARE(Captions(form1.mnuChat), QStringList({"チャット開始(&S)", "チャット内容の編集(&E)",
                                                       "-", "マウスポインタ(&M)"}));
        QCOMPARE(form1.MnuDmy4->objectName(), QStringLiteral("MnuDmy4"));
        QVERIFY(form1.ComboBox1->isHidden());
        QCOMPARE(form1.ComboBox1->focusPolicy(), Qt::NoFocus);
        QVERIFY(form1.StatusBar1->styleSheet().contains("192, 220, 192"));
    }

    void theScratchListHoldsTheNamesTableExistsRead()
    {
        const Settings settings = test_db::FreshSettings();
        TForm1 form1(SettingsPath());
        form1.settings() = settings;
        form1.CreateDatabaseFile();
        QVERIFY2(form1.Connected(), qPrintable(test_db::WhyNoServer()));
        QVERIFY(form1.Db().CreateChatTable());
        QVERIFY(form1.Db().CreateSectionTable());
        QVERIFY(form1.TableExists("chat"));
        QCOMPARE(form1.ComboBox1->count(), 2);
        QCOMPARE(form1.ComboBox1->itemText(0), QStringLiteral("CHAT"));
        QCOMPARE(form1.ComboBox1->itemText(1), QStringLiteral("SECTION"));
        form1.DisconnectDatabase();
        test_db::Drop(settings);
    }

    // System menu and minimise only. A window manager that offers maximising all the same (one
    // that keeps the button of every window it may resize) sees the window keep its size.
    void minimiseButNoMaximise()
    {
        MessageRecorder messages;
        TForm1 form1(SettingsPath());
        const Qt::WindowFlags flags = form1.windowFlags();
        QCOMPARE((QList<bool>{bool(flags & Qt::WindowSystemMenuHint),
                              bool(flags & Qt::WindowMinimizeButtonHint),
                              bool(flags & Qt::WindowMaximizeButtonHint)}),
                 (QList<bool>{true, true, false}));
        form1.show();
        const QRect normal = form1.geometry();
        form1.setWindowState(Qt::WindowMaximized);
        QVERIFY(!(form1.windowState() & Qt::WindowMaximized));
        QTRY_COMPARE(form1.geometry(), normal);
        form1.setWindowState(Qt::WindowMinimized);
        QVERIFY(form1.windowState() & Qt::WindowMinimized);
        QVERIFY(messages.texts.isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
