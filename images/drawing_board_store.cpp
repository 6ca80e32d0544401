// The drawing board and its stroke table IMG_<n>: the replay at show, the poll for new points,
// and storing strokes, one committed row per point.
//
// The poll asks only for the numbers from the last point it read (to see that it is still
// there: a table dropped and made anew does not hold it) upwards, which the unique index on N
// serves in a few page reads on a table of any size. Storing numbers its points from the largest
// N and DN in the table, which the descending indexes added beside the table turn into
// look-ups as well.

#include "drawing_board.h"

#include "board_canvas.h"
#include "board_glyphs.h"
#include "main_window.h"
#include "pen_tip.h"
#include "table_additions.h"
#include "text_helpers.h"

#include <QApplication>
#include <QStatusBar>
#include <QTimer>
#include <climits>

namespace {

const QStringList kColumns{"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"};
constexpr int kFieldCount = 8;
// One committed insert per point costs a few milliseconds, tens on a busy server: a long stroke
// is stored in slices of about this long, the window answering in between.
constexpr qint64 kStoreSliceMs = 1000;

// One stored point, as read back.
struct StrokeRow {
    int n = 0, member = 0, stroke = 0, shape = 0, size = 0, color = 0, x = 0, y = 0;

    static StrokeRow From(const QStringList &f)
    {
        StrokeRow row;
        int *const to[kFieldCount] = {&row.n,    &row.member, &row.stroke, &row.shape,
                                      &row.size, &row.color,  &row.x,      &row.y};
        for (int i = 0; i < kFieldCount; ++i) *to[i] = StrToIntOrZero(f.value(i));
        return row;
    }
    StoredPoint Point() const { return {n, shape, size, color, x, y}; }
};

bool SamePoint(const StoredPoint &a, const StoredPoint &b)
{
    return a.shape == b.shape && a.size == b.size && a.color == b.color && a.x == b.x && a.y == b.y;
}

// The busy cursor for as long as a stroke is stored.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(SqlWaitCursor()); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// Hands the `count` rows of the open select to `onRow` in their order, then closes the select.
// Nothing in between lets another handler run.
template <class OnRow> void ReadStrokeRows(DatabaseSession &db, int count, OnRow onRow)
{
    QStringList fields(kFieldCount, QString());
    for (int i = 0; i < count; ++i) {
        if (i == 0)
            db.ReadFirstRow(fields);
        else
            db.ReadNextRow(fields);
        onRow(StrokeRow::From(fields));
    }
    db.CloseSelect();
}

// 1 + the largest value of the column (1 for none), or nothing when the server could not be
// asked. INT_MAX stays INT_MAX: a number beyond it is taken as taken.
std::optional<int> NextNumber(DatabaseSession &db, const QString &table, const QString &column,
                              const QString &where = QString())
{
    const QString largest = db.SelectMax(table, column, where);
    if (largest.isEmpty() && db.ServerUnreachable()) return std::nullopt;
    const int value = StrToIntOrZero(largest);
    return value == INT_MAX ? INT_MAX : value + 1;
}

} // namespace

// --- reading the picture --------------------------------------------------------------------

void TForm8::Replay()
{
    if (Form1.TableExists(StrokeTableName)) {
        ReadAll();
    } else {
        Db().CreateImageTable(StrokeTableName); // a failure leaves the board white
        Image1->update();
    }
    // Its indexes come from the session's background additions: building them on a big
    // picture takes seconds, and strokes are stored correctly (if more slowly) meanwhile.
    additions::RequestStrokeTableAdditions(Db(), StrokeTableName);
}

bool TForm8::ReadAll()
{
    const int count =
        Db().OpenSelect(QStringLiteral("*"), StrokeTableName, QString(), QStringLiteral("N"));
    if (count <= 0 && Db().ServerUnreachable()) {
        Db().CloseSelect();
        return false;
    }
    ledger_.Clear();
    stored_.Clear();
    stored_.Reserve(count);
    picture_.fill(Qt::white);
    int highest = 0;
    {
        PenTipPainter painter(picture_);
        ReadStrokeRows(Db(), count, [&](const StrokeRow &row) {
            painter.Stamp(row.shape, row.size, row.color, row.x, row.y);
            stored_.Add(row.Point());
            highest = std::max(highest, row.n);
        });
    }
    ledger_.ReadUpTo(highest);
    PaintUnstored(picture_.rect());
    Image1->update(); // once, for the whole picture
    return true;
}

void TForm8::StartAgain()
{
    // The numbers this board took for what waits belong to the table that is gone.
    for (WaitingStroke &stroke : waiting_) {
        stroke.stroke.reset();
        stroke.uncertain.reset();
    }
    if (Form1.TableExists(StrokeTableName)) {
        tableMissing_ = false;
        ReadAll();
        return;
    }
    if (Db().ServerUnreachable()) return; // nothing known: the next refresh looks again
    tableMissing_ = true;
    ledger_.Clear();
    stored_.Clear();
    picture_.fill(Qt::white);
    PaintUnstored(picture_.rect());
    Image1->update();
}

