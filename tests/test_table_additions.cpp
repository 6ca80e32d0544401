// The index and trigger the program adds beside a shared table: added where missing, never
// holding up another PC that has the table in use, and gone with the table when it is dropped.

#include "database_session.h"
#include "table_additions.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QtTest>

using additions::Outcome;

namespace {
const QStringList kColumns{"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"};
bool InsertPoint(DatabaseSession &db, int n)
{
    return db.InsertRow("IMG_1", 8, kColumns,
                        {QString::number(n), "1", "1", "0", "5", "255", "10", "10"});
}
} // namespace

class TableAdditionsTest : public QObject {
    Q_OBJECT

private slots:
    void addedBesideATableAnotherPcIsUsing()
    {
        const Settings settings = test_db::FreshSettings();
        DatabaseSession pcA, pcB;
        if (!test_db::CreateAndAttach(pcA, settings)) QFAIL(qPrintable(test_db::WhyNoServer()));
        pcB.ConnectDatabase(DatabasePath(settings));
        QVERIFY(pcB.Connected());
        QVERIFY(pcA.CreateImageTable("IMG_1"));
        for (int n = 1; n <= 3; ++n) QVERIFY(InsertPoint(pcA, n));

        // PC B has just polled: its read transaction stays open on the table.
        QCOMPARE(pcB.OpenSelect("*", "IMG_1", "N>0", "N"), 3);
        pcB.CloseSelect();
        QElapsedTimer clock;
        clock.start();
        const Outcome indexInUse = additions::EnsureNumberIndex(pcA, "IMG_1");
        const Outcome triggerInUse = additions::EnsureEventTrigger(pcA, "IMG_1", false);
        QVERIFY2(clock.elapsed() < 5000, "adding must never wait for the other PC");
        // B goes on storing and reading as before, whatever the outcome.
        QVERIFY(InsertPoint(pcB, 4));
        QCOMPARE(pcB.SelectMax("IMG_1", "N", QString()), QString("4"));
        for (Outcome outcome : {indexInUse, triggerInUse})
            QVERIFY(outcome == Outcome::Added || outcome == Outcome::Busy);
        qInfo("beside a table in use: index %s, trigger %s",
              indexInUse == Outcome::Added ? "added" : "busy",
              triggerInUse == Outcome::Added ? "added" : "busy");

        pcB.CloseQuery();
        QVERIFY(additions::Settled(additions::EnsureNumberIndex(pcA, "IMG_1")));
        QVERIFY(additions::Settled(additions::EnsureEventTrigger(pcA, "IMG_1", false)));
        QCOMPARE(additions::EnsureNumberIndex(pcA, "IMG_1"), Outcome::Present);
        QCOMPARE(additions::EnsureEventTrigger(pcB, "IMG_1", false), Outcome::Present);
        QVERIFY(InsertPoint(pcB, 5)); // the trigger changes nothing stored
        QCOMPARE(pcA.SelectMax("IMG_1", "N", "MN=1"), QString("5"));

        // Deleting the picture's points still works, and takes both additions with it.
        pcB.CloseQuery();
        QVERIFY(pcA.DropTable("IMG_1"));
        QVERIFY(!pcA.TableExists("IMG_1"));
        QCOMPARE(pcA.SelectMax("RDB$INDICES", "RDB$INDEX_NAME", "RDB$RELATION_NAME='IMG_1'"),
                 QString());
        QCOMPARE(pcA.SelectMax("RDB$TRIGGERS", "RDB$TRIGGER_NAME", "RDB$RELATION_NAME='IMG_1'"),
                 QString());
        // No table: nothing to add to, and nothing is made.
        QCOMPARE(additions::EnsureEventTrigger(pcA, "IMG_1", false), Outcome::Failed);

        // Made anew: the additions come from A's background thread while B stores and reads;
        // none of it waits for the other.
        QVERIFY(pcA.CreateImageTable("IMG_1"));
        QCOMPARE(pcB.OpenSelect("*", "IMG_1", "N>0", "N"), 0);
        additions::RequestStrokeTableAdditions(pcA, "IMG_1");
        additions::RequestEventTrigger(pcA, "IMG_1", false);
        for (int n = 1; n <= 20; ++n) QVERIFY(InsertPoint(pcB, n));
        pcB.CloseQuery();
        QTRY_VERIFY_WITH_TIMEOUT(!pcA.AdditionsUnderWay(), 30000);
        QCOMPARE(additions::EnsureNumberIndex(pcA, "IMG_1"), Outcome::Present);
        QCOMPARE(additions::EnsureMemberStrokeIndex(pcA, "IMG_1"), Outcome::Present);
        QCOMPARE(additions::EnsureEventTrigger(pcA, "IMG_1", false), Outcome::Present);
        // Asked again and stopped at once by a disconnect: nothing waits.
        additions::RequestStrokeTableAdditions(pcA, "IMG_1");
        clock.restart();
        pcA.DisconnectDatabase();
        QVERIFY(!pcA.AdditionsUnderWay());
        QVERIFY(clock.elapsed() < 5000);
        pcA.ConnectDatabase(DatabasePath(settings));

        pcB.DisconnectDatabase();
        pcA.DisconnectDatabase();
        test_db::Drop(settings);
    }
};

QTEST_GUILESS_MAIN(TableAdditionsTest)
#include "test_table_additions.moc"
