// The pen tip rasteriser, pixel by pixel: what each shape covers at each size, and stamps that
// fall partly or wholly off the picture.

#include "pen_tip.h"

#include <QtTest>
#include <climits>
#include <set>

namespace {

using Pixels = std::set<std::pair<int, int>>;
constexpr int kRed = 0x0000FF; // 0x00BBGGRR
const int kShapes[] = {kDisc, kRing, kSquare, kOutline, kRisingLine, kFallingLine};

// The pixels a stamp changed on a white picture.
Pixels Stamped(int shape, int size, int x, int y, QSize picture = QSize(64, 64),
               QRect *returned = nullptr)
{
    QImage image = BlankPicture(picture.width(), picture.height());
    const QRect box = DrawPenTip(image, shape, size, kRed, x, y);
    if (returned) *returned = box;
    Pixels pixels;
    for (int py = 0; py < image.height(); ++py)
        for (int px = 0; px < image.width(); ++px)
            if (image.pixel(px, py) != qRgb(255, 255, 255)) {
                if (image.pixel(px, py) != qRgb(255, 0, 0)) return {{-1, -1}}; // wrong colour
                pixels.insert({px, py});
            }
    return pixels;
}

Pixels Box(int left, int top, int size)
{
    Pixels pixels;
    for (int y = top; y < top + size; ++y)
        for (int x = left; x < left + size; ++x) pixels.insert({x, y});
    return pixels;
}

Pixels Shifted(const Pixels &pixels, int dx, int dy)
{
    Pixels moved;
    for (auto [x, y] : pixels) moved.insert({x + dx, y + dy});
    return moved;
}

QRect Bounds(const Pixels &pixels)
{
    QRect bounds;
    for (auto [x, y] : pixels) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace

class PenTipTest : public QObject {
    Q_OBJECT

private slots:
    // Squares and outlines cover their box; lines run from corner to corner without their end.
    void squaresOutlinesAndLines_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {2, 3, 5, 10}) QTest::addRow("size %d", size) << size;
    }
    void squaresOutlinesAndLines()
    {
        QFETCH(int, size);
        const int x = 30, y = 30, h = size / 2, r = size - h;
        const Pixels box = Box(x - h, y - h, size);
        QRect returned;
        QCOMPARE(Stamped(kSquare, size, x, y, QSize(64, 64), &returned), box);
        QCOMPARE(returned, QRect(x - h, y - h, size, size));
        if (size == 3) QCOMPARE(box, Box(x - 1, y - 1, 3)); // x - 1 ... x + 1

        Pixels outline;
        for (auto [px, py] : box)
            if (px == x - h || py == y - h || px == x - h + size - 1 || py == y - h + size - 1)
                outline.insert({px, py});
        QCOMPARE(Stamped(kOutline, size, x, y), outline);

        Pixels falling, rising;
        for (int i = 0; i < size; ++i) {
            falling.insert({x - h + i, y - h + i}); // towards (x + r, y + r), not reaching it
            rising.insert({x + r - i, y - h + i});  // from (x + r, y - h) towards (x - h, y + r)
        }
        QCOMPARE(Stamped(kFallingLine, size, x, y, QSize(64, 64), &returned), falling);
        QCOMPARE(returned, Bounds(falling));
        QCOMPARE(Stamped(kRisingLine, size, x, y, QSize(64, 64), &returned), rising);
        QCOMPARE(returned, Bounds(rising));
        QVERIFY(!falling.count({x + r, y + r}));
        QVERIFY(!rising.count({x - h, y + r}));
    }

    // Size 1 is one pixel for any shape; other shapes, sizes below 1 and stamps far off draw
    // nothing, and huge ones stay cheap.
    void smallUnknownFarOffAndHugeStamps()
    {
        for (int shape : {0, 1, 2, 3, 4, 5, 6, -1, 99})
            QCOMPARE(Stamped(shape, 1, 10, 12), Pixels({{10, 12}}));
        for (int shape : {6, -1, 1000}) QCOMPARE(Stamped(shape, 5, 10, 10), Pixels());
        for (int shape : kShapes) {
            QCOMPARE(Stamped(shape, 0, 10, 10), Pixels());
            QCOMPARE(Stamped(shape, -7, 10, 10), Pixels());
            QRect returned;
            QCOMPARE(Stamped(shape, 10, INT_MAX, INT_MIN, QSize(16, 16), &returned), Pixels());
            QVERIFY(returned.isEmpty());
            QCOMPARE(Stamped(shape, 300, -1000, 5, QSize(16, 16)), Pixels());
        }
        // A square larger than any picture covers it all, without visiting its whole box.
        QCOMPARE(Stamped(kSquare, INT_MAX, 0, 0, QSize(8, 8)), Box(0, 0, 8));
        QCOMPARE(Stamped(kFallingLine, INT_MAX, 0, 0, QSize(8, 8)).size(), size_t(8));
    }

