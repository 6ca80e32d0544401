#pragma once
// TForm8: the shared drawing board. Shows one picture as the stamps of every stored point of
// its stroke table IMG_<n>, lets the user draw on it once drawing is switched on, stores each
// point of a stroke as a row the moment the stroke ends, and polls every 5 s for the points
// other boards (on this PC or another) stored meanwhile.
//
// After every refresh the board shows what a board opened afresh shows (every stored point in
// ascending N on white), with the points this board has not stored yet on top: points that
// reach it below points it already shows are put in their place in the stack. Points the
// server does not take (it is away) wait, in order, and are stored when it is back; the status
// bar says so while they wait.
//
// The opener sets the main window's CurrentImageNumber, CurrentImageWidth and
// CurrentImageHeight before creating it (OpenDrawingBoard in image_windows.h does all of it).

#include "point_ledger.h"
#include "stored_points.h"

#include "child_form.h"

#include <QElapsedTimer>
#include <QImage>
#include <QVector>
#include <deque>
#include <functional>
#include <optional>

class BoardCanvas;
class QColorDialog;
class QFileDialog;
class QFrame;
class QScrollArea;
class QStatusBar;
class QTimer;
class QToolButton;

class TForm8 : public ChildForm {
    Q_OBJECT

public:
    explicit TForm8(TForm1 &form1, QWidget *parent = nullptr);
    ~TForm8() override;

    // --- handlers ---------------------------------------------------------------------------
    void FormShow() override;
    void FormClose() override;
    void SpeedButton1Click(); // save the picture as a bitmap
    void SpeedButton2Click(); // pen tip
    void SpeedButton3Click(); // pen colour
    void SpeedButton4Click(); // drawing on, for good
    void Image1MouseDown(Qt::MouseButton button, Qt::MouseButtons held, int x, int y);
    void Image1MouseMove(Qt::MouseButtons held, int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Timer1Timer();

    // --- board state ------------------------------------------------------------------------
    int PictureNumber = 0;
    int PictureWidth = 0, PictureHeight = 0;
    QString StrokeTableName;
    int BoardPenShape = 0;
    int BoardPenSize = 1;
    int BoardPenColor = 0; // 0x00BBGGRR
    int DrawingEnabled = 0;
    bool PenDown = false;
    int LastX = 0, LastY = 0;
    QVector<int> StrokeX, StrokeY; // the stroke being captured
    int StrokePointCount = 0;
    // Every point numbered up to here is drawn on this board.
    int RowsSeen() const { return ledger_.RowsSeen(); }
    const QImage &Picture() const { return picture_; }
    // Points of finished strokes the server has not taken yet.
    int WaitingPoints() const;
    // A long stroke is stored a slice at a time, about a second each, so that no handler keeps
    // the window still for long; true while the next slice is due as soon as the window is idle.
    bool StoringContinues() const { return sliceQueued_; }

    // --- controls ---------------------------------------------------------------------------
    QFrame *Panel1;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4;
    QScrollArea *ScrollBox1;
    BoardCanvas *Image1;
    QStatusBar *StatusBar1;
    // Made when first used: building them costs more than opening a small picture.
    QFileDialog *SavePictureDialog1 = nullptr;
    QColorDialog *ColorDialog1 = nullptr;
    QTimer *Timer1;

    // For tests: called while a stroke is stored, before its first number is chosen
    // (Numbering, number 0) and before each insert (Inserting, the number tried).
    enum class StoringStep { Numbering, Inserting };
    std::function<void(StoringStep, int number)> OnStoring;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class TimerPause;

    // A finished stroke, or what is left of it, that the server has not taken yet.
    struct WaitingStroke {
        int shape = 0, size = 0, color = 0;
        std::optional<int> stroke;    // its DN, once taken from the table
        std::optional<int> uncertain; // the N of an insert whose answer was lost
        std::deque<QPoint> points;
    };

    // drawing_board_store.cpp: the stroke table
    void Replay();       // at show: every stored point on white, or a new table
    bool ReadAll();      // every stored point on white; false when the server is away
    void StartAgain();   // the table read so far is gone: show what is there now
    void DrawNewRows();  // the points stored above RowsSeen, each in its place in the stack
    void Refresh();      // the poll, and storing what waits
    void StoreStroke();  // the stroke just finished
    bool StoreWaiting(); // true when other boards' points were met between this board's
    bool Store(WaitingStroke &stroke, bool &met, QRect &misplaced);
    // The next slice of storing, and whether this one has had its time.
    void ContinueStoring();
    bool SliceUsedUp();
    bool MakeTableAgain();
    void ShowWaiting();
    // Paints the points this board has not stored on top, within `area`.
    void PaintUnstored(const QRect &area);
    void Repaint(const QRect &area);

    void StampAndShow(int shape, int size, int color, int x, int y);
    void AddPoint(int x, int y);
    void StartTimer();
    QFileDialog *SaveDialog();
    QColorDialog *ColourDialog();
    QImage picture_;
    QString initialFolder_; // of the save dialog, from the settings at show
    PointLedger ledger_;
    StoredPoints stored_;
    std::deque<WaitingStroke> waiting_;
    bool tableMissing_ = false; // dropped under the board: its next stroke makes it again
    QElapsedTimer slice_;       // since the slice of storing began
    bool sliceUsedUp_ = false;  // the slice ended with points left to store
    bool sliceQueued_ = false;
};

// Stops a board's poll while one of its handlers runs and starts it again, a full interval
// later, when the handler ends (unless the board closed meanwhile).
class TimerPause {
public:
    explicit TimerPause(TForm8 &board);
    ~TimerPause();
    TimerPause(const TimerPause &) = delete;
    TimerPause &operator=(const TimerPause &) = delete;

private:
    TForm8 &board_;
};