void TForm8::DrawNewRows()
{
    // The last point read below RowsSeen comes back first, to show that the table is the one
    // read so far.
    const int seen = ledger_.RowsSeen();
    const int anchor = stored_.HighestUpTo(seen);
    const QString where =
        anchor > 0 ? QStringLiteral("N>=%1").arg(anchor) : QStringLiteral("N>%1").arg(seen);
    const int count =
        Db().OpenSelect(QStringLiteral("*"), StrokeTableName, where, QStringLiteral("N"));
    if (count <= 0) {
        Db().CloseSelect();
        // Not even the last point read: the table was dropped, or dropped and made anew.
        if (anchor > 0 && !Db().ServerUnreachable()) StartAgain();
        return;
    }
    tableMissing_ = false; // another board has made it anew
    const bool unstored = PenDown || !waiting_.empty();
    bool replaced = false;
    int highest = seen;
    QRect changed, misplaced;
    {
        PenTipPainter painter(picture_);
        int index = 0;
        ReadStrokeRows(Db(), count, [&](const StrokeRow &row) {
            if (index++ == 0 && anchor > 0) {
                const StoredPoint *kept = stored_.Find(anchor);
                replaced = row.n != anchor || !kept || !SamePoint(*kept, row.Point());
            }
            if (replaced || row.n <= seen) return;
            highest = std::max(highest, row.n);
            if (!ledger_.Read(row.n)) return; // this board's own point, or one read before
            // On top only when it is the highest point here and nothing unstored lies above.
            if (stored_.Add(row.Point()) && !unstored)
                changed |= painter.Stamp(row.shape, row.size, row.color, row.x, row.y);
            else
                misplaced |= PenTipBox(picture_.rect(), row.shape, row.size, row.x, row.y);
        });
    }
    if (replaced) {
        StartAgain();
        return;
    }
    ledger_.ReadUpTo(highest);
    Repaint(misplaced);
    changed |= misplaced;
    if (!changed.isEmpty()) Image1->update(changed);
}

void TForm8::Repaint(const QRect &area)
{
    if (area.isEmpty()) return;
    stored_.Repaint(picture_, area);
    PaintUnstored(area);
}

void TForm8::PaintUnstored(const QRect &area)
{
    if (waiting_.empty() && !PenDown) return;
    PenTipPainter painter(picture_, area);
    for (const WaitingStroke &stroke : waiting_)
        for (const QPoint &p : stroke.points)
            painter.Stamp(stroke.shape, stroke.size, stroke.color, p.x(), p.y());
    if (PenDown)
        for (int i = 0; i < StrokePointCount; ++i)
            painter.Stamp(BoardPenShape, BoardPenSize, BoardPenColor, StrokeX[i], StrokeY[i]);
}

// --- the refresh ----------------------------------------------------------------------------

void TForm8::Refresh()
{
    DrawNewRows(); // what others stored meanwhile goes below what waits here
    // Others' points among this board's numbers are read at once, so the board is as a new
    // board would show it when the handler ends.
    if (!waiting_.empty() && StoreWaiting()) DrawNewRows();
    ShowWaiting();
}

bool TForm8::MakeTableAgain()
{
    if (!Db().CreateImageTable(StrokeTableName) && !Form1.TableExists(StrokeTableName))
        return false; // another board may have made it a moment earlier
    StartAgain();
    additions::RequestStrokeTableAdditions(Db(), StrokeTableName);
    return !tableMissing_;
}

int TForm8::WaitingPoints() const
{
    int count = 0;
    for (const WaitingStroke &stroke : waiting_) count += int(stroke.points.size());
    return count;
}

void TForm8::ShowWaiting()
{
    // Points still being stored, slice by slice, are not waiting for the server.
    const int waiting = sliceQueued_ ? 0 : WaitingPoints();
    const QString text =
        waiting > 0
            ? QStringLiteral("保存待ちの点：%1（サーバーに接続出来次第、保存します）").arg(waiting)
            : QString();
    if (StatusBar1->currentMessage() != text) StatusBar1->showMessage(text);
}

// --- storing --------------------------------------------------------------------------------

void TForm8::StoreStroke()
{
    PenDown = false;
    BusyCursor busy;
    if (StrokePointCount > 0) {
        WaitingStroke stroke{BoardPenShape, BoardPenSize, BoardPenColor, {}, {}, {}};
        for (int i = 0; i < StrokePointCount; ++i)
            stroke.points.emplace_back(StrokeX[i], StrokeY[i]);
        waiting_.push_back(std::move(stroke));
    }
    StrokePointCount = 0;
    StrokeX.clear();
    StrokeY.clear();
    Refresh();
}

