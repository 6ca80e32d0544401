#pragma once
// TForm12: the pointer sharing window. While it is open, once a second it writes where this
// PC's mouse pointer is and shows every other sharing member's pointer as a name balloon
// (TForm13) at the same offset from this PC's main window. Closing it stops the sharing.

#include "child_form.h"

#include <QPointer>
#include <vector>

class QLabel;
class QTimer;
class TForm13;

// One other member seen sharing, in the order first seen.
struct PointerEntry {
    int MemberNumber = 0;
    int Shown = 0;             // 1 while a balloon stands for the member
    int X = 0, Y = 0;          // the member's pointer, relative to that PC's main window
    QPointer<TForm13> Balloon; // clears itself when the balloon goes
};

class TForm12 : public ChildForm {
    Q_OBJECT

public:
    explicit TForm12(TForm1 &form1);
    ~TForm12() override;

    void FormShow() override;
    void FormClose() override;
    void Timer1Timer();

    // Grows while the window is open, one entry per member ever seen sharing; never shrinks.
    std::vector<PointerEntry> PointerEntries;

    QLabel *Label1;
    QTimer *Timer1;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void PublishPointer(int state);
    void ShowOtherPointers();
    void OpenBalloon(PointerEntry &entry, const QString &name);
    static void CloseBalloon(PointerEntry &entry);
    void PlaceBalloons();
    void StopSharing();
    void PublishStop();  // ST 0 now, or by the main window once the server is back
    void FollowPcUser(); // the PC user changed while the window is open
    QPoint MainWindowCorner() const;

    bool sharingStopped_ = false;
    int member_ = 0; // the member this window shares as: the PC user when it last looked
};
