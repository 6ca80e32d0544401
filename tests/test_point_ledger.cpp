// The board's bookkeeping of drawn points, through interleavings of its own storing, other
// boards' storing and its polls: every point stamped exactly once, RowsSeen never above a
// point the board has not drawn, and the record of stored points that repaints the picture as
// a fresh replay shows it.

#include "pen_tip.h"
#include "point_ledger.h"
#include "stored_points.h"

#include <QtTest>

class PointLedgerTest : public QObject {
    Q_OBJECT

private slots:
    // Each script is a list of steps:
    //   uN   a poll read every stored point up to N      sN   this board stored its point N
    //   rN+  a point N was read and must be stamped now    rN-  read, but already drawn
    //   =N   RowsSeen is N now
    void interleavings_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("own stroke alone") << "u10 =10 s11 s12 s13 =13 u13 =13";
        QTest::newRow("others took numbers while storing (collisions)")
            << "u10 r11+ r12+ s13 s14 =14";
        // Others stored 11 and 12 after this board's poll and before it chose its numbers.
        QTest::newRow("others stored between poll and numbering")
            << "u10 s13 s14 =10 r11+ =11 r12+ r13- r14- u14 =14 s15 =15";
        QTest::newRow("two boards alternating") << "u0 s1 =1 r2+ =2 s3 =3 r4+ s5 =5";
        QTest::newRow("own points come back through the poll") << "u4 s5 s6 =6 r5- r6- u6 =6";
        QTest::newRow("the poll read a gap: nothing was stored under 11")
            << "u10 r12+ u12 =12 s13 =13";
        QTest::newRow("a point read twice is stamped once") << "u10 r11+ r11- =11 r3- =11";
        QTest::newRow("a failed poll leaves RowsSeen below what is missing")
            << "u10 s12 s13 =10 u10 =10 r11+ =13";
        QTest::newRow("own points far above, others read later")
            << "s4 s5 =0 r1+ r2+ =2 r3+ =5 u5 =5";
        QTest::newRow("a poll that ends below what is drawn does not go back") << "u10 s11 u8 =11";
    }
    void interleavings()
    {
        QFETCH(QString, script);
        PointLedger ledger;
        for (const QString &step : script.split(QLatin1Char(' '))) {
            const QChar kind = step.at(0);
            const bool expectStamp = step.endsWith(QLatin1Char('+'));
            const int n = step.mid(1, step.size() - (kind == u'r' ? 2 : 1)).toInt();
            if (kind == u'u') {
                ledger.ReadUpTo(n);
            } else if (kind == u's') {
                ledger.Stored(n);
                QVERIFY(ledger.Drawn(n));
            } else if (kind == u'r') {
                QVERIFY2(ledger.Read(n) == expectStamp, qPrintable(step));
                QVERIFY(ledger.Drawn(n));
            } else {
                QVERIFY2(
                    ledger.RowsSeen() == n,
                    qPrintable(
                        QStringLiteral("%1: RowsSeen is %2").arg(step).arg(ledger.RowsSeen())));
            }
            // Never above a point not drawn.
            for (int m = 1; m <= ledger.RowsSeen() && m < 100; ++m) QVERIFY(ledger.Drawn(m));
        }
    }

    // Points reaching a board in any order, each put in its place in the stack by repainting
    // its box from the record: the picture ends as the replay in N order, pixel for pixel, and
    // no stamp changes anything outside the box it reports.
    void repaintingFromTheRecordEqualsTheReplay()
    {
        const QSize size(70, 50);
        QList<StoredPoint> points;
        for (int n = 1; n <= 400; ++n)
            points << StoredPoint{n,
                                  n % 7,
                                  1 + (n * 13) % 23,
                                  n * 40503 % 0x1000000,
                                  (n * 37) % 90 - 10,
                                  (n * 53) % 70 - 10};
        QImage replayed = BlankPicture(size.width(), size.height());
        for (const StoredPoint &p : points)
            DrawPenTip(replayed, p.shape, p.size, p.color, p.x, p.y);

        QImage shown = BlankPicture(size.width(), size.height());
        StoredPoints record;
        int misplacedCount = 0;
        for (int i = 0; i < points.size(); ++i) {
            const StoredPoint &p = points[(i * 151) % points.size()]; // scrambled, each once
            if (record.Add(p)) {
                DrawPenTip(shown, p.shape, p.size, p.color, p.x, p.y);
            } else {
                ++misplacedCount;
                const QImage before = shown.copy();
                const QRect box = PenTipBox(shown.rect(), p.shape, p.size, p.x, p.y);
                record.Repaint(shown, box);
                for (int y = 0; y < size.height(); ++y)
                    for (int x = 0; x < size.width(); ++x)
                        if (!box.contains(x, y) && shown.pixel(x, y) != before.pixel(x, y))
                            QFAIL(qPrintable(
                                QString("pixel %1,%2 outside %3 changed").arg(x).arg(y).arg(p.n)));
            }
        }
        QVERIFY(misplacedCount > 300);
        QCOMPARE(record.Count(), 400);
        QCOMPARE(shown, replayed);
    }
};

QTEST_APPLESS_MAIN(PointLedgerTest)
#include "test_point_ledger.moc"