bool TForm8::StoreWaiting()
{
    bool met = false;
    QRect misplaced;
    slice_.start();
    sliceUsedUp_ = false;
    while (!waiting_.empty() && Store(waiting_.front(), met, misplaced)) waiting_.pop_front();
    Repaint(misplaced);
    if (!misplaced.isEmpty()) Image1->update(misplaced);
    if (sliceUsedUp_ && !waiting_.empty() && !sliceQueued_) {
        sliceQueued_ = true;
        QTimer::singleShot(0, this, &TForm8::ContinueStoring);
    }
    return met;
}

bool TForm8::SliceUsedUp()
{
    sliceUsedUp_ = slice_.elapsed() >= kStoreSliceMs;
    return sliceUsedUp_;
}

void TForm8::ContinueStoring()
{
    sliceQueued_ = false;
    // A stroke being drawn is not held up: its release stores what waits, this included.
    if (Closed() || PenDown || waiting_.empty()) return;
    TimerPause pause(*this);
    Refresh();
}

// Stores the stroke's points in order, each dropped from it once stored. False when the rest
// must wait: the server is away, or will not take the point for a reason this board cannot
// mend.
bool TForm8::Store(WaitingStroke &stroke, bool &met, QRect &misplaced)
{
    const int member = settings().PcUserNumber;
    auto values = [&](int number) {
        const QPoint p = stroke.points.front();
        return QStringList{QString::number(number),         QString::number(member),
                           QString::number(*stroke.stroke), QString::number(stroke.shape),
                           QString::number(stroke.size),    QString::number(stroke.color),
                           QString::number(p.x()),          QString::number(p.y())};
    };
    // The stroke's next point is in the table under `number`: drawn when it was captured.
    auto stored = [&](int number) {
        const QPoint p = stroke.points.front();
        stroke.points.pop_front();
        if (ledger_.Drawn(number)) return; // a poll read it first
        ledger_.Stored(number);
        const StoredPoint point{number, stroke.shape, stroke.size, stroke.color, p.x(), p.y()};
        if (!stored_.Add(point))
            misplaced |= PenTipBox(picture_.rect(), point.shape, point.size, point.x, point.y);
    };
    enum class Row { Missing, Ours, Others, Unknown };
    auto rowUnder = [&](int number) {
        QStringList found(kFieldCount, QString());
        if (Db().SelectFirstRow(QStringLiteral("*"), StrokeTableName,
                                QStringLiteral("N=%1").arg(number), found) > 0)
            return found == values(number) ? Row::Ours : Row::Others;
        return Db().ServerUnreachable() ? Row::Unknown : Row::Missing;
    };

    if (OnStoring) OnStoring(StoringStep::Numbering, 0);
    if (tableMissing_ && !MakeTableAgain()) return false;
    if (stroke.uncertain && stroke.stroke && !stroke.points.empty()) {
        const Row row = rowUnder(*stroke.uncertain);
        if (row == Row::Unknown) return false;
        if (row == Row::Ours) stored(*stroke.uncertain);
    }
    stroke.uncertain.reset();

    std::optional<int> number;
    while (!stroke.points.empty()) {
        if (!number) {
            number = NextNumber(Db(), StrokeTableName, QStringLiteral("N"));
            if (!stroke.stroke)
                stroke.stroke = NextNumber(Db(), StrokeTableName, QStringLiteral("DN"),
                                           QStringLiteral("MN=%1").arg(member));
            if (!number || !stroke.stroke) return false;
            // Others stored points after the poll that opened the storing: read them next.
            if (*number > stored_.Highest() + 1) met = true;
        }
        if (OnStoring) OnStoring(StoringStep::Inserting, *number);
        if (Db().InsertRow(StrokeTableName, kFieldCount, kColumns, values(*number))) {
            stored(*number);
        } else if (Db().LastWriteOutcomeUnknown()) {
            stroke.uncertain = number; // looked up when the server is back
            return false;
        } else if (Db().ServerUnreachable()) {
            return false;
        } else {
            // Refused: another board took the number, or the table is gone.
            const Row row = rowUnder(*number);
            if (row == Row::Unknown) return false;
            if (row == Row::Ours) {
                stored(*number);
            } else if (row == Row::Others) {
                met = true; // its point is read by the poll that follows
                const std::optional<int> next =
                    NextNumber(Db(), StrokeTableName, QStringLiteral("N"));
                if (next && *next > *number + 1) number = *next - 1;
            } else {
                // The number is free and still refused: the table was dropped while the board
                // was open, and this stroke starts the new one.
                if (Form1.TableExists(StrokeTableName) || Db().ServerUnreachable() ||
                    !MakeTableAgain())
                    return false;
                number.reset();
                stroke.stroke.reset();
                continue;
            }
        }
        if (*number == INT_MAX) break; // no number is left for the rest
        ++*number;
        // The rest in the next slice; it numbers its points afresh, after the others' points.
        if (!stroke.points.empty() && SliceUsedUp()) return false;
    }
    stroke.points.clear();
    return true;
}
