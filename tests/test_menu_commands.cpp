// The menu commands: connection first, then the table the window needs (created when missing),
// then the PC user, then the window; and the chat and pointer windows kept single.

#include "main_window.h"
#include "message_recorder.h"
#include "own_server.h"
#include "test_database.h"

#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

namespace {
const QString kRegisterPcUser = QStringLiteral("PC利用者名の登録を行って下さい");
}

class MenuCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<MessageRecorder> messages;
    std::array<QDialog, 6> dialogs;
    QList<QDialog *> shown;                    // dialogs the commands showed, in order
    QList<QPair<ChildWindow, QString>> opened; // child windows made, with their caption
    TForm1 &form1() { return *main->form1; }

    void RecordChildren(ChildWindow which)
    {
        form1().SetChildWindowFactory(which, [this, which](TForm1 &owner) {
            auto *window = new QWidget;
            // The caption is set after creation: record it when the window is shown.
            QTimer::singleShot(0, window, [this, which, window] {
                opened << qMakePair(which, window->windowTitle());
            });
            if (which == ChildWindow::Chat)
                connect(window, &QObject::destroyed, &owner,
                        [&owner] { owner.ChatWindowOpen = false; });
            if (which == ChildWindow::Pointer)
                connect(window, &QObject::destroyed, &owner,
                        [&owner] { owner.PointerWindowOpen = false; });
            return window;
        });
    }
    bool Exists(const char *table) { return form1().TableExists(table); }

    void Prepare(std::unique_ptr<FreshMainWindow> pc)
    {
        messages.reset(); // the recorder of a window replaced here goes first
        main = std::move(pc);
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        messages = std::make_unique<MessageRecorder>();
        shown.clear();
        opened.clear();
        for (int d = 0; d < kPlacedDialogCount; ++d)
            form1().SetStartupDialog(PlacedDialog(d), &dialogs[d]);
        form1().ShowModal = [this](QDialog &dialog) { shown << &dialog; };
        for (ChildWindow w : {ChildWindow::ImageEditor, ChildWindow::ImageList, ChildWindow::Chat,
                              ChildWindow::Pointer})
            RecordChildren(w);
    }

