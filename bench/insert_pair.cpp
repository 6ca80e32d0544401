#include "insert_pair.h"

#include "cp932.h"
#include "database_session.h"
#include "pair_report.h"
#include "raw_connection.h"
#include "sql_builders.h"
#include "stopwatch.h"
#include "stroke_rows.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Separate tables, so the two sides never compete for the same N.
const QString kSessionTable = QStringLiteral("IMG_1");
const QString kRawTable = QStringLiteral("IMG_2");
// Rows stored before the clock runs, so no round pays alone for the tables' first pages.
constexpr int kWarmUpRows = 50;
// Rows one side stores before the other takes its turn.
constexpr int kSliceRows = 100;

// The bytes the session would send for each row. Built before the clock starts: the baseline
// is the C interface and nothing else.
std::vector<QByteArray> RawStatements(int first, int count)
{
    std::vector<QByteArray> statements(count);
    for (int i = 0; i < count; ++i) {
        const QStringList lines =
            sql::InsertRow(kRawTable, stroke_rows::kColumnCount, stroke_rows::Columns(),
                           stroke_rows::Values(first + i));
        cp932::Encode(sql::JoinLines(lines), statements[i]);
    }
    return statements;
}

std::vector<QStringList> SessionValues(int first, int count)
{
    std::vector<QStringList> rows(count);
    for (int i = 0; i < count; ++i) rows[i] = stroke_rows::Values(first + i);
    return rows;
}

bool RawInsertEach(RawConnection &db, const std::vector<QByteArray> &statements)
{
    ISC_STATUS_ARRAY status{};
    for (const QByteArray &sql : statements) {
        isc_tr_handle tr = 0;
        isc_start_transaction(status, &tr, 1, db.Handle(), 0, nullptr);
        if (!RawSucceeded(status, "start transaction")) return false;
        isc_dsql_execute_immediate(status, db.Handle(), &tr, 0, sql.constData(), SQL_DIALECT_V6,
                                   nullptr);
        if (!RawSucceeded(status, "insert")) {
            isc_rollback_transaction(status, &tr);
            return false;
        }
        isc_commit_transaction(status, &tr);
        if (!RawSucceeded(status, "commit")) return false;
    }
    return true;
}

bool SessionInsertEach(DatabaseSession &session, const std::vector<QStringList> &rows)
{
    for (const QStringList &values : rows) {
        if (!session.InsertRow(kSessionTable, stroke_rows::kColumnCount, stroke_rows::Columns(),
                               values)) {
            std::fprintf(stderr, "session insert failed: %s\n",
                         qPrintable(session.LastErrorText()));
            return false;
        }
    }
    return true;
}

bool CountIs(DatabaseSession &session, const QString &table, int expected)
{
    const int rows = session.CountRows(table, QString());
    session.CloseQuery();
    if (rows == expected) return true;
    std::fprintf(stderr, "%s holds %d rows, expected %d\n", qPrintable(table), rows, expected);
    return false;
}

} // namespace

bool MeasureInsertPair(DatabaseSession &session, RawConnection &raw, int rowsPerRound, int rounds,
                       PairResult &result)
{
    if (!session.CreateImageTable(kSessionTable) || !session.CreateImageTable(kRawTable)) {
        std::fprintf(stderr, "creating the stroke tables failed: %s\n",
                     qPrintable(session.LastErrorText()));
        return false;
    }
    if (!RawInsertEach(raw, RawStatements(0, kWarmUpRows)) ||
        !SessionInsertEach(session, SessionValues(0, kWarmUpRows)))
        return false;

    result.name = QStringLiteral("insert, 1 row/transaction");
    result.aggregate = PairResult::Aggregate::Sum;
    result.rowsPerRound = rowsPerRound;
    for (int round = 0; round < rounds; ++round) {
        Timing rawTime, sessionTime;
        // The sides take turns every slice, so a slow spell of the shared disk (other programs'
        // fsyncs) falls on both alike instead of on whichever side it happens to meet.
        for (int done = 0, slice = 0; done < rowsPerRound; done += kSliceRows, ++slice) {
            const int first = kWarmUpRows + round * rowsPerRound + done;
            const int count = std::min(kSliceRows, rowsPerRound - done);
            const auto statements = RawStatements(first, count);
            const auto values = SessionValues(first, count);
            bool ok = true;
            auto runRaw = [&] {
                Stopwatch clock;
                ok = ok && RawInsertEach(raw, statements);
                rawTime += clock.Elapsed();
            };
            auto runSession = [&] {
                Stopwatch clock;
                ok = ok && SessionInsertEach(session, values);
                sessionTime += clock.Elapsed();
            };
            RunInTurn(round + slice, runRaw, runSession);
            if (!ok) return false;
        }
        result.raw.push_back(rawTime);
        result.session.push_back(sessionTime);
    }
    const int expected = kWarmUpRows + rounds * rowsPerRound;
    return CountIs(session, kSessionTable, expected) && CountIs(session, kRawTable, expected);
}
