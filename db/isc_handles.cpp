#include "isc_handles.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr unsigned short kDialect = SQL_DIALECT_V6;
// Room for any non-text column converted to text (BIGINT, DOUBLE, dates, NUMERIC).
constexpr int kNonTextWidth = 64;
} // namespace

QString IscStatus::Message() const
{
    QString text;
    const ISC_STATUS *cursor = status_;
    char line[512];
    while (fb_interpret(line, sizeof line, &cursor) > 0) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QString::fromLocal8Bit(line);
    }
    return text;
}

bool IscStatus::ConnectionLost() const
{
    switch (Code()) {
    case isc_network_error:
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_net_connect_err:
    case isc_net_connect_listen_err:
    case isc_net_lookup_err:
    case isc_conn_lost:
    case isc_lost_db_connection:
    case isc_shutdown:
    case isc_shutinprog:
    case isc_att_shutdown:
    case isc_net_server_shutdown:
    case isc_unavailable:
    case isc_bad_db_handle: return true;
    default: return false;
    }
}

bool IscStatus::LockConflict() const
{
    for (ISC_STATUS code :
         {isc_lock_conflict, isc_deadlock, isc_obj_in_use, isc_update_conflict, isc_lock_timeout})
        if (Mentions(code)) return true;
    return false;
}

bool IscStatus::Mentions(ISC_STATUS code) const
{
    if (!Failed()) return false;
    // Clusters of (argument kind, value); a counted string takes a length besides its text.
    for (int i = 0; i + 1 < ISC_STATUS_LENGTH && status_[i] != isc_arg_end;
         i += status_[i] == isc_arg_cstring ? 3 : 2)
        if (status_[i] == isc_arg_gds && status_[i + 1] == code) return true;
    return false;
}

bool IscAttachment::Attach(const QByteArray &path, const QByteArray &dpb, IscStatus &status)
{
    Detach();
    isc_attach_database(status.vector(), 0, path.constData(), &handle_, short(dpb.size()),
                        dpb.constData());
    if (status.Failed()) {
        handle_ = 0;
        return false;
    }
    ++number_;
    return true;
}

bool IscAttachment::Create(const QByteArray &path, const QByteArray &dpb, IscStatus &status)
{
    Detach();
    isc_create_database(status.vector(), short(path.size()), path.constData(), &handle_,
                        short(dpb.size()), dpb.constData(), 0);
    if (status.Failed()) {
        handle_ = 0;
        return false;
    }
    ++number_;
    return true;
}

void IscAttachment::Detach()
{
    if (!handle_) return;
    IscStatus status;
    isc_detach_database(status.vector(), &handle_);
    // A lost server can refuse the detach; the handle is useless either way.
    handle_ = 0;
}

bool IscTransaction::Start(IscAttachment &db, IscStatus &status)
{
    Rollback();
    isc_start_transaction(status.vector(), &handle_, 1, db.Handle(), 0, nullptr);
    if (status.Failed()) {
        handle_ = 0;
        return false;
    }
    return true;
}

bool IscTransaction::StartNoWait(IscAttachment &db, IscStatus &status)
{
    Rollback();
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency,
                               isc_tpb_nowait};
    isc_start_transaction(status.vector(), &handle_, 1, db.Handle(), short(sizeof tpb), tpb);
    if (status.Failed()) {
        handle_ = 0;
        return false;
    }
    return true;
}

bool IscTransaction::Commit(IscStatus &status)
{
    if (!handle_) return false;
    isc_commit_transaction(status.vector(), &handle_);
    return !status.Failed();
}

void IscTransaction::Rollback()
{
    if (!handle_) return;
    IscStatus status;
    isc_rollback_transaction(status.vector(), &handle_);
    handle_ = 0;
}

XSQLDA *TextRow::Describe(int columns)
{
    const int n = std::max(columns, 1);
    sqldaStorage_.assign(XSQLDA_LENGTH(n), 0);
    sqlda_ = reinterpret_cast<XSQLDA *>(sqldaStorage_.data());
    sqlda_->version = SQLDA_VERSION1;
    sqlda_->sqln = short(n);
    return sqlda_;
}

void TextRow::BindAsText()
{
    const int columns = sqlda_->sqld;
    offsets_.assign(columns + 1, 0);
    for (int i = 0; i < columns; ++i) {
        XSQLVAR &var = sqlda_->sqlvar[i];
        const int base = var.sqltype & ~1;
        const bool text = base == SQL_TEXT || base == SQL_VARYING;
        const int width = text ? std::max<int>(var.sqllen, 1) : kNonTextWidth;
        // Each slot: the 2-byte length of a VARCHAR, then its bytes, kept 2-byte aligned.
        offsets_[i + 1] = offsets_[i] + ((int(sizeof(ISC_USHORT)) + width + 1) & ~1);
        if (!text) var.sqlsubtype = 0;
        var.sqltype = SQL_VARYING + 1;
        var.sqllen = short(width);
        var.sqlscale = 0;
    }
    buffer_.assign(std::max(offsets_[columns], 1), 0);
    indicators_.assign(std::max(columns, 1), 0);
    for (int i = 0; i < columns; ++i) {
        sqlda_->sqlvar[i].sqldata = buffer_.data() + offsets_[i];
        sqlda_->sqlvar[i].sqlind = &indicators_[i];
    }
}

