// The name balloon: its outline pixel by pixel (the tip is the window's top-left pixel), its size
// from the name, and that it never takes the focus from the window in use.

#include "balloon_shape.h"
#include "name_balloon.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

namespace {

// The arrow head (0,0) (12,24) (24,12), one row a line: '#' inside. The pixels whose centres lie
// on the lower right edge are outside, as right edges are; so row 23 is empty and the head
// meets the plate only at the point (12,24).
const char *const kArrowHead[kArrowSize] = {
    "#",
    ".##",
    ".####",
    "..#####",
    "..#######",
    "...########",
    "...##########",
    "....###########",
    "....#############",
    ".....##############",
    ".....################",
    "......#################",
    "......#################",
    ".......###############",
    ".......##############",
    "........############",
    "........###########",
    ".........#########",
    ".........########",
    "..........######",
    "..........#####",
    "...........###",
    "...........##",
    "",
};

// Every pixel of the box around a width x height balloon that the region gets wrong.
QStringList WrongPixels(const QRegion &region, int width, int height)
{
    QStringList wrong;
    for (int y = -1; y <= height; ++y)
        for (int x = -1; x <= width; ++x) {
            bool expected = false;
            if (y >= 0 && y < kArrowSize && x >= 0)
                expected = x < int(qstrlen(kArrowHead[y])) && kArrowHead[y][x] == '#';
            else if (y >= kArrowSize && y < height)
                expected = x >= 0 && x < width; // the whole plate
            if (region.contains(QPoint(x, y)) != expected)
                wrong << QStringLiteral("(%1,%2)").arg(x).arg(y);
        }
    return wrong;
}

QFont BalloonFont()
{
    return TForm13().font();
}

} // namespace

class NameBalloonTest : public QObject {
    Q_OBJECT

private slots:
    void outlineIsTheArrowHeadAndThePlate()
    {
        for (QSize size : {QSize(24, 37), QSize(25, 25), QSize(130, 40)}) {
            const QRegion region = BalloonRegion(size.width(), size.height());
            QCOMPARE(WrongPixels(region, size.width(), size.height()), QStringList());
        }
        // Qt's own polygon region would leave the tip out; ours starts at (0,0).
        QVERIFY(!QRegion(BalloonOutline(24, 37), Qt::OddEvenFill).contains(QPoint(0, 0)));
        QVERIFY(BalloonRegion(24, 37).contains(QPoint(0, 0)));
    }

    void narrowNamesKeepTheArrowHeadWhole()
    {
        const QFontMetrics metrics(BalloonFont());
        for (const QString &name : {QString(), QStringLiteral("A"), QStringLiteral("あ")}) {
            TForm13 balloon;
            balloon.BalloonText = name;
            balloon.show();
            QCOMPARE(balloon.size(), QSize(24, metrics.height() + 24));
            QCOMPARE(WrongPixels(balloon.mask(), 24, balloon.height()), QStringList());
            QCOMPARE(balloon.Label1->text(), name);
            QCOMPARE(balloon.Label1->pos(), QPoint(0, 24));
        }
    }

    void aLongNameWidensOnlyThePlate()
    {
        const QString name = QStringLiteral("ながいなまえのメンバー");
        TForm13 balloon;
        balloon.BalloonText = name;
        balloon.BalloonColor = QColor(0, 255, 255);
        balloon.show();
        const int width = QFontMetrics(balloon.font()).horizontalAdvance(name);
        QVERIFY(width > 100);
        QCOMPARE(balloon.width(), width);
        QCOMPARE(WrongPixels(balloon.mask(), width, balloon.height()), QStringList());
        QCOMPARE(balloon.Label1->palette().color(QPalette::Window), QColor(0, 255, 255));
        QVERIFY(balloon.Label1->autoFillBackground());

        // The shape was made when it was shown; a later name does not change it.
        balloon.BalloonText = QStringLiteral("A");
        balloon.hide();
        balloon.show();
        QCOMPARE(balloon.width(), width);
    }

    void itsCornerIsWhereItIsMovedAndItTakesNoFocus()
    {
        QWidget inUse;
        inUse.show();
        QApplication::setActiveWindow(&inUse);
        TForm13 balloon;
        balloon.BalloonText = QStringLiteral("B");
        balloon.move(300, 200);
        balloon.show();
        balloon.move(-5, 17); // pointers left of or above a main window are negative offsets
        QCOMPARE(balloon.geometry().topLeft(), QPoint(-5, 17));
        QCOMPARE(QApplication::activeWindow(), &inUse);
        QVERIFY(!balloon.hasFocus());
    }
};

QTEST_MAIN(NameBalloonTest)
#include "test_name_balloon.moc"
