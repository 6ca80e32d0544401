#include "main_window.h"

#include "message_box.h"
#include "program_style.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include <algorithm>

TForm1::TForm1(const QString &settingsFilePath) : settingsFilePathOverride_(settingsFilePath)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("お絵描きソフト"));
    setWindowIcon(ProgramIcon());
    setFont(ProgramFont());
    // System menu and minimise only: no maximise button. On X11 these become Motif hints
    // without the maximise function and decoration, which most window managers honour; those
    // that offer maximising all the same (Openbox keeps the button of any window it may resize)
    // find the window returning to its size at once (changeEvent).
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setBackground(Qt::white);
    // Child windows that reach past the main window can be scrolled to.
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setStyleSheet(QStringLiteral("QStatusBar { background: rgb(192, 220, 192); }"));
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(40, 8, 97, 21);
    ComboBox1->setFocusPolicy(Qt::NoFocus);
    ComboBox1->hide();
    session_.SetTableNamesObserver([this](const QStringList &names) {
        ComboBox1->clear();
        ComboBox1->addItems(names);
    });

    BuildMenu();
    ShowModal = [](QDialog &dialog) { dialog.exec(); };

    move(192, 107);
    resize(347, 246);
}

TForm1::~TForm1()
{
    // Child windows and dialogs go first, while the session, the settings and the flags they may
    // touch on their way out still exist: Qt itself would delete them only after those members.
    // Windows still open at exit are destroyed without their close handlers, so what they would
    // have written back on closing is not saved.
    delete mdiArea_;
    mdiArea_ = nullptr;
    for (QPointer<QDialog> &dialog : dialogs_)
        if (dialog && dialog->parent() == this) delete dialog.data();
}

void TForm1::BuildMenu()
{
    auto item = [this](QMenu *menu, QAction *&action, const char *name, const QString &caption,
                       void (TForm1::*handler)()) {
        action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
    };
    auto separator = [](QMenu *menu, QAction *&action, const char *name) {
        action = menu->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
    };

    mnuFile = menuBar()->addMenu(QStringLiteral("初期設定(&I)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    item(mnuFile, mnuDBset, "mnuDBset", QStringLiteral("データベース設定(&D)..."),
         &TForm1::mnuDBsetClick);
    separator(mnuFile, MnuDmy1, "MnuDmy1");
    item(mnuFile, mnuAddTable1, "mnuAddTable1", QStringLiteral("所属（SECTION）の登録(&S)"),
         &TForm1::mnuAddTable1Click);
    item(mnuFile, mnuAddTable2, "mnuAddTable2", QStringLiteral("メンバー（MEMBER）の登録(&M)"),
         &TForm1::mnuAddTable2Click);
    separator(mnuFile, MnuDmy2, "MnuDmy2");
    item(mnuFile, mnuPCnameSet, "mnuPCnameSet", QStringLiteral("PC利用者名の登録(&P)"),
         &TForm1::mnuPCnameSetClick);
    separator(mnuFile, MnuDmy3, "MnuDmy3");
    item(mnuFile, mnuExit, "mnuExit", QStringLiteral("終了(&X)"), &TForm1::mnuExitClick);

    mnuImage = menuBar()->addMenu(QStringLiteral("画像(&I)"));
    mnuImage->setObjectName(QStringLiteral("mnuImage"));
    item(mnuImage, mnuImageNew, "mnuImageNew", QStringLiteral("新規作成(&N)"),
         &TForm1::mnuImageNewClick);
    item(mnuImage, mnuImageEdit, "mnuImageEdit", QStringLiteral("編集(&E)"),
         &TForm1::mnuImageEditClick);
    item(mnuImage, mnuImageList, "mnuImageList", QStringLiteral("一覧表示(&L)"),
         &TForm1::mnuImageListClick);

    mnuChat = menuBar()->addMenu(QStringLiteral("チャット(&C)"));
    mnuChat->setObjectName(QStringLiteral("mnuChat"));
    item(mnuChat, mnuChatStart, "mnuChatStart", QStringLiteral("チャット開始(&S)"),
         &TForm1::mnuChatStartClick);
    item(mnuChat, mnuChatEdit, "mnuChatEdit", QStringLiteral("チャット内容の編集(&E)"),
         &TForm1::mnuChatEditClick);
    separator(mnuChat, MnuDmy4, "MnuDmy4");
    item(mnuChat, mnuMousePointer, "mnuMousePointer", QStringLiteral("マウスポインタ(&M)"),
         &TForm1::mnuMousePointerClick);
}

void TForm1::setVisible(bool visible)
{
    // The settings file places the window while it is still hidden: a window manager then puts
    // its frame where the file says. Placed after it appeared, the frame would land a title bar
    // higher than the file says, and the window would creep up the screen at every start.
    if (visible && !settingsLoaded_) LoadSettingsFile();
    QMainWindow::setVisible(visible);
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TForm1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized))
        setWindowState(windowState() & ~Qt::WindowMaximized);
}