    void discsAndRingsStayInsideTouchEverySideAndAreSymmetric_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("size");
        for (int shape : {int(kDisc), int(kRing)})
            for (int size : {2, 3, 5, 10, 11, 40})
                QTest::addRow("%s %d", shape == kDisc ? "disc" : "ring", size) << shape << size;
    }
    void discsAndRingsStayInsideTouchEverySideAndAreSymmetric()
    {
        QFETCH(int, shape);
        QFETCH(int, size);
        const int x = 40, y = 40, h = size / 2;
        const QRect box(x - h, y - h, size, size);
        QRect returned;
        const Pixels pixels = Stamped(shape, size, x, y, QSize(96, 96), &returned);
        QCOMPARE(returned, box);
        QCOMPARE(Bounds(pixels), box); // inside, and touching all four sides
        for (auto [px, py] : pixels) {
            const int mx = box.left() + box.right() - px, my = box.top() + box.bottom() - py;
            QVERIFY2(pixels.count({mx, py}) && pixels.count({px, my}),
                     qPrintable(QStringLiteral("(%1,%2) has no mirror").arg(px).arg(py)));
        }
        if (size == 3) // a plus
            QCOMPARE(Stamped(kDisc, 3, x, y),
                     Pixels({{x, y - 1}, {x - 1, y}, {x, y}, {x + 1, y}, {x, y + 1}}));
        // A disc is its ring filled: each row one run between the ring's ends.
        const Pixels ring = Stamped(kRing, size, x, y, QSize(96, 96));
        const Pixels disc = Stamped(kDisc, size, x, y, QSize(96, 96));
        for (int py = box.top(); py <= box.bottom(); ++py) {
            int ringLeft = INT_MAX, ringRight = INT_MIN, count = 0;
            for (int px = box.left(); px <= box.right(); ++px) {
                if (ring.count({px, py})) {
                    ringLeft = std::min(ringLeft, px);
                    ringRight = std::max(ringRight, px);
                }
                count += int(disc.count({px, py}));
            }
            QCOMPARE(count, ringRight - ringLeft + 1);
            QVERIFY(disc.count({ringLeft, py}) && disc.count({ringRight, py}));
        }
    }

    // A stamp half off the picture paints exactly the part of the whole stamp that is on it.
    void stampsPartlyOffThePicture_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("size");
        QTest::addColumn<QPoint>("at");
        for (int shape : kShapes)
            for (int size : {1, 2, 3, 5, 10})
                for (QPoint at :
                     {QPoint(0, 0), QPoint(23, 15), QPoint(-2, 8), QPoint(12, 17), QPoint(24, -1)})
                    QTest::addRow("shape %d size %d at %d,%d", shape, size, at.x(), at.y())
                        << shape << size << at;
    }
    void stampsPartlyOffThePicture()
    {
        QFETCH(int, shape);
        QFETCH(int, size);
        QFETCH(QPoint, at);
        const QSize picture(24, 16);
        const int margin = 20;
        // The whole stamp, on a picture large enough, moved back.
        const Pixels whole = Shifted(Stamped(shape, size, at.x() + margin, at.y() + margin,
                                             picture + QSize(2 * margin, 2 * margin)),
                                     -margin, -margin);
        Pixels expected;
        for (auto p : whole)
            if (QRect(QPoint(0, 0), picture).contains(p.first, p.second)) expected.insert(p);
        QRect returned;
        const Pixels clipped = Stamped(shape, size, at.x(), at.y(), picture, &returned);
        QCOMPARE(clipped, expected);
        QVERIFY(returned.contains(Bounds(clipped)) || clipped.empty());
        QVERIFY(QRect(QPoint(0, 0), picture).contains(returned) || returned.isEmpty());
    }

    void coloursAreStoredAsBgr()
    {
        QCOMPARE(PenColorToRgb(0x0000FF), qRgb(255, 0, 0));
        QCOMPARE(PenColorToRgb(0xFF0000), qRgb(0, 0, 255));
        QCOMPARE(PenColorToRgb(0x123456), qRgb(0x56, 0x34, 0x12));
        QCOMPARE(PenColorToRgb(int(0xFF00FF00)), qRgb(0, 255, 0)); // the top byte is ignored
        QCOMPARE(PenColorFromRgb(qRgb(0x56, 0x34, 0x12)), 0x123456);
        QImage image = BlankPicture(4, 4);
        DrawPenTip(image, kSquare, 2, 0x00FF8040, 1, 1);
        QCOMPARE(image.pixel(0, 0), qRgb(0x40, 0x80, 0xFF));
    }

    void oneScopedPainterMatchesSingleStamps()
    {
        QImage one = BlankPicture(50, 50), many = BlankPicture(50, 50);
        {
            PenTipPainter painter(many);
            for (int i = 0; i < 60; ++i) {
                const int shape = i % 6, size = 1 + i % 11, x = (i * 7) % 50, y = (i * 13) % 50;
                DrawPenTip(one, shape, size, i * 0x030507, x, y);
                painter.Stamp(shape, size, i * 0x030507, x, y);
            }
        }
        QCOMPARE(many, one);
    }
};

QTEST_APPLESS_MAIN(PenTipTest)
#include "test_pen_tip.moc"
