// The board's bookkeeping of drawn points, through interleavings of its own storing, other
// boards' storing and its polls: every point stamped exactly once, and RowsSeen never above a
// point the board has not drawn.

#include "point_ledger.h"

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

    void strokeNumbersPerMember()
    {
        PointLedger ledger;
        QCOMPARE(ledger.NextStroke(1), 1);
        ledger.NoteStroke(1, 3);
        ledger.NoteStroke(1, 5);
        ledger.NoteStroke(1, 4);
        ledger.NoteStroke(2, 9, false, true); // NULL stroke number: not counted
        ledger.NoteStroke(0, 7, true, false); // NULL member: not member 0
        QCOMPARE(ledger.NextStroke(1), 6);
        QCOMPARE(ledger.NextStroke(2), 1);
        QCOMPARE(ledger.NextStroke(0), 1);
        ledger.NoteStroke(3, -5); // what MAX(DN) + 1 gives for a stored -5
        QCOMPARE(ledger.NextStroke(3), -4);
        ledger.Clear();
        QCOMPARE(ledger.NextStroke(1), 1);
        QCOMPARE(ledger.Highest(), 0);
        ledger.ReadUpTo(7);
        QCOMPARE(ledger.Highest(), 7);
        ledger.Stored(12);
        QCOMPARE(ledger.Highest(), 12); // above what is drawn without gaps
        ledger.Clear();
        QCOMPARE(ledger.RowsSeen(), 0);
    }
};

QTEST_APPLESS_MAIN(PointLedgerTest)
#include "test_point_ledger.moc"