private slots:
    void init() { Prepare(std::make_unique<FreshMainWindow>()); }
    void cleanup()
    {
        messages.reset();
        main.reset();
    }

    void withoutAConnectionOnlySettingsAndExitAct()
    {
        form1().DisconnectDatabase();
        form1().settings().PcUserNumber = 0;
        for (auto command :
             {&TForm1::mnuAddTable1Click, &TForm1::mnuAddTable2Click, &TForm1::mnuPCnameSetClick,
              &TForm1::mnuImageNewClick, &TForm1::mnuImageEditClick, &TForm1::mnuImageListClick,
              &TForm1::mnuChatStartClick, &TForm1::mnuChatEditClick, &TForm1::mnuMousePointerClick})
            (form1().*command)();
        QCoreApplication::processEvents();
        QVERIFY(messages->texts.isEmpty());
        QVERIFY(shown.isEmpty());
        QVERIFY(opened.isEmpty());
    }

    void settingsDialogReconnectsWhateverItsOutcome()
    {
        form1().mnuDBsetClick(); // the recorder closes it as Cancel would
        QCOMPARE(shown, QList<QDialog *>{&dialogs[int(PlacedDialog::Form2)]});
        QVERIFY(form1().Connected());

        // The dialog stores an unreachable location: the reconnection fails silently.
        form1().ShowModal = [this](QDialog &) {
            QVERIFY(!form1().Connected()); // disconnected while the dialog is open
            form1().settings().ServerPrefix = "127.0.0.1/1:";
        };
        form1().mnuDBsetClick();
        QVERIFY(!form1().Connected());
        QVERIFY(messages->texts.isEmpty());
    }

    void registrationCommandsEnsureTheirTables()
    {
        QVERIFY(!Exists("SECTION"));
        form1().mnuAddTable1Click();
        QVERIFY(Exists("SECTION"));
        form1().mnuAddTable2Click();
        QVERIFY(Exists("MEMBER"));
        QVERIFY(form1().Db().DropTable("MEMBER"));
        form1().mnuPCnameSetClick(); // checks no table
        QVERIFY(!Exists("MEMBER"));
        form1().mnuChatEditClick(); // no PC user needed
        QVERIFY(Exists("CHAT"));
        QCOMPARE(shown,
                 QList<QDialog *>(
                     {&dialogs[int(PlacedDialog::Form3)], &dialogs[int(PlacedDialog::Form4)],
                      &dialogs[int(PlacedDialog::Form5)], &dialogs[int(PlacedDialog::Form11)]}));
        QVERIFY(messages->texts.isEmpty());
    }

    void imageCommandsAndThePcUser()
    {
        form1().settings().PcUserNumber = 0;
        form1().mnuImageEditClick(); // editing never creates the table
        QVERIFY(!Exists("IMGLIST"));
        QVERIFY(messages->texts.isEmpty());

        form1().mnuImageNewClick(); // creates it, then asks for the PC user
        QVERIFY(Exists("IMGLIST"));
        QCOMPARE(messages->texts, QStringList{kRegisterPcUser});
        form1().mnuImageNewClick(); // the table exists now: asked again, nothing else
        form1().mnuImageEditClick();
        form1().mnuImageListClick();
        form1().mnuChatStartClick();
        QVERIFY(Exists("CHAT"));
        form1().mnuMousePointerClick();
        QVERIFY(Exists("MOUSEPOS"));
        QCOMPARE(messages->texts.size(), 6);
        QCoreApplication::processEvents();
        QVERIFY(opened.isEmpty());

        form1().settings().PcUserNumber = 4;
        form1().CurrentImageNumber = 9;
        form1().mnuImageNewClick();
        QCOMPARE(form1().ImageEditMode, 0);
        form1().mnuImageEditClick();
        QCOMPARE(form1().ImageEditMode, 1);
        QCOMPARE(form1().CurrentImageNumber, 0);
        form1().mnuImageListClick();
        form1().mnuImageListClick(); // browsers are not single
        QCoreApplication::processEvents();
        QCOMPARE(opened, (QList<QPair<ChildWindow, QString>>{
                             {ChildWindow::ImageEditor, "画像一覧データ新規作成"},
                             {ChildWindow::ImageEditor, "画像一覧データ編集"},
                             {ChildWindow::ImageList, ""},
                             {ChildWindow::ImageList, ""}}));
        QCOMPARE(form1().MdiArea()->subWindowList().size(), 4);
    }

    void chatAndPointerWindowsStaySingle()
    {
        form1().settings().PcUserNumber = 4;
        form1().mnuChatStartClick();
        QVERIFY(form1().ChatWindowOpen);
        form1().mnuChatStartClick();
        form1().mnuMousePointerClick();
        form1().mnuMousePointerClick();
        QCoreApplication::processEvents();
        QCOMPARE(opened.size(), 2);
        QVERIFY(form1().PointerWindowOpen);

        // Once the chat window is closed, the command opens a new one.
        form1().MdiArea()->subWindowList().first()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form1().ChatWindowOpen);
        form1().mnuChatStartClick();
        QCoreApplication::processEvents();
        QCOMPARE(opened.size(), 3);
        QCOMPARE(opened.last().first, ChildWindow::Chat);
    }

    void aWindowThatCannotBeMadeLeavesTheFlagDown()
    {
        form1().settings().PcUserNumber = 4;
        form1().SetChildWindowFactory(ChildWindow::Chat, [](TForm1 &) -> QWidget * {
            throw std::runtime_error("no window");
        });
        form1().mnuChatStartClick();
        QVERIFY(!form1().ChatWindowOpen);
        QVERIFY(messages->texts.isEmpty());
    }

    void aServerThatIsAwaySaysSoInsteadOfNothing()
    {
        OwnServer server;
        QVERIFY(server.Running());
        Prepare(std::make_unique<FreshMainWindow>(server.FreshSettings()));
        form1().settings().PcUserNumber = 4;
        QVERIFY(form1().Db().CreateImageListTable() && form1().Db().CreateChatTable());
        QVERIFY(server.Kill()); // still connected in the session's eyes
        const QString kCannotConnect =
            QStringLiteral("データベースに接続出来ません。設定を確認して下さい。");
        for (auto command :
             {&TForm1::mnuAddTable1Click, &TForm1::mnuAddTable2Click, &TForm1::mnuImageNewClick,
              &TForm1::mnuImageEditClick, &TForm1::mnuImageListClick, &TForm1::mnuChatStartClick,
              &TForm1::mnuChatEditClick, &TForm1::mnuMousePointerClick}) {
            (form1().*command)();
            QCOMPARE(messages->Take(), QStringList{kCannotConnect});
        }
        QCoreApplication::processEvents();
        QVERIFY(shown.isEmpty());
        QVERIFY(opened.isEmpty());

        QVERIFY(server.Start()); // back: the commands go on, and nothing is said
        form1().mnuChatEditClick();
        form1().mnuAddTable1Click();
        QCOMPARE(shown, (QList<QDialog *>{&dialogs[int(PlacedDialog::Form11)],
                                          &dialogs[int(PlacedDialog::Form3)]}));
        QVERIFY(messages->texts.isEmpty());
        main.reset(); // before its server goes
    }
};

QTEST_MAIN(MenuCommandsTest)
#include "test_menu_commands.moc"
