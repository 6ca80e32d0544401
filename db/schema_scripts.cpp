#include "schema_scripts.h"

namespace schema {

QStringList SectionTable()
{
    return {"CREATE TABLE SECTION (", "  N INTEGER NOT NULL UNIQUE,", "  SNAME VARCHAR(32)",
            "  );"};
}

QStringList MemberTable()
{
    return {"CREATE TABLE MEMBER (", "  N  INTEGER NOT NULL UNIQUE,", "  SN INTEGER,",
            "  PNAME VARCHAR(16)", "  );"};
}

QStringList ImageListTable()
{
    return {"CREATE TABLE IMGLIST (", "  N  INTEGER NOT NULL UNIQUE,",
            "  MN    INTEGER,",       "  INAME VARCHAR(64),",
            "  MEMO1 VARCHAR(80),",   "  MEMO2 VARCHAR(80),",
            "  MEMO3 VARCHAR(80),",   "  SX    INTEGER,",
            "  SY    INTEGER,",       "  DATE1 VARCHAR(8),",
            "  DATE2 VARCHAR(8)",     "  );"};
}

QStringList ImageTable(const QString &name)
{
    return {QStringLiteral("CREATE TABLE ") + name + QStringLiteral(" ("),
            "  N    INTEGER NOT NULL UNIQUE,",
            "  MN   INTEGER,",
            "  DN   INTEGER,",
            "  PTYP INTEGER,",
            "  PSIZ INTEGER,",
            "  PCOL INTEGER,",
            "  X    INTEGER,",
            "  Y    INTEGER",
            "  );"};
}

QStringList ChatTable()
{
    return {"CREATE TABLE CHAT (",
            "  N  INTEGER NOT NULL UNIQUE,",
            "  MN    INTEGER,",
            "  CTEXT VARCHAR(80),",
            "  CDATE VARCHAR(8),",
            "  CTIME VARCHAR(6)",
            "  );"};
}

QStringList MousePosTable()
{
    return {"CREATE TABLE MOUSEPOS (", "  MN  INTEGER,", "  ST  INTEGER,",
            "  MX  INTEGER,",          "  MY  INTEGER",  "  );"};
}

} // namespace schema
