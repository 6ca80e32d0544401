#include "raw_connection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

bool RawSucceeded(const ISC_STATUS *status, const char *what)
{
    if (!(status[0] == 1 && status[1] != 0)) return true;
    std::fprintf(stderr, "%s failed:\n", what);
    const ISC_STATUS *cursor = status;
    char line[512];
    while (fb_interpret(line, sizeof line, &cursor) > 0) std::fprintf(stderr, "  %s\n", line);
    return false;
}

bool RawConnection::Attach(const QByteArray &path)
{
    Detach();
    QByteArray dpb(1, char(isc_dpb_version1));
    auto add = [&dpb](char tag, const QByteArray &value) {
        dpb.append(tag).append(char(value.size())).append(value);
    };
    add(char(isc_dpb_user_name), "SYSDBA");
    add(char(isc_dpb_password), "quillnest");
    add(char(isc_dpb_sql_dialect), QByteArray(1, char(SQL_DIALECT_V6)));
    ISC_STATUS_ARRAY status{};
    isc_attach_database(status, 0, path.constData(), &handle_, short(dpb.size()), dpb.constData());
    if (RawSucceeded(status, "attach")) return true;
    handle_ = 0;
    return false;
}

void RawConnection::Detach()
{
    if (!handle_) return;
    ISC_STATUS_ARRAY status{};
    isc_detach_database(status, &handle_);
    handle_ = 0;
}

bool RawConnection::ExecuteInOwnTransaction(const QByteArray &sql)
{
    ISC_STATUS_ARRAY status{};
    isc_tr_handle tr = 0;
    isc_start_transaction(status, &tr, 1, &handle_, 0, nullptr);
    if (!RawSucceeded(status, "start transaction")) return false;
    isc_dsql_execute_immediate(status, &handle_, &tr, 0, sql.constData(), SQL_DIALECT_V6, nullptr);
    if (!RawSucceeded(status, "execute")) {
        isc_rollback_transaction(status, &tr);
        return false;
    }
    isc_commit_transaction(status, &tr);
    return RawSucceeded(status, "commit");
}

int RawConnection::ForcedWrites()
{
    const char items[] = {isc_info_forced_writes, isc_info_end};
    char answer[32] = {};
    ISC_STATUS_ARRAY status{};
    isc_database_info(status, &handle_, short(sizeof items), items, short(sizeof answer), answer);
    if (!RawSucceeded(status, "database info") || answer[0] != isc_info_forced_writes) return -1;
    const short length = short(isc_vax_integer(answer + 1, 2));
    return isc_vax_integer(answer + 3, length) != 0 ? 1 : 0;
}

bool RawConnection::Drop()
{
    if (!handle_) return false;
    ISC_STATUS_ARRAY status{};
    isc_drop_database(status, &handle_);
    if (RawSucceeded(status, "drop database")) {
        handle_ = 0; // dropping detaches
        return true;
    }
    Detach();
    return false;
}

namespace {
// The room the session gives a non-text column converted to text.
constexpr int kNonTextWidth = 64;
constexpr int kMaxColumns = 32;
} // namespace

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
    std::vector<int> offsets(columns + 1, 0);
    for (int i = 0; i < columns; ++i) {
        const XSQLVAR &var = sqlda->sqlvar[i];
        const int base = var.sqltype & ~1;
        const bool text = base == SQL_TEXT || base == SQL_VARYING;
        const int width = text ? std::max<int>(var.sqllen, 1) : kNonTextWidth;
        offsets[i + 1] = offsets[i] + ((int(sizeof(ISC_USHORT)) + width + 1) & ~1);
    }
    std::vector<char> buffer(std::max(offsets[columns], 1));
    std::vector<ISC_SHORT> indicators(std::max(columns, 1));
    for (int i = 0; i < columns; ++i) {
        XSQLVAR &var = sqlda->sqlvar[i];
        const int base = var.sqltype & ~1;
        const bool text = base == SQL_TEXT || base == SQL_VARYING;
        var.sqllen = short(offsets[i + 1] - offsets[i] - int(sizeof(ISC_USHORT)));
        if (!text) var.sqlsubtype = 0;
        var.sqltype = SQL_VARYING + 1;
        var.sqlscale = 0;
        var.sqldata = buffer.data() + offsets[i];
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
            std::memcpy(&length, buffer.data() + offsets[i], sizeof length);
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
