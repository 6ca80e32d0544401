// The exact statement text of every operation, line by line: other PCs' programs and the
// server see nothing else, so spacing and commas matter.

#include "schema_scripts.h"
#include "sql_builders.h"

#include <QtTest>

class SqlBuildersTest : public QObject {
    Q_OBJECT

private slots:
    void writingStatements()
    {
        QCOMPARE(sql::InsertRow("MEMBER", 3, {"N", "SN", "PNAME"}, {"5", "1", "NULL"}),
                 QStringList({"INSERT INTO MEMBER (", "   N,", "   SN,", "   PNAME", "   ) ",
                              "   VALUES (", "   5,", "   1,", "   NULL", "   );"}));
        // Count decides, not the length of the lists.
        QCOMPARE(sql::InsertRow("T", 1, {"A", "B"}, {"1", "2"}),
                 QStringList({"INSERT INTO T (", "   A", "   ) ", "   VALUES (", "   1", "   );"}));

        QCOMPARE(sql::UpdateRows("SECTION", 2, {"N", "SNAME"}, {"3", "'総務'"}, "N=3"),
                 QStringList({"UPDATE SECTION SET ", "   N=3,", "   SNAME='総務'", "   WHERE N=3",
                              "   ;"}));
        QCOMPARE(sql::UpdateRows("MOUSEPOS", 1, {"ST"}, {"0"}, ""),
                 QStringList({"UPDATE MOUSEPOS SET ", "   ST=0", "   ;"}));
        // A condition of blanks is not empty.
        QCOMPARE(sql::UpdateRows("T", 1, {"A"}, {"1"}, " ").at(2), QString("   WHERE  "));

        QCOMPARE(sql::DeleteRows("CHAT", ""), QStringList{"DELETE FROM CHAT ;"});
        QCOMPARE(sql::DeleteRows("SECTION", "N=3"), QStringList{"DELETE FROM SECTION WHERE N=3 ;"});
    }

    void readingStatements()
    {
        QCOMPARE(sql::KeyExists("SECTION", "N", "", 3),
                 QStringList({"SELECT N ", "   FROM SECTION ", "   WHERE (N=3) ", "   ;"}));
        QCOMPARE(sql::KeyExists("IMGLIST", "N", "MN=2", 7).at(2),
                 QString("   WHERE (MN=2) AND (N=7) "));
        QCOMPARE(sql::KeyExists("T", "N", "", -4).at(2), QString("   WHERE (N=-4) "));

        QCOMPARE(sql::CountRows("IMG_12", "N>40"),
                 QStringList({"SELECT * ", "   FROM IMG_12 ", "   WHERE N>40 ", "   ;"}));
        QCOMPARE(sql::CountRows("CHAT", ""), QStringList({"SELECT * ", "   FROM CHAT ", "   ;"}));

        QCOMPARE(sql::SelectMax("IMG_1", "DN", "MN=4"),
                 QStringList({"SELECT MAX(DN) ", "   FROM IMG_1 ", "   WHERE MN=4 ", "   ;"}));
        QCOMPARE(sql::SelectFirstRow("INAME,SX", "IMGLIST", ""),
                 QStringList({"SELECT INAME,SX ", "   FROM IMGLIST ", "   ;"}));

        QCOMPARE(sql::OpenSelect("*", "SECTION", "", "N"),
                 QStringList({"SELECT * ", "   FROM SECTION ", "   ORDER BY N ", "   ;"}));
        QCOMPARE(
            sql::OpenSelect("MEMBER.N,MEMBER.SN,SECTION.SNAME,MEMBER.PNAME", "MEMBER,SECTION",
                            "MEMBER.SN=SECTION.N OR MEMBER.SN=0", "MEMBER.N"),
            QStringList({"SELECT MEMBER.N,MEMBER.SN,SECTION.SNAME,MEMBER.PNAME ",
                         "   FROM MEMBER,SECTION ", "   WHERE MEMBER.SN=SECTION.N OR MEMBER.SN=0 ",
                         "   ORDER BY MEMBER.N ", "   ;"}));
    }

    void schemaScripts()
    {
        QCOMPARE(schema::SectionTable(),
                 QStringList({"CREATE TABLE SECTION (", "  N INTEGER NOT NULL UNIQUE,",
                              "  SNAME VARCHAR(32)", "  );"}));
        QCOMPARE(schema::MemberTable().at(1), QString("  N  INTEGER NOT NULL UNIQUE,"));
        QCOMPARE(schema::ImageListTable().size(), 12);
        QCOMPARE(schema::ImageListTable().at(10), QString("  DATE2 VARCHAR(8)"));
        QCOMPARE(schema::ImageTable("IMG_12").first(), QString("CREATE TABLE IMG_12 ("));
        QCOMPARE(schema::ImageTable("IMG_12").size(), 10);
        QCOMPARE(schema::ChatTable().at(5), QString("  CTIME VARCHAR(6)"));
        QCOMPARE(schema::MousePosTable(),
                 QStringList({"CREATE TABLE MOUSEPOS (", "  MN  INTEGER,", "  ST  INTEGER,",
                              "  MX  INTEGER,", "  MY  INTEGER", "  );"}));
        QCOMPARE(sql::DropTable("IMG_3"), QStringList{"DROP TABLE IMG_3;"});
    }
};

QTEST_GUILESS_MAIN(SqlBuildersTest)
#include "test_sql_builders.moc"
