#include "board_fixture.h"

#include "main_window.h"
#include "select_rows.h"
#include "text_helpers.h"

#include <QCoreApplication>
#include <QToolButton>

std::unique_ptr<TForm8> ShowBoard(TForm1 &form1, int number, int width, int height)
{
    form1.CurrentImageNumber = number;
    form1.CurrentImageWidth = width;
    form1.CurrentImageHeight = height;
    auto board = std::make_unique<TForm8>(form1);
    board->show();
    return board;
}

void SetPen(TForm8 &board, int shape, int size, int color)
{
    board.BoardPenShape = shape;
    board.BoardPenSize = size;
    board.BoardPenColor = color;
}

void DrawStroke(TForm8 &board, const QList<QPoint> &points, Qt::MouseButton release)
{
    if (!board.DrawingEnabled) board.SpeedButton4->click();
    board.Image1MouseDown(Qt::LeftButton, Qt::LeftButton, points[0].x(), points[0].y());
    for (int i = 1; i < points.size(); ++i)
        board.Image1MouseMove(Qt::LeftButton, points[i].x(), points[i].y());
    board.Image1MouseUp(release, points.last().x(), points.last().y());
    // A long stroke on a slow server is stored slice by slice: here, all of it at once.
    while (board.StoringContinues()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QList<StoredRow> StoredRows(DatabaseSession &db, const QString &table)
{
    QList<StoredRow> rows;
    for (const QStringList &fields :
         SelectRows(db, QStringLiteral("*"), table, QString(), QStringLiteral("N"), 8)) {
        StoredRow row;
        for (const QString &field : fields) row << StrToIntOrZero(field);
        rows << row;
    }
    return rows;
}

bool StorePoint(DatabaseSession &db, const QString &table, const StoredRow &row)
{
    QStringList values;
    for (int value : row) values << QString::number(value);
    return db.InsertRow(table, 8, {"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"}, values);
}

QImage Replayed(TForm1 &form1, int number, int width, int height)
{
    auto board = ShowBoard(form1, number, width, height);
    return board->Picture().copy();
}
