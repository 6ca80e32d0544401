#pragma once
// Base of the dialogs made once at program start and shown modally again and again: fixed
// size, the program's font, a screen position the settings file keeps, and a show handler that
// may close the dialog again at once. Keys as on Windows: Enter clicks the focused button, or
// the default button (setDefault) when the focus is elsewhere; Escape cancels.

#include "main_window.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class StartupDialog : public QDialog {
    Q_OBJECT

public:
    // Runs once each time the dialog is shown (not again when it is restored from minimised);
    // false closes the dialog again at once.
    virtual bool FormShow() { return true; }
    // The main window the dialog works for.
    TForm1 &MainWindow() const { return Form1; }

protected:
    StartupDialog(TForm1 &form1, const QString &objectName, const QString &caption,
                  QSize clientSize, QWidget *parent = nullptr);

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // A white client area instead of the button face.
    void SetWhiteBackground();

    // The checks every registration dialog makes before it reads the database, each with its
    // message: the database location set, then the session connected.
    bool DatabaseReady();
    // After a read that came back empty or false: when it failed because the server cannot be
    // reached, says so with the connection message and answers true, so the dialog does not
    // report the empty answer as the user's mistake.
    bool ReportedUnreachable();

    TForm1 &Form1;
    Settings &settings() { return Form1.settings(); }
    DatabaseSession &Db() { return Form1.Db(); }

private:
    bool showing_ = false; // the show handler has run for the current showing
};

// Controls placed at their design position in client pixels.
QLabel *PlaceLabel(QWidget *parent, const QString &caption, int left, int top);
QLineEdit *PlaceEdit(QWidget *parent, const char *name, int left, int top, int width,
                     int height = 21);
QPushButton *PlaceButton(QWidget *parent, const char *name, const QString &caption, int left,
                         int top, int width, int height = 25);

// The Tab key moves through the widgets in this order.
void SetTabChain(std::initializer_list<QWidget *> widgets);

// Runs the handler whenever the widget is double-clicked (one-line edits have no such signal).
void OnDoubleClick(QWidget *widget, std::function<void()> handler);

// Messages several dialogs share.
namespace msg {
inline const QString kSetUpDatabaseFirst =
    QStringLiteral("最初にデータベースの設定を行って下さい。");
inline const QString kCannotConnect =
    QStringLiteral("データベースに接続出来ません。設定を確認して下さい。");
} // namespace msg
