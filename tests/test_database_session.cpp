// The one database session against a real Firebird server: connection life, the schema, and
// every read and write operation with the state each leaves behind.

#include "cp932.h"
#include "database_session.h"
#include "sql_builders.h"
#include "test_database.h"

#include <QtTest>
#include <memory>

namespace {
const QStringList kMemberColumns{"N", "SN", "PNAME"};
QString Kanji(int count)
{
    return QString::fromUtf8("山田太郎花子一二三四").left(count);
}
} // namespace

class DatabaseSessionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DatabaseSession> db;
    Settings settings;

    void AddMember(int n, int section, const QString &name)
    {
        const QString value = name.isEmpty() ? "NULL" : "'" + name + "'";
        QVERIFY(db->InsertRow("MEMBER", 3, kMemberColumns,
                              {QString::number(n), QString::number(section), value}));
    }

private slots:
    void init()
    {
        db = std::make_unique<DatabaseSession>();
        settings = test_db::FreshSettings();
        if (!test_db::CreateAndAttach(*db, settings)) QFAIL(qPrintable(test_db::WhyNoServer()));
    }

    void cleanup()
    {
        db.reset();
        test_db::Drop(settings);
    }

    void connectionLifecycle()
    {
        const QString path = DatabasePath(settings);
        for (const char *name : {"SECTION", "MEMBER", "RDB$RELATIONS", ""})
            QVERIFY2(!db->TableExists(name), name);

        db->DisconnectDatabase();
        db->DisconnectDatabase(); // harmless twice
        QVERIFY(!db->Connected());

        // Creating a file that exists fails quietly and leaves the session closed ...
        db->CreateDatabaseFile(path);
        QVERIFY(!db->Connected());
        // ... and connecting attaches to the existing file.
        db->ConnectDatabase(path);
        QVERIFY(db->Connected());
        QVERIFY(db->CreateSectionTable());

        // Connecting while connected changes nothing, even to another path.
        db->ConnectDatabase(DatabasePath(test_db::UnreachableSettings()));
        QVERIFY(db->Connected());
        QVERIFY(db->TableExists("SECTION"));

        db->DisconnectDatabase();
        db->ConnectDatabase(DatabasePath(test_db::UnreachableSettings()));
        QVERIFY(!db->Connected());
        QVERIFY(!db->TableExists("SECTION"));
    }

    void aQuoteInThePathIsPartOfTheFileName()
    {
        Settings quoted = test_db::FreshSettings();
        quoted.DatabaseFileName = "O'K_" + quoted.DatabaseFileName;
        DatabaseSession other;
        other.CreateDatabaseFile(DatabasePath(quoted));
        QVERIFY2(other.Connected(), qPrintable(other.LastErrorText()));
        other.DisconnectDatabase();
        other.ConnectDatabase(DatabasePath(quoted));
        QVERIFY(other.Connected());
        other.DisconnectDatabase();
        test_db::Drop(quoted);
    }

    void everyOperationWhenNotConnected()
    {
        db->DisconnectDatabase();
        QStringList fields{"keep", "keep"};
        QVERIFY(!db->InsertRow("SECTION", 1, {"N"}, {"1"}));
        QVERIFY(!db->UpdateRows("SECTION", 1, {"N"}, {"1"}, ""));
        QVERIFY(!db->DeleteRows("SECTION", ""));
        QCOMPARE(db->CountRows("SECTION", ""), -1);
        QVERIFY(!db->KeyExists("SECTION", "N", "", 1));
        QCOMPARE(db->SelectMax("SECTION", "N", ""), QString());
        QCOMPARE(db->SelectFirstRow("*", "SECTION", "", fields), -1);
        QCOMPARE(db->OpenSelect("*", "SECTION", "", ""), 0);
        db->ReadFirstRow(fields);
        db->ReadNextRow(fields);
        QCOMPARE(fields, QStringList({"keep", "keep"}));
        QVERIFY(!db->CreateSectionTable());
        QVERIFY(!db->ExecuteScript({"CREATE TABLE X (A INTEGER)"}));
        QVERIFY(!db->DropTable("SECTION"));
        QVERIFY(!db->TableExists("SECTION"));
        db->CloseSelect();
        db->CloseQuery();
    }

    void schemaTablesAreCreatedOnceAndDropped()
    {
        QVERIFY(db->CreateSectionTable());
        QVERIFY(db->CreateMemberTable());
        QVERIFY(db->CreateImageListTable());
        QVERIFY(db->CreateImageTable("IMG_12"));
        QVERIFY(db->CreateChatTable());
        QVERIFY(db->CreateMousePosTable());
        QVERIFY(!db->TransactionActive());
        QVERIFY(!db->QueryOpen());
        for (const char *name :
             {"SECTION", "section", "Member", "IMGLIST", "img_12", "CHAT", "MOUSEPOS"})
            QVERIFY2(db->TableExists(name), name);
        QVERIFY(!db->TableExists("SECT"));
        QVERIFY(!db->TableExists("IMG_1"));

        // A second creation is refused, leaves no transaction open, and the next works.
        QVERIFY(!db->CreateImageTable("IMG_12"));
        QVERIFY(!db->TransactionActive());
        QCOMPARE(db->CountRows("IMG_12", ""), 0);

        // A stroke table just read from can still be dropped by the same session.
        QVERIFY(db->InsertRow("IMG_12", 2, {"N", "MN"}, {"1", "1"}));
        QCOMPARE(db->OpenSelect("*", "IMG_12", "", "N"), 1);
        QVERIFY(db->DropTable("IMG_12"));
        QVERIFY(!db->QueryOpen());
        QVERIFY(!db->TableExists("IMG_12"));
        QVERIFY(!db->DropTable("IMG_12"));
    }

    void emptyScriptTouchesNothing()
    {
        QVERIFY(db->CreateSectionTable());
        QVERIFY(db->InsertRow("SECTION", 1, {"N"}, {"1"}));
        QCOMPARE(db->OpenSelect("*", "SECTION", "", "N"), 1);
        QVERIFY(!db->ExecuteScript({}));
        QVERIFY(db->QueryOpen());
        QVERIFY(db->TransactionActive());
        QStringList fields{"", ""};
        db->ReadFirstRow(fields);
        QCOMPARE(fields.first(), QString("1"));
    }

    void insertSendsTheLinesAndRefusesADuplicate()
    {
        QVERIFY(db->CreateMemberTable());
        QVERIFY(db->InsertRow("MEMBER", 3, kMemberColumns, {"5", "1", "NULL"}));
        QCOMPARE(db->LastStatement(),
                 sql::InsertRow("MEMBER", 3, kMemberColumns, {"5", "1", "NULL"}));
        QCOMPARE(db->LastStatement().size(), 10);
        QVERIFY(!db->TransactionActive());
        QVERIFY(!db->QueryOpen());

        QVERIFY(!db->InsertRow("MEMBER", 3, kMemberColumns, {"5", "2", "'other'"}));
        QCOMPARE(db->LastErrorCode(), ISC_STATUS(isc_unique_key_violation));
        QVERIFY(!db->TransactionActive());
        QCOMPARE(db->CountRows("MEMBER", ""), 1);
        QStringList fields{"", "", ""};
        QCOMPARE(db->SelectFirstRow("*", "MEMBER", "", fields), 3);
        QCOMPARE(fields, QStringList({"5", "1", ""})); // NULL reads as empty text
    }

    void updateAndDeleteWithAndWithoutCondition()
    {
        QVERIFY(db->CreateMemberTable());
        AddMember(1, 1, "a");
        AddMember(2, 1, "b");
        AddMember(3, 2, "c");
        QVERIFY(db->UpdateRows("MEMBER", 1, {"SN"}, {"7"}, "N=2"));
        QCOMPARE(db->CountRows("MEMBER", "SN=7"), 1);
        QVERIFY(db->UpdateRows("MEMBER", 1, {"SN"}, {"9"}, ""));
        QCOMPARE(db->CountRows("MEMBER", "SN=9"), 3);
        // Matching nothing still succeeds.
        QVERIFY(db->UpdateRows("MEMBER", 1, {"SN"}, {"1"}, "N=99"));
        QVERIFY(db->DeleteRows("MEMBER", "N=99"));
        QVERIFY(db->DeleteRows("MEMBER", "N=1"));
        QCOMPARE(db->CountRows("MEMBER", ""), 2);
        QVERIFY(db->DeleteRows("MEMBER", ""));
        QCOMPARE(db->CountRows("MEMBER", ""), 0);
        QVERIFY(!db->DeleteRows("NO_SUCH_TABLE", ""));
    }

    void readsAndTheStateTheyLeave()
    {
        QVERIFY(db->CreateMemberTable());
        QCOMPARE(db->SelectMax("MEMBER", "N", ""), QString()); // empty table: NULL maximum
        QStringList fields{"x", "x", "x"};
        QCOMPARE(db->SelectFirstRow("*", "MEMBER", "", fields), -1);
        QCOMPARE(fields, QStringList({"x", "x", "x"}));
        QCOMPARE(db->OpenSelect("*", "MEMBER", "", "N"), 0);
        db->ReadFirstRow(fields);
        QCOMPARE(fields, QStringList({"", "", ""}));
        db->CloseSelect();

        AddMember(4, 2, "d");
        AddMember(2, 0, "");
        AddMember(7, 1, "g");
        QCOMPARE(db->CountRows("MEMBER", ""), 3);
        QVERIFY(db->TransactionActive());
        QVERIFY(!db->QueryOpen());
        QVERIFY(db->KeyExists("MEMBER", "N", "", 7));
        QVERIFY(db->KeyExists("MEMBER", "N", "SN=1", 7));
        QVERIFY(!db->KeyExists("MEMBER", "N", "SN=2", 7));
        QVERIFY(!db->KeyExists("NO_SUCH_TABLE", "N", "", 7));
        QCOMPARE(db->SelectMax("MEMBER", "N", ""), QString("7"));
        QCOMPARE(db->SelectMax("MEMBER", "N", "SN=2"), QString("4"));
        QCOMPARE(db->SelectMax("NO_SUCH_TABLE", "N", ""), QString());
        QCOMPARE(db->CountRows("NO_SUCH_TABLE", ""), -1);

        // A short array takes only as many fields as it has slots.
        QStringList two{"", ""};
        QCOMPARE(db->SelectFirstRow("*", "MEMBER", "N=4", two), 2);
        QCOMPARE(two, QStringList({"4", "2"}));

        QCOMPARE(db->OpenSelect("N,PNAME", "MEMBER", "", "N"), 3);
        QVERIFY(db->QueryOpen());
        QVERIFY(db->TransactionActive());
        db->ReadFirstRow(two);
        QCOMPARE(two, QStringList({"2", ""}));
        db->ReadNextRow(two);
        QCOMPARE(two, QStringList({"4", "d"}));
        db->ReadNextRow(two);
        QCOMPARE(two, QStringList({"7", "g"}));
        db->ReadNextRow(two); // past the end: emptied, not the last row again
        QCOMPARE(two, QStringList({"", ""}));
        db->ReadNextRow(two);
        QCOMPARE(two, QStringList({"", ""}));
        db->ReadFirstRow(two);
        QCOMPARE(two, QStringList({"2", ""}));
        db->CloseSelect();
        QVERIFY(!db->QueryOpen());
        QVERIFY(db->TransactionActive()); // the read transaction runs on

        // Any other operation discards a result left open.
        QCOMPARE(db->OpenSelect("*", "MEMBER", "", "N"), 3);
        QCOMPARE(db->CountRows("MEMBER", ""), 3);
        QVERIFY(!db->QueryOpen());
        two = QStringList{"k", "k"};
        db->ReadNextRow(two);
        QCOMPARE(two, QStringList({"k", "k"}));

        QCOMPARE(db->OpenSelect("*", "NO_SUCH_TABLE", "", ""), 0);
        QVERIFY(!db->QueryOpen());
        db->CloseQuery();
        QVERIFY(!db->TransactionActive());
    }

    void tableExistsLeavesAnOpenResultAlone()
    {
        QVERIFY(db->CreateMemberTable());
        AddMember(1, 0, "a");
        AddMember(2, 0, "b");
        QCOMPARE(db->OpenSelect("N", "MEMBER", "", "N"), 2);
        QStringList one{""};
        db->ReadFirstRow(one);
        QVERIFY(db->TableExists("member"));
        QVERIFY(db->QueryOpen());
        db->ReadNextRow(one);
        QCOMPARE(one.first(), QString("2"));
    }

    void eachReadSeesWhatAnotherPcCommitted()
    {
        QVERIFY(db->CreateChatTable());
        QCOMPARE(db->CountRows("CHAT", ""), 0); // a read transaction now runs
        DatabaseSession otherPc;
        otherPc.ConnectDatabase(DatabasePath(settings));
        QVERIFY(otherPc.Connected());
        QVERIFY(otherPc.InsertRow("CHAT", 2, {"N", "CTEXT"}, {"1", "'hello'"}));
        QCOMPARE(db->CountRows("CHAT", ""), 1);
        QVERIFY(otherPc.TableExists("CHAT"));
    }

    void aPathWithoutServerNameGoesThroughTheLocalServer()
    {
        // "127.0.0.1/3051:" names the run's server; the same server stands for the local one.
        const QString prefix = settings.ServerPrefix;
        const int port = prefix.section('/', 1).section(':', 0, 0).toInt();
        QVERIFY(port > 0);
        DatabaseSession local;
        local.SetLoopbackPort(port);
        local.ConnectDatabase(settings.DataFolder + settings.DatabaseFileName);
        QVERIFY2(local.Connected(), qPrintable(local.LastErrorText()));
        // Both attached at once: the file is the server's, not held by this process.
        QVERIFY(db->Connected());
        QVERIFY(local.CreateChatTable());
        QVERIFY(db->InsertRow("CHAT", 2, {"N", "CTEXT"}, {"1", "'one'"}));
        QCOMPARE(local.CountRows("CHAT", ""), 1);
        DatabaseSession remote;
        remote.ConnectDatabase(DatabasePath(settings));
        QVERIFY(remote.Connected());
        QCOMPARE(remote.CountRows("CHAT", ""), 1);
    }

    void cp932NamesRoundTripByteForByte()
    {
        QVERIFY(db->CreateMemberTable());
        const QString eight = Kanji(8); // 16 bytes: the most PNAME holds
        QCOMPARE(cp932::ByteLength(eight), 16);
        AddMember(1, 0, eight);
        QStringList fields{"", "", ""};
        QCOMPARE(db->SelectFirstRow("*", "MEMBER", "N=1", fields), 3);
        QCOMPARE(fields.at(2), eight);
        // The server holds the CP932 bytes themselves: 山 is 8E 52.
        QStringList bytes{"", "", ""};
        QCOMPARE(db->SelectFirstRow("OCTET_LENGTH(PNAME),ASCII_VAL(SUBSTRING(PNAME FROM 1 FOR 1)),"
                                    "ASCII_VAL(SUBSTRING(PNAME FROM 2 FOR 1))",
                                    "MEMBER", "N=1", bytes),
                 3);
        QCOMPARE(bytes, QStringList({"16", "142", "82"}));
        // The trail byte 5C of 表 and ソ is no escape character to the server.
        AddMember(2, 0, QString::fromUtf8("表ソ"));
        QCOMPARE(db->SelectFirstRow("PNAME", "MEMBER", "N=2", fields), 1);
        QCOMPARE(fields.first(), QString::fromUtf8("表ソ"));

        // 17 bytes do not fit, and the table stays as it was.
        QVERIFY(!db->InsertRow("MEMBER", 3, kMemberColumns, {"3", "0", "'" + eight + "x'"}));
        QCOMPARE(db->CountRows("MEMBER", ""), 2);
        // A character CP932 cannot hold is never sent in a substitute form.
        QVERIFY(!db->InsertRow("MEMBER", 3, kMemberColumns, {"4", "0", "'café'"}));
        QCOMPARE(db->CountRows("MEMBER", ""), 2);
    }
};

QTEST_GUILESS_MAIN(DatabaseSessionTest)
#include "test_database_session.moc"