void TForm1::LoadSettingsFile()
{
    settingsLoaded_ = true;
    SettingsFilePath =
        settingsFilePathOverride_.isEmpty() ? DefaultSettingsFilePath() : settingsFilePathOverride_;
    LoadSettings(SettingsFilePath);
    login_ = ReadLoginFile(LoginFilePath(SettingsFilePath));
    session_.SetLogin(login_.User.toLatin1(), login_.Password.toLatin1());
}

void TForm1::SetLogin(const DatabaseLogin &login)
{
    if (login == login_) return;
    login_ = login;
    loginChanged_ = true;
    session_.SetLogin(login_.User.toLatin1(), login_.Password.toLatin1());
}

bool TForm1::SaveLogin()
{
    if (!loginChanged_) return true;
    if (SettingsFilePath.isEmpty()) return false; // never shown: no folder to keep it in
    return WriteLoginFile(LoginFilePath(SettingsFilePath), login_);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    event->accept();
    QCoreApplication::quit(); // hidden dialogs and balloons must not keep the program alive
}

void TForm1::FormShow()
{
    if (!settingsLoaded_) LoadSettingsFile(); // already, when the window came up the usual way
    if (!settings_.DataFolder.isEmpty()) {
        ConnectDatabase();
        if (!Connected()) {
            DisconnectDatabase();
            ShowMessage(QStringLiteral("データベース接続が出来ません。設定を確認して下さい。"));
        } else {
            // This PC's pointer is not shared before its window opens. A row still saying so
            // was left by a run that ended while the server was away.
            pointerStops_.Stop(settings_.PcUserNumber);
        }
    }
    ChatWindowOpen = false;
    PointerWindowOpen = false;
}

void TForm1::FormClose()
{
    DisconnectDatabase();
    // Said before the program ends: otherwise the changes would be lost without a word.
    if (!SaveSettings(SettingsFilePath))
        ShowMessage(
            QStringLiteral("設定ファイルが保存出来ません。今回変更した設定は保存されません。\r\n") +
            QDir::toNativeSeparators(SettingsFilePath));
    if (!SaveLogin())
        ShowMessage(QStringLiteral("接続ユーザーの設定が保存出来ません。\r\n") +
                    QDir::toNativeSeparators(LoginFilePath(SettingsFilePath)));
}

void TForm1::LoadSettings(const QString &path)
{
    const SettingsFileContent file = ReadSettingsFile(path);
    settings_ = file.settings;
    namespace L = settings_lines;

    // Window values go straight to the windows, each only when its line was read.
    const QRect &main = file.windows.mainWindow;
    if (file.HasLine(L::kMainLeft)) move(main.x(), y());
    if (file.HasLine(L::kMainTop)) move(x(), main.y());
    // A width or height below what the window can be is raised to its minimum. One beyond the
    // whole desktop is lowered to it: millions of pixels would take all the PC's memory for the
    // window's picture and hang the program at its start, and no frame could be reached.
    const QSize least = minimumSizeHint().expandedTo(QSize(1, 1));
    const QSize most = (screen() ? screen()->virtualSize() : QSize(4096, 4096)).expandedTo(least);
    if (file.HasLine(L::kMainWidth))
        resize(std::clamp(main.width(), least.width(), most.width()), height());
    if (file.HasLine(L::kMainHeight))
        resize(width(), std::clamp(main.height(), least.height(), most.height()));

    for (int d = 0; d < kPlacedDialogCount; ++d) {
        const int left = L::DialogLeft(PlacedDialog(d));
        QPoint &kept = placements_.dialogs[d];
        if (file.HasLine(left)) kept.setX(file.windows.dialogs[d].x());
        if (file.HasLine(left + 1)) kept.setY(file.windows.dialogs[d].y());
        if (dialogs_[d] && file.HasLine(left)) dialogs_[d]->move(kept);
    }
}

bool TForm1::SaveSettings(const QString &path)
{
    WindowPlacements windows = placements_;
    windows.mainWindow = QRect(pos(), size());
    for (int d = 0; d < kPlacedDialogCount; ++d)
        if (dialogs_[d]) windows.dialogs[d] = dialogs_[d]->pos();
    return WriteSettingsFile(path, settings_, windows);
}

void TForm1::SetStartupDialog(PlacedDialog which, QDialog *dialog)
{
    dialogs_[int(which)] = dialog;
    if (dialog) placements_.dialogs[int(which)] = dialog->pos();
}

QDialog *TForm1::StartupDialog(PlacedDialog which) const
{
    return dialogs_[int(which)];
}

void TForm1::SetChildWindowFactory(ChildWindow which, ChildWindowFactory factory)
{
    childFactories_[int(which)] = std::move(factory);
}