const char *TextRow::Data(int column) const
{
    return buffer_.data() + offsets_[column] + sizeof(ISC_USHORT);
}

int TextRow::Length(int column) const
{
    ISC_USHORT length;
    std::memcpy(&length, buffer_.data() + offsets_[column], sizeof length);
    return length;
}

QByteArray TextRow::Name(int column) const
{
    const XSQLVAR &var = sqlda_->sqlvar[column];
    return QByteArray(var.aliasname, var.aliasname_length);
}

bool IscStatement::PrepareSelect(IscAttachment &db, IscTransaction &tr, const QByteArray &sql,
                                 TextRow &row, IscStatus &status)
{
    CloseCursor();
    if (!handle_) {
        isc_dsql_allocate_statement(status.vector(), db.Handle(), &handle_);
        if (status.Failed()) {
            handle_ = 0;
            return false;
        }
    }
    XSQLDA *sqlda = row.Describe(16);
    isc_dsql_prepare(status.vector(), tr.Handle(), &handle_, 0, sql.constData(), kDialect, sqlda);
    if (status.Failed()) return false;
    if (sqlda->sqld > sqlda->sqln) {
        sqlda = row.Describe(sqlda->sqld);
        isc_dsql_describe(status.vector(), &handle_, kDialect, sqlda);
        if (status.Failed()) return false;
    }
    row.BindAsText();
    return true;
}

bool IscStatement::Execute(IscTransaction &tr, IscStatus &status)
{
    isc_dsql_execute(status.vector(), tr.Handle(), &handle_, kDialect, nullptr);
    cursorOpen_ = !status.Failed();
    return cursorOpen_;
}

IscStatement::Fetched IscStatement::Fetch(TextRow &row, IscStatus &status)
{
    const ISC_STATUS rc = isc_dsql_fetch(status.vector(), &handle_, kDialect, row.Sqlda());
    if (rc == 0) return Fetched::Row;
    if (rc == 100) return Fetched::End;
    return Fetched::Error;
}

void IscStatement::CloseCursor()
{
    if (!cursorOpen_) return;
    IscStatus status;
    isc_dsql_free_statement(status.vector(), &handle_, DSQL_close);
    cursorOpen_ = false;
}

void IscStatement::Drop()
{
    if (!handle_) return;
    IscStatus status;
    isc_dsql_free_statement(status.vector(), &handle_, DSQL_drop);
    handle_ = 0;
    cursorOpen_ = false;
}

bool ExecuteImmediate(IscAttachment &db, IscTransaction &tr, const QByteArray &sql,
                      IscStatus &status)
{
    isc_dsql_execute_immediate(status.vector(), db.Handle(), tr.Handle(), 0, sql.constData(),
                               kDialect, nullptr);
    return !status.Failed();
}

namespace {

QByteArray ParameterBlock(const ConnectionOptions &options)
{
    QByteArray dpb;
    dpb.append(char(isc_dpb_version1));
    auto add = [&dpb](char tag, const QByteArray &value) {
        dpb.append(tag);
        dpb.append(char(value.size()));
        dpb.append(value);
    };
    auto addNumber = [&add](char tag, quint32 value) {
        QByteArray bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = char((value >> (8 * i)) & 0xFF); // little-endian
        add(tag, bytes);
    };
    add(char(isc_dpb_user_name), options.user);
    add(char(isc_dpb_password), options.password);
    add(char(isc_dpb_sql_dialect), QByteArray(1, char(3)));
    addNumber(char(isc_dpb_connect_timeout), quint32(options.connectTimeoutSeconds));
    QByteArray config = "Providers = Remote, Loopback";
    if (options.loopbackPort > 0)
        config += "\nRemoteServicePort = " + QByteArray::number(options.loopbackPort);
    add(char(isc_dpb_config), config);
    return dpb;
}

} // namespace

QByteArray AttachmentParameters(const ConnectionOptions &options)
{
    return ParameterBlock(options);
}

QByteArray CreationParameters(const ConnectionOptions &options)
{
    QByteArray dpb = ParameterBlock(options);
    const quint32 pageSize = 4096;
    dpb.append(char(isc_dpb_page_size));
    dpb.append(char(4));
    for (int i = 0; i < 4; ++i) dpb.append(char((pageSize >> (8 * i)) & 0xFF));
    return dpb;
}
