#pragma once
// Base of the windows the main window shows inside itself: the picture record editor, the
// catalogue, the drawing board, the chat and the pointer sharing window. It gives each the main
// window it works for, with its session and settings, the frame the user moves and sizes, and
// show and close handlers that run once per window: restoring a window from minimised shows it
// again, and a window may be asked to close more than once.

#include <QWidget>

class DatabaseSession;
class TForm1;
struct Settings;

class ChildForm : public QWidget {
    Q_OBJECT

public:
    virtual void FormShow() {}
    virtual void FormClose() {}

protected:
    explicit ChildForm(TForm1 &form1, QWidget *parent = nullptr);

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool Shown() const { return shown_; }
    bool Closed() const { return closed_; }

    DatabaseSession &Db();
    Settings &settings();
    // The frame around the window inside the main window, or the window itself without one.
    QWidget *Frame();

    TForm1 &Form1;

private:
    bool shown_ = false;
    bool closed_ = false;
};
