#include "chat_store.h"

#include "database_session.h"
#include "text_helpers.h"

#include <algorithm>
#include <climits>

namespace chat {

namespace {
const QString kTable = QStringLiteral("CHAT");
const QString kNumber = QStringLiteral("N");
const QStringList kColumns{QStringLiteral("N"), QStringLiteral("MN"), QStringLiteral("CTEXT"),
                           QStringLiteral("CDATE"), QStringLiteral("CTIME")};

QString Quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QStringList ValuesOf(int number, const ChatLine &line)
{
    return {QString::number(number), QString::number(line.member), Quoted(line.text),
            Quoted(line.date), Quoted(line.time)};
}

// The condition that finds a row with these values of author, text, date and time.
QString SameLine(const QStringList &values)
{
    QStringList terms;
    for (int i = 1; i < kColumns.size(); ++i) terms << kColumns[i] + QLatin1Char('=') + values[i];
    return terms.join(QStringLiteral(" AND "));
}
} // namespace

QString TopNumberAbove(DatabaseSession &db, int lookedAt)
{
    // MAX alone reads every row; a lower bound on N lets the UNIQUE index find the few above it.
    const QString where =
        lookedAt > 0 ? QStringLiteral("N>") + QString::number(lookedAt) : QString();
    return db.SelectMax(kTable, kNumber, where);
}

StoreOutcome StoreChatLine(DatabaseSession &db, int lookedAt, const ChatLine &line)
{
    StoreOutcome outcome;
    int top = std::max(lookedAt, StrToIntOrZero(TopNumberAbove(db, lookedAt)));
    // At the top of the range the hint may be a line deleted since: only the table's own
    // largest number says whether there is room left.
    if (top == INT_MAX && !db.ServerUnreachable())
        top = StrToIntOrZero(db.SelectMax(kTable, kNumber, QString()));
    if (db.ServerUnreachable()) return outcome;
    int number = 0;
    if (!NextNumberAfter(QString::number(top), number)) return outcome;

    QStringList values = ValuesOf(number, line);
    for (;;) {
        values[0] = QString::number(number);
        if (db.InsertRow(kTable, int(kColumns.size()), kColumns, values)) {
            outcome.stored = true;
            outcome.number = number;
            return outcome;
        }
        // The server went away while committing: the line may be stored all the same, and
        // storing it again would show it twice.
        if (db.LastWriteOutcomeUnknown()) {
            if (db.KeyExists(kTable, kNumber, SameLine(values), number)) {
                outcome.stored = true;
                outcome.number = number;
                return outcome;
            }
            if (db.ServerUnreachable()) {
                outcome.unsure = number; // asked again before the line is sent again
                return outcome;
            }
        }
        // Another try only makes sense when another PC holds this very number.
        if (db.ServerUnreachable() || outcome.numbersTaken >= kMaxTakenNumbers) return outcome;
        if (!db.KeyExists(kTable, kNumber, QString(), number)) return outcome;
        ++outcome.numbersTaken;
        if (!NextNumberAfter(QString::number(number), number)) return outcome;
    }
}

std::optional<bool> StoredAs(DatabaseSession &db, int number, const ChatLine &line)
{
    const bool there = db.KeyExists(kTable, kNumber, SameLine(ValuesOf(number, line)), number);
    if (!there && db.ServerUnreachable()) return std::nullopt;
    return there;
}

} // namespace chat
