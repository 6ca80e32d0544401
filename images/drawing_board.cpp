// The drawing board's window: its controls, showing and closing, the poll's timer, the mouse
// and the tool buttons. Reading and storing points is in drawing_board_store.cpp.

#include "drawing_board.h"

#include "board_canvas.h"
#include "board_glyphs.h"
#include "event_refresh.h"
#include "main_window.h"
#include "message_box.h"
#include "pen_tip.h"
#include "pen_tip_dialog.h"
#include "program_style.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int kPollInterval = 5000;       // ms
constexpr int kLargestPictureSide = 2000; // the record editor registers none larger

QToolButton *PlaceToolButton(QWidget *panel, const char *name, const QIcon &glyph, int top)
{
    auto *button = new QToolButton(panel);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(2, top, 23, 22);
    button->setIcon(glyph);
    button->setAutoRaise(false); // raised, not flat
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TimerPause::TimerPause(TForm8 &board) : board_(board)
{
    board_.Timer1->stop();
}

TimerPause::~TimerPause()
{
    if (board_.Shown() && !board_.Closed()) board_.StartTimer();
}

TForm8::TForm8(TForm1 &form1, QWidget *parent) : ChildForm(form1, parent)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("お絵描きテスト"));
    setFont(ProgramFont());
    resize(378, 301);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(27);
    SpeedButton1 = PlaceToolButton(Panel1, "SpeedButton1", SaveGlyph(), 2);
    SpeedButton2 = PlaceToolButton(Panel1, "SpeedButton2", PenTipGlyph(), 26);
    SpeedButton3 = PlaceToolButton(Panel1, "SpeedButton3", ColourGlyph(), 50);
    SpeedButton4 = PlaceToolButton(Panel1, "SpeedButton4", DrawGlyph(), 74);
    SpeedButton4->setCheckable(true);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setWidgetResizable(false);
    Image1 = new BoardCanvas(picture_, nullptr);
    ScrollBox1->setWidget(Image1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(20);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setStyleSheet(QStringLiteral("QStatusBar { background: rgb(192, 220, 192); }"));

    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    auto *columns = new QHBoxLayout;
    columns->setSpacing(0);
    columns->addWidget(Panel1);
    columns->addWidget(ScrollBox1, 1);
    rows->addLayout(columns, 1);
    rows->addWidget(StatusBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollInterval);
    connect(Timer1, &QTimer::timeout, this, &TForm8::Timer1Timer);

    connect(SpeedButton1, &QToolButton::clicked, this, &TForm8::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm8::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm8::SpeedButton3Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TForm8::SpeedButton4Click);
    Image1->onPress = [this](Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
        Image1MouseDown(button, held, at.x(), at.y());
    };
    Image1->onMove = [this](Qt::MouseButton, Qt::MouseButtons held, QPoint at) {
        Image1MouseMove(held, at.x(), at.y());
    };
    Image1->onRelease = [this](Qt::MouseButton button, Qt::MouseButtons, QPoint at) {
        Image1MouseUp(button, at.x(), at.y());
    };
}

TForm8::~TForm8() = default;

QFileDialog *TForm8::SaveDialog()
{
    if (!SavePictureDialog1) {
        SavePictureDialog1 = new QFileDialog(this);
        SavePictureDialog1->setObjectName(QStringLiteral("SavePictureDialog1"));
        SavePictureDialog1->setAcceptMode(QFileDialog::AcceptSave);
        SavePictureDialog1->setOption(QFileDialog::DontUseNativeDialog);
        SavePictureDialog1->setDefaultSuffix(QStringLiteral("bmp"));
        SavePictureDialog1->setNameFilter(QStringLiteral("ビットマップ (*.bmp)"));
        SavePictureDialog1->setSizeGripEnabled(true);
        // Without a folder of its own yet, the dialog starts in the user's home folder.
        SavePictureDialog1->setDirectory(initialFolder_.isEmpty() ? QDir::homePath()
                                                                  : initialFolder_);
    }
    return SavePictureDialog1;
}

QColorDialog *TForm8::ColourDialog()
{
    if (!ColorDialog1) {
        ColorDialog1 = new QColorDialog(this);
        ColorDialog1->setObjectName(QStringLiteral("ColorDialog1"));
        ColorDialog1->setOption(QColorDialog::DontUseNativeDialog);
    }
    return ColorDialog1;
}

void TForm8::StartTimer()
{
    Timer1->setInterval(kPollInterval);
    Timer1->start();
}

// --- showing and closing --------------------------------------------------------------------

void TForm8::FormShow()
{
    PictureNumber = Form1.CurrentImageNumber;
    // No picture can be registered larger than 2000 pixels a side. A larger size written by
    // another client would take all the PC's memory (or none at all, and show nothing): the
    // board shows the picture's top-left 2000 x 2000 pixels instead.
    PictureWidth = std::min(Form1.CurrentImageWidth, kLargestPictureSide);
    PictureHeight = std::min(Form1.CurrentImageHeight, kLargestPictureSide);
    Frame()->resize(settings().DrawWindowWidth, settings().DrawWindowHeight);
    initialFolder_ = settings().BitmapFolder;
    BoardPenShape = settings().PenShape;
    BoardPenSize = settings().PenSize;
    BoardPenColor = settings().PenColor;
    StrokeTableName = QStringLiteral("IMG_%1").arg(PictureNumber);

    DrawingEnabled = 0;
    PenDown = false;
    LastX = LastY = 0;
    StrokePointCount = 0;
    StrokeX.clear();
    StrokeY.clear();

    picture_ = BlankPicture(PictureWidth, PictureHeight);
    Image1->setFixedSize(picture_.size());
    Replay();
    StartTimer();
    // Another PC's points are drawn the moment they are stored, through the poll's own path;
    // the poll stays, for servers that send no events.
    new EventRefresh(
        this, Db().Events(), StrokeTableName, [this] { return Timer1->isActive(); },
        [this] { Timer1Timer(); });
}

