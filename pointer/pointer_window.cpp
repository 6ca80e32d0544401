#include "pointer_window.h"

#include "event_refresh.h"
#include "main_window.h"
#include "name_balloon.h"
#include "pointer_follower.h"
#include "program_style.h"
#include "select_rows.h"
#include "text_helpers.h"

#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

const QString kTable = QStringLiteral("MOUSEPOS");
constexpr int kTickMs = 1000;
const QColor kBalloonColor(0, 255, 255);

// Where a member's balloon goes: its stored offset from this PC's main window. The offset is
// whatever a PC wrote, up to the ends of INTEGER; added to the corner it must not overflow,
// and no screen reaches beyond the window system's coordinates (a larger one would wrap round
// onto the screen): such a balloon stays out of sight.
QPoint BalloonTip(int x, int y, QPoint corner)
{
    auto onScreens = [](qint64 v) { return int(std::clamp<qint64>(v, -32768, 32767)); };
    return QPoint(onScreens(qint64(x) + corner.x()), onScreens(qint64(y) + corner.y()));
}

} // namespace

TForm12::TForm12(TForm1 &form1) : ChildForm(form1)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("マウスポインタ"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(ProgramFont());
    setFixedSize(256, 27);

    Label1 = new QLabel(QStringLiteral("マウスポインタ起動中（閉じると終了）"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 8);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TForm12::Timer1Timer);

    // The program ends when the main window closes, and a child window still open then is
    // destroyed without its close handler. The others must still learn that this pointer has
    // gone, or its balloon would stay on their screens for good: watch the main window's close,
    // which comes before it lets go of the database.
    Form1.installEventFilter(this);
}

TForm12::~TForm12()
{
    // Destroyed without being closed (the program is ending): no balloon may stay behind.
    for (PointerEntry &entry : PointerEntries) delete entry.Balloon.data();
    Form1.PointerWindowOpen = false;
}

bool TForm12::event(QEvent *event)
{
    // The frame the main window puts around it: a fixed border without a maximise button.
    if (event->type() == QEvent::ParentChange)
        if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
            frame->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                                  Qt::MSWindowsFixedSizeDialogHint);
    return QWidget::event(event);
}

bool TForm12::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &Form1 && event->type() == QEvent::Close) StopSharing();
    return false;
}

void TForm12::FormShow()
{
    PointerEntries.clear();
    member_ = Form1.settings().PcUserNumber;
    Form1.PendingPointerStops().Cancel(member_); // a stop still pending would undo this
    PublishPointer(1);
    Timer1->start(kTickMs); // the others are first read one second from now
    // With event alerts, the others' balloons move the moment they publish, and this PC's
    // pointer is published as it moves; the tick stays as it is, for servers without events.
    const auto sharing = [this] { return Timer1->isActive(); };
    new EventRefresh(this, Form1.Db().Events(), kTable, sharing, [this] { ShowOtherPointers(); });
    new PointerFollower(this, Form1, sharing);
}

void TForm12::Timer1Timer()
{
    Timer1->stop(); // the next tick counts from the end of this one: ticks never overlap
    try {
        FollowPcUser();
        PublishPointer(1);
        ShowOtherPointers();
    } catch (...) {
        // Out of memory at worst: the next tick tries again.
    }
    Timer1->start(kTickMs);
}

void TForm12::FormClose()
{
    StopSharing();
    for (PointerEntry &entry : PointerEntries) CloseBalloon(entry);
    PointerEntries.clear();
    Form1.PointerWindowOpen = false;
}

void TForm12::StopSharing()
{
    Timer1->stop();
    if (sharingStopped_ || !Shown()) return;
    sharingStopped_ = true;
    PublishStop();
}

void TForm12::PublishStop()
{
    PublishPointer(0); // the row keeps its last position; the others drop its balloon
    // The server is away: the main window writes it once the server is back.
    if (Form1.Db().ServerUnreachable()) Form1.PendingPointerStops().Stop(member_);
}

