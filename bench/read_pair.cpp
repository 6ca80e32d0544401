#include "read_pair.h"

#include "cp932.h"
#include "database_session.h"
#include "pair_report.h"
#include "raw_connection.h"
#include "sql_builders.h"
#include "stopwatch.h"
#include "stroke_rows.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const QString kTable = QStringLiteral("IMG_3");
// The room the session gives a non-text column converted to text.
constexpr int kTextWidth = 64;
constexpr int kMaxColumns = 16;

// What both sides do with the data: count the rows and add up the length of every field.
struct ReadTally {
    long long rows = 0;
    long long chars = 0;
    bool operator==(const ReadTally &other) const
    {
        return rows == other.rows && chars == other.chars;
    }
};

bool RawReadAll(RawConnection &db, const QByteArray &select, ReadTally &tally)
{
    ISC_STATUS_ARRAY status{};
    isc_tr_handle tr = 0;
    isc_stmt_handle statement = 0;
    auto fail = [&](const char *what) {
        RawSucceeded(status, what);
        ISC_STATUS_ARRAY ignored{};
        if (statement) isc_dsql_free_statement(ignored, &statement, DSQL_drop);
        if (tr) isc_rollback_transaction(ignored, &tr);
        return false;
    };

    isc_start_transaction(status, &tr, 1, db.Handle(), 0, nullptr);
    if (status[1]) return fail("start transaction");
    isc_dsql_allocate_statement(status, db.Handle(), &statement);
    if (status[1]) return fail("allocate statement");
    std::vector<char> sqldaStorage(XSQLDA_LENGTH(kMaxColumns), 0);
    auto *sqlda = reinterpret_cast<XSQLDA *>(sqldaStorage.data());
    sqlda->version = SQLDA_VERSION1;
    sqlda->sqln = kMaxColumns;
    isc_dsql_prepare(status, &tr, &statement, 0, select.constData(), SQL_DIALECT_V6, sqlda);
    if (status[1]) return fail("prepare");
    if (sqlda->sqld > sqlda->sqln) {
        std::fprintf(stderr, "the select has more than %d columns\n", kMaxColumns);
        return fail("describe");
    }

    // Every column as a nullable VARCHAR: 2 length bytes, then the text.
    const int columns = sqlda->sqld;
    constexpr int kSlot = (int(sizeof(ISC_USHORT)) + kTextWidth + 1) & ~1;
    std::vector<char> buffer(size_t(columns) * kSlot);
    std::vector<ISC_SHORT> indicators(columns);
    for (int i = 0; i < columns; ++i) {
        XSQLVAR &var = sqlda->sqlvar[i];
        var.sqltype = SQL_VARYING + 1;
        var.sqlsubtype = 0;
        var.sqllen = kTextWidth;
        var.sqlscale = 0;
        var.sqldata = buffer.data() + i * kSlot;
        var.sqlind = &indicators[i];
    }

    isc_dsql_execute(status, &tr, &statement, SQL_DIALECT_V6, nullptr);
    if (status[1]) return fail("execute");
    ISC_STATUS fetched;
    while ((fetched = isc_dsql_fetch(status, &statement, SQL_DIALECT_V6, sqlda)) == 0) {
        ++tally.rows;
        for (int i = 0; i < columns; ++i) {
            if (indicators[i] == -1) continue;
            ISC_USHORT length;
            std::memcpy(&length, buffer.data() + i * kSlot, sizeof length);
            tally.chars += length;
        }
    }
    if (fetched != 100) return fail("fetch");
    isc_dsql_free_statement(status, &statement, DSQL_drop);
    if (status[1]) return fail("drop statement");
    isc_commit_transaction(status, &tr);
    if (status[1]) return fail("commit");
    return true;
}

bool SessionReadAll(DatabaseSession &session, ReadTally &tally)
{
    const int rows =
        session.OpenSelect(QStringLiteral("*"), kTable, QString(), QStringLiteral("N"));
    QStringList fields;
    fields.resize(stroke_rows::kColumnCount);
    auto add = [&] {
        ++tally.rows;
        for (const QString &field : std::as_const(fields)) tally.chars += field.size();
    };
    if (rows > 0) {
        session.ReadFirstRow(fields);
        add();
    }
    for (int i = 1; i < rows; ++i) {
        session.ReadNextRow(fields);
        add();
    }
    session.CloseQuery();
    if (rows > 0) return true;
    std::fprintf(stderr, "session select failed: %s\n", qPrintable(session.LastErrorText()));
    return false;
}

bool Fill(DatabaseSession &session, RawConnection &raw, int rows)
{
    if (!session.CreateImageTable(kTable)) {
        std::fprintf(stderr, "creating %s failed: %s\n", qPrintable(kTable),
                     qPrintable(session.LastErrorText()));
        return false;
    }
    return raw.ExecuteInOwnTransaction(stroke_rows::FillStatement(kTable, rows).toLatin1());
}

} // namespace

bool MeasureReadPair(DatabaseSession &session, RawConnection &raw, int rows, int rounds,
                     PairResult &result)
{
    if (!Fill(session, raw, rows)) return false;
    QByteArray select;
    cp932::Encode(sql::JoinLines(
                      sql::OpenSelect(QStringLiteral("*"), kTable, QString(), QStringLiteral("N"))),
                  select);
    // One unmeasured pass brings the table's pages into the server's cache for both sides.
    ReadTally warmUp;
    if (!RawReadAll(raw, select, warmUp)) return false;

    result.name = QStringLiteral("read 8 INTEGER as text");
    result.aggregate = PairResult::Aggregate::Median;
    result.rowsPerRound = rows;
    for (int round = 0; round < rounds; ++round) {
        ReadTally rawTally, sessionTally;
        bool ok = true;
        Timing rawTime, sessionTime;
        auto runRaw = [&] {
            Stopwatch clock;
            ok = ok && RawReadAll(raw, select, rawTally);
            rawTime = clock.Elapsed();
        };
        auto runSession = [&] {
            Stopwatch clock;
            ok = ok && SessionReadAll(session, sessionTally);
            sessionTime = clock.Elapsed();
        };
        RunInTurn(round, runRaw, runSession);
        if (!ok) return false;
        if (!(rawTally == sessionTally) || rawTally.rows != rows) {
            std::fprintf(stderr,
                         "the sides read differently: raw %lld rows %lld chars, "
                         "session %lld rows %lld chars, expected %d rows\n",
                         rawTally.rows, rawTally.chars, sessionTally.rows, sessionTally.chars,
                         rows);
            return false;
        }
        result.raw.push_back(rawTime);
        result.session.push_back(sessionTime);
    }
    return true;
}
