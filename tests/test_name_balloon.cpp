// The name balloon: its outline pixel by pixel (the tip is the window's top-left pixel), its size
// from the name.

#include "balloon_shape.h"
#include "name_balloon.h"

#include <QLabel>
#include <QtTest>

namespace {

// The arrow head (0,0) (12,24) (24,12): the first and last pixel of each row 0 to 22. A pixel is
// inside when its centre is; centres on the lower right edge are outside, as on every right
// edge, so row 23 is empty and the head meets the plate only at the point (12,24).
const int kArrowRows[23][2] = {{0, 0},  {1, 2},   {1, 4},   {2, 6},   {2, 8},  {3, 10},
                               {3, 12}, {4, 14},  {4, 16},  {5, 18},  {5, 20}, {6, 22},
                               {6, 22}, {7, 21},  {7, 20},  {8, 19},  {8, 18}, {9, 17},
                               {9, 16}, {10, 15}, {10, 14}, {11, 13}, {11, 12}};

// The pixels of a box one wider all round than a width x height balloon that `region` gets wrong.
QStringList WrongPixels(const QRegion &region, int width, int height)
{
    QStringList wrong;
    for (int y = -1; y <= height; ++y)
        for (int x = -1; x <= width; ++x) {
            bool inside = y >= kArrowSize && y < height && x >= 0 && x < width; // the plate
            if (y >= 0 && y < 23) inside = x >= kArrowRows[y][0] && x <= kArrowRows[y][1];
            if (region.contains(QPoint(x, y)) != inside)
                wrong << QStringLiteral("(%1,%2)").arg(x).arg(y);
        }
    return wrong;
}

} // namespace

class NameBalloonTest : public QObject {
    Q_OBJECT

private slots:
    void shapeAndSizeFollowTheName()
    {
        // Qt's own polygon region would leave the tip out.
        QVERIFY(!QRegion(BalloonOutline(24, 37), Qt::OddEvenFill).contains(QPoint(0, 0)));
        QCOMPARE(WrongPixels(BalloonRegion(25, 25), 25, 25), QStringList());

        // Narrow names keep the arrow head whole at 24 pixels; a long one widens the plate only.
        const QString longName = QStringLiteral("ながいなまえのメンバー");
        for (const QString &name :
             {QString(), QStringLiteral("A"), QStringLiteral("あ"), longName}) {
            TForm13 balloon;
            balloon.BalloonText = name;
            balloon.show();
            const QFontMetrics metrics(balloon.font());
            const int width = name == longName ? metrics.horizontalAdvance(name) : 24;
            QCOMPARE(balloon.size(), QSize(width, metrics.height() + 24));
            QCOMPARE(WrongPixels(balloon.mask(), width, balloon.height()), QStringList());
            QCOMPARE(balloon.Label1->text(), name);
            QCOMPARE(balloon.Label1->pos(), QPoint(0, 24));
        }
    }
};

QTEST_MAIN(NameBalloonTest)
#include "test_name_balloon.moc"
