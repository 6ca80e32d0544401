#pragma once
// TForm1: the main window. A multiple-document parent whose menu leads to every other window;
// it owns the program's one database session and the per-PC settings, loads the settings file
// when first shown and writes it when closed.

#include "database_login.h"
#include "database_session.h"
#include "pointer_stops.h"
#include "settings.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

class QAction;
class QComboBox;
class QDialog;
class QMdiArea;
class QMenu;
class QStatusBar;

// The child windows the menu creates anew at every command.
enum class ChildWindow { ImageEditor, ImageList, Chat, Pointer };

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // settingsFilePath: where the settings live; empty means beside the program file.
    explicit TForm1(const QString &settingsFilePath = QString());
    ~TForm1() override;

    // --- events -----------------------------------------------------------------------------
    void FormShow();  // settings, connection, single-instance flags
    void FormClose(); // disconnect, save the settings

    // --- settings file ----------------------------------------------------------------------
    void LoadSettings(const QString &path);
    bool SaveSettings(const QString &path); // false: not written, the old file is intact
    Settings &settings() { return settings_; }

    // --- the database login of this PC, kept beside the settings file ------------------------
    // Read with the settings when the window is first shown; written when the program ends,
    // and only when it was changed meanwhile, so a file that could not be read is never lost.
    const DatabaseLogin &Login() const { return login_; }
    void SetLogin(const DatabaseLogin &login); // for the next connection
    bool SaveLogin();                          // false: not written, the old file is intact

    // --- the session, at the database location the settings name ----------------------------
    DatabaseSession &Db() { return session_; }
    void CreateDatabaseFile() { session_.CreateDatabaseFile(DatabasePath(settings_)); }
    void ConnectDatabase() { session_.ConnectDatabase(DatabasePath(settings_)); }
    void DisconnectDatabase() { session_.DisconnectDatabase(); }
    bool TableExists(const QString &name) { return session_.TableExists(name); }
    bool Connected() const { return session_.Connected(); }

    // --- run-time values that openers set and the windows they open read ---------------------
    QString SettingsFilePath;
    int ImageEditMode = 0; // 0 new IMGLIST record, 1 edit
    int CurrentImageNumber = 0;
    int CurrentImageWidth = 0;
    int CurrentImageHeight = 0;
    bool ChatWindowOpen = false;
    bool PointerWindowOpen = false;
    // Pointer rows still to be marked stopped once the server answers again.
    PointerStops &PendingPointerStops() { return pointerStops_; }

    // --- windows made at program start and on demand -----------------------------------------
    void SetStartupDialog(PlacedDialog which, QDialog *dialog);
    QDialog *StartupDialog(PlacedDialog which) const;
    using ChildWindowFactory = std::function<QWidget *(TForm1 &)>;
    void SetChildWindowFactory(ChildWindow which, ChildWindowFactory factory);
    QMdiArea *MdiArea() const { return mdiArea_; }
    // Shows a new child window inside the main window, captioned when a caption is given; its
    // show handler runs now, reading the run-time values its opener has just set. Window and
    // frame free themselves when closed. Null (and the window deleted) when it cannot be shown.
    QWidget *ShowChildWindow(QWidget *window, const QString &caption = QString());
    // Shows a dialog modally; tests replace it so that no dialog ever blocks them.
    std::function<void(QDialog &)> ShowModal;

    // --- menu commands ----------------------------------------------------------------------
    void mnuDBsetClick();
    void mnuAddTable1Click();
    void mnuAddTable2Click();
    void mnuPCnameSetClick();
    void mnuExitClick();
    void mnuImageNewClick();
    void mnuImageEditClick();
    void mnuImageListClick();
    void mnuChatStartClick();
    void mnuChatEditClick();
    void mnuMousePointerClick();

    // Controls, by their design names.
    QMenu *mnuFile = nullptr, *mnuImage = nullptr, *mnuChat = nullptr;
    QAction *mnuDBset = nullptr, *mnuAddTable1 = nullptr, *mnuAddTable2 = nullptr;
    QAction *mnuPCnameSet = nullptr, *mnuExit = nullptr;
    QAction *mnuImageNew = nullptr, *mnuImageEdit = nullptr, *mnuImageList = nullptr;
    QAction *mnuChatStart = nullptr, *mnuChatEdit = nullptr, *mnuMousePointer = nullptr;
    QAction *MnuDmy1 = nullptr, *MnuDmy2 = nullptr, *MnuDmy3 = nullptr, *MnuDmy4 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QComboBox *ComboBox1 = nullptr; // hidden scratch list of the table names TableExists read

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void BuildMenu();
    void ShowStartupDialog(PlacedDialog which);
    // True when the table exists or its creator has just made it.
    bool EnsureTable(const QString &table, bool (DatabaseSession::*creator)());
    // After a failed look-up: says so when the server could not be reached.
    bool ReportedUnreachable();
    bool PcUserRegistered();
    // Creates a child window inside the main window; null when it cannot be made.
    QWidget *OpenChildWindow(ChildWindow which, const QString &caption = QString());

    Settings settings_;
    DatabaseLogin login_;
    bool loginChanged_ = false;
    DatabaseSession session_;
    PointerStops pointerStops_{session_};
    QString settingsFilePathOverride_;
    void LoadSettingsFile(); // from SettingsFilePath, once
    bool settingsLoaded_ = false;
    bool shown_ = false;
    bool closed_ = false;
    QMdiArea *mdiArea_ = nullptr;
    std::array<QPointer<QDialog>, kPlacedDialogCount> dialogs_{};
    // Dialog positions of dialogs that do not exist (yet): kept so the file keeps them.
    WindowPlacements placements_;
    std::array<ChildWindowFactory, 4> childFactories_{};
};