void TForm8::closeEvent(QCloseEvent *event)
{
    if (!Closed() && !waiting_.empty()) {
        TimerPause pause(*this);
        // The server may be back by now; what is being stored slice by slice is stored whole.
        do {
            StoreWaiting();
        } while (sliceUsedUp_ && !waiting_.empty());
        sliceQueued_ = false;
        ShowWaiting();
        const int waiting = WaitingPoints();
        if (waiting > 0 && !Confirm(QStringLiteral("サーバーに保存されていない点が%1個あります。"
                                                   "破棄して閉じますか？")
                                        .arg(waiting))) {
            event->ignore();
            return;
        }
    }
    ChildForm::closeEvent(event);
}

void TForm8::FormClose()
{
    Timer1->stop();
    // A stroke still being captured is dropped: drawn here only, never stored.
    StrokeX.clear();
    StrokeY.clear();
    StrokePointCount = 0;
    PenDown = false;
    waiting_.clear(); // the user chose to discard them
    stored_.Clear();
    picture_ = QImage();
    settings().DrawWindowWidth = Frame()->width();
    settings().DrawWindowHeight = Frame()->height();
    settings().PenShape = BoardPenShape;
    settings().PenSize = BoardPenSize;
    settings().PenColor = BoardPenColor;
}

// --- the poll -------------------------------------------------------------------------------

void TForm8::Timer1Timer()
{
    if (Closed()) return; // a tick already queued when the board closed
    TimerPause pause(*this);
    Refresh();
}

// --- capturing a stroke ---------------------------------------------------------------------

void TForm8::StampAndShow(int shape, int size, int color, int x, int y)
{
    const QRect changed = DrawPenTip(picture_, shape, size, color, x, y);
    if (!changed.isEmpty()) Image1->update(changed); // never the whole picture per stamp
}

void TForm8::AddPoint(int x, int y)
{
    StrokeX.append(x);
    StrokeY.append(y);
    StrokePointCount = int(StrokeX.size());
    LastX = x;
    LastY = y;
}

void TForm8::Image1MouseDown(Qt::MouseButton, Qt::MouseButtons held, int x, int y)
{
    if (!(held & Qt::LeftButton) || DrawingEnabled <= 0 || PenDown) return;
    TimerPause pause(*this);
    StampAndShow(BoardPenShape, BoardPenSize, BoardPenColor, x, y);
    PenDown = true;
    StrokeX.clear();
    StrokeY.clear();
    AddPoint(x, y);
}

void TForm8::Image1MouseMove(Qt::MouseButtons held, int x, int y)
{
    if (!(held & Qt::LeftButton) || DrawingEnabled <= 0 || !PenDown) return;
    TimerPause pause(*this);
    // Stamped again when the pen rests, but stored once: the stored points reproduce the
    // stamps, since consecutive points are never joined.
    StampAndShow(BoardPenShape, BoardPenSize, BoardPenColor, x, y);
    if (x != LastX || y != LastY) AddPoint(x, y);
}

void TForm8::Image1MouseUp(Qt::MouseButton, int, int)
{
    TimerPause pause(*this);
    if (DrawingEnabled > 0 && PenDown) StoreStroke();
}

// --- tool buttons ---------------------------------------------------------------------------

void TForm8::SpeedButton1Click()
{
    TimerPause pause(*this);
    QFileDialog *dialog = SaveDialog();
    Form1.ShowModal(*dialog);
    if (dialog->result() != QDialog::Accepted) return;
    const QString path = dialog->selectedFiles().value(0);
    if (path.isEmpty()) return;
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    const QString folder = path.left(slash + 1);
    // Remembered whatever the name, but only a folder that is there: the next dialog starts
    // in it.
    if (QFileInfo(folder).isDir()) settings().BitmapFolder = folder;
    const QString name = path.mid(slash + 1);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot < 0 || name.mid(dot).toUpper() != QStringLiteral(".BMP")) return;
    if (!picture_.save(path, "BMP"))
        ShowMessage(QStringLiteral("画像ファイルが保存出来ませんでした。\r\n") +
                    QDir::toNativeSeparators(path));
}

void TForm8::SpeedButton2Click()
{
    TimerPause pause(*this);
    auto *dialog = qobject_cast<TForm9 *>(Form1.StartupDialog(PlacedDialog::Form9));
    if (!dialog) return;
    dialog->DialogPenShape = BoardPenShape;
    dialog->DialogPenSize = BoardPenSize;
    dialog->PenDialogAccepted = false;
    Form1.ShowModal(*dialog);
    if (!dialog->PenDialogAccepted) return;
    BoardPenShape = dialog->DialogPenShape;
    BoardPenSize = dialog->DialogPenSize;
}

void TForm8::SpeedButton3Click()
{
    TimerPause pause(*this);
    QColorDialog *dialog = ColourDialog();
    dialog->setCurrentColor(QColor(PenColorToRgb(BoardPenColor)));
    Form1.ShowModal(*dialog);
    if (dialog->result() == QDialog::Accepted)
        BoardPenColor = PenColorFromRgb(dialog->selectedColor().rgb());
}

void TForm8::SpeedButton4Click()
{
    TimerPause pause(*this);
    SpeedButton4->setChecked(true); // pressing it again changes nothing
    DrawingEnabled = 1;
}
