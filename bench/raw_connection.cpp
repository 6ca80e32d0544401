#include "raw_connection.h"

#include <cstdio>

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