void TForm12::FollowPcUser()
{
    const int member = Form1.settings().PcUserNumber;
    if (member == member_) return;
    // The PC user changed while sharing: the old member stops, the new one starts, and a
    // balloon this window showed for the new member would now be its own.
    PublishStop();
    member_ = member;
    Form1.PendingPointerStops().Cancel(member_);
    for (PointerEntry &entry : PointerEntries)
        if (entry.MemberNumber == member_) CloseBalloon(entry);
}

QPoint TForm12::MainWindowCorner() const
{
    return Form1.frameGeometry().topLeft();
}

void TForm12::PublishPointer(int state)
{
    const int member = member_;
    const QPoint offset = QCursor::pos() - MainWindowCorner(); // one reading for X and Y
    const QStringList columns{"MN", "ST", "MX", "MY"};
    const QStringList values{QString::number(member), QString::number(state),
                             QString::number(offset.x()), QString::number(offset.y())};
    DatabaseSession &db = Form1.Db();
    if (db.KeyExists(kTable, QStringLiteral("MN"), QString(), member))
        db.UpdateRows(kTable, 4, columns, values, QStringLiteral("MN=%1").arg(member));
    else if (!db.ServerUnreachable()) // unknown whether the row exists: a second one would stay
        db.InsertRow(kTable, 4, columns, values);
    // The outcome is not checked: the next tick writes again.
}

void TForm12::ShowOtherPointers()
{
    const QString where = QStringLiteral("MOUSEPOS.MN<>%1 AND MOUSEPOS.MN=MEMBER.N").arg(member_);
    // Read whole and closed before any balloon is made: the shared result is never left open
    // while windows are created.
    const QList<QStringList> rows = SelectRows(
        Form1.Db(), QStringLiteral("MOUSEPOS.MN,MOUSEPOS.ST,MOUSEPOS.MX,MOUSEPOS.MY,MEMBER.PNAME"),
        QStringLiteral("MOUSEPOS,MEMBER"), where, QStringLiteral("MOUSEPOS.MN"), 5);

    for (const QStringList &row : rows) {
        const int member = StrToIntOrZero(row[0]);
        const bool sharing = StrToIntOrZero(row[1]) == 1;
        const int x = StrToIntOrZero(row[2]), y = StrToIntOrZero(row[3]);
        // This PC's member before the PC user changed, its stop not written yet: no balloon
        // of one's own.
        if (Form1.PendingPointerStops().Pending(member)) continue;
        auto entry =
            std::find_if(PointerEntries.begin(), PointerEntries.end(),
                         [member](const PointerEntry &e) { return e.MemberNumber == member; });
        if (entry == PointerEntries.end()) {
            if (!sharing) continue; // someone who stopped before we looked: no entry
            PointerEntries.push_back(PointerEntry{member, 0, x, y, nullptr});
            OpenBalloon(PointerEntries.back(), row[4]);
        } else if (sharing) {
            entry->X = x;
            entry->Y = y;
            if (entry->Shown == 0) OpenBalloon(*entry, row[4]);
        } else {
            CloseBalloon(*entry);
        }
    }
    PlaceBalloons();
}

void TForm12::OpenBalloon(PointerEntry &entry, const QString &name)
{
    try {
        auto balloon = std::make_unique<TForm13>();
        balloon->BalloonText = name;
        balloon->BalloonColor = kBalloonColor;
        balloon->move(BalloonTip(entry.X, entry.Y, MainWindowCorner())); // no flash at (0, 0)
        balloon->show();
        entry.Balloon = balloon.release();
        entry.Shown = 1;
    } catch (...) {
        // The entry stays, hidden, and the next tick tries again.
        entry.Balloon = nullptr;
        entry.Shown = 0;
    }
}

void TForm12::CloseBalloon(PointerEntry &entry)
{
    if (entry.Balloon) entry.Balloon->close(); // it frees itself
    entry.Balloon = nullptr;
    entry.Shown = 0;
}

void TForm12::PlaceBalloons()
{
    const QPoint corner = MainWindowCorner();
    for (PointerEntry &entry : PointerEntries) {
        if (entry.Shown != 1) continue;
        if (!entry.Balloon) { // closed by someone else: make it anew at the next tick
            entry.Shown = 0;
            continue;
        }
        entry.Balloon->Place(BalloonTip(entry.X, entry.Y, corner));
    }
}
