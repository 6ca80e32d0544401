// The drawing board and its stroke table IMG_<n>: the replay at show, the poll for new points
// and storing a stroke, one committed row per point.
//
// Every statement here costs the same on a table of ten points or of a million: the unique
// index on N serves "N > x" ranges and single numbers, while COUNT and MAX over the whole table
// read every row (a second or more per poll on a big picture). So the poll asks only for the
// numbers above RowsSeen; storing numbers its points after the highest the poll just before
// it read, and a point another board stores in between is met as a taken number; a member's
// next stroke number comes from the points the board has already read.

#include "drawing_board.h"

#include "board_canvas.h"
#include "board_glyphs.h"
#include "main_window.h"
#include "pen_tip.h"
#include "text_helpers.h"

#include <QApplication>
#include <climits>

namespace {

const QStringList kColumns{"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"};
constexpr int kFieldCount = 8;

// One stored point, as read back.
struct StrokeRow {
    int n = 0, member = 0, stroke = 0, shape = 0, size = 0, color = 0, x = 0, y = 0;
    bool memberNull = true, strokeNull = true;

    static StrokeRow From(const QStringList &f)
    {
        StrokeRow row;
        row.n = StrToIntOrZero(f[0]);
        row.member = StrToIntOrZero(f[1]);
        row.stroke = StrToIntOrZero(f[2]);
        row.shape = StrToIntOrZero(f[3]);
        row.size = StrToIntOrZero(f[4]);
        row.color = StrToIntOrZero(f[5]);
        row.x = StrToIntOrZero(f[6]);
        row.y = StrToIntOrZero(f[7]);
        row.memberNull = f[1].isEmpty();
        row.strokeNull = f[2].isEmpty();
        return row;
    }
};

// The busy cursor for as long as a stroke is stored.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(SqlWaitCursor()); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

QString Above(int number)
{
    return QStringLiteral("N>%1").arg(number);
}

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

} // namespace

void TForm8::Replay()
{
    ledger_.Clear();
    if (!Form1.TableExists(StrokeTableName)) {
        Db().CreateImageTable(StrokeTableName); // a failure leaves the board white
        Image1->update();
        return;
    }
    const int count =
        Db().OpenSelect(QStringLiteral("*"), StrokeTableName, QString(), QStringLiteral("N"));
    int highest = 0;
    {
        PenTipPainter painter(picture_);
        ReadStrokeRows(Db(), count, [&](const StrokeRow &row) {
            painter.Stamp(row.shape, row.size, row.color, row.x, row.y);
            ledger_.NoteStroke(row.member, row.stroke, row.memberNull, row.strokeNull);
            highest = std::max(highest, row.n);
        });
    }
    ledger_.ReadUpTo(highest);
    Image1->update(); // once, for the whole picture
}

void TForm8::DrawNewRows()
{
    // Rows above RowsSeen exist exactly when the table holds more rows than the board has
    // seen, since numbers run from 1 without gaps; asking for them directly spares a count.
    const int seen = ledger_.RowsSeen();
    const int count =
        Db().OpenSelect(QStringLiteral("*"), StrokeTableName, Above(seen), QStringLiteral("N"));
    if (count <= 0) {
        Db().CloseSelect();
        return;
    }
    QRect changed;
    int highest = seen;
    {
        PenTipPainter painter(picture_);
        ReadStrokeRows(Db(), count, [&](const StrokeRow &row) {
            ledger_.NoteStroke(row.member, row.stroke, row.memberNull, row.strokeNull);
            highest = std::max(highest, row.n);
            // This board's own points come back too: they were stamped when drawn.
            if (ledger_.Read(row.n))
                changed |= painter.Stamp(row.shape, row.size, row.color, row.x, row.y);
        });
    }
    ledger_.ReadUpTo(highest);
    if (!changed.isEmpty()) Image1->update(changed);
}

void TForm8::StoreStroke()
{
    PenDown = false;
    BusyCursor busy;
    DrawNewRows(); // what others stored meanwhile goes on top of this stroke
    if (StrokePointCount > 0) StorePoints();
    StrokePointCount = 0;
    StrokeX.clear();
    StrokeY.clear();
}

void TForm8::StorePoints()
{
    if (OnStoring) OnStoring(StoringStep::Numbering, 0);
    // One above the highest stored: the poll that has just run read every point up to there.
    const int highest = ledger_.Highest();
    if (highest == INT_MAX) return;
    int number = highest + 1;
    const int member = settings().PcUserNumber;
    const int stroke = ledger_.NextStroke(member);
    const QString pen[] = {QString::number(member), QString::number(stroke),
                           QString::number(BoardPenShape), QString::number(BoardPenSize),
                           QString::number(BoardPenColor)};
    int collisions = 0;

    for (int i = 0; i < StrokePointCount; ++i) {
        const QStringList values{QString(),
                                 pen[0],
                                 pen[1],
                                 pen[2],
                                 pen[3],
                                 pen[4],
                                 QString::number(StrokeX[i]),
                                 QString::number(StrokeY[i])};
        for (;;) {
            QStringList row = values;
            row[0] = QString::number(number);
            if (OnStoring) OnStoring(StoringStep::Inserting, number);
            if (Db().InsertRow(StrokeTableName, kFieldCount, kColumns, row)) break;

            // Refused. Either another board took the number, or something else is wrong: the
            // server is gone, or the picture's points were deleted while this board was open.
            QStringList found(kFieldCount, QString());
            if (Db().SelectFirstRow(QStringLiteral("*"), StrokeTableName,
                                    QStringLiteral("N=%1").arg(number), found) <= 0)
                return; // the number is free, so retrying cannot help: give up the rest
            if (found.mid(1) == values.mid(1))
                break; // our own insert, committed though its answer was lost
            const StrokeRow other = StrokeRow::From(found);
            ledger_.NoteStroke(other.member, other.stroke, other.memberNull, other.strokeNull);
            if (ledger_.Read(number))
                StampAndShow(other.shape, other.size, other.color, other.x, other.y);
            if (++collisions > CollisionLimit || number == INT_MAX) return;
            ++number;
        }
        ledger_.Stored(number);
        ledger_.NoteStroke(member, stroke);
        if (number == INT_MAX) return;
        ++number;
    }
}
