#include "read_pair.h"

#include "cp932.h"
#include "database_session.h"
#include "pair_report.h"
#include "raw_connection.h"
#include "sql_builders.h"
#include "stopwatch.h"
#include "stroke_rows.h"

#include <cstdio>

namespace {

const QString kTable = QStringLiteral("IMG_3");
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
