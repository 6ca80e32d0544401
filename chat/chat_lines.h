#pragma once
// What the chat window reads and shows: the pieces of its refresh statement and the index that
// serves it, the text of one shown line, and a view that holds a bounded number of characters
// by dropping its oldest lines.

#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace chat {

// The most characters the chat view holds; a line break counts as one.
inline constexpr int kViewLimit = 4096000;

// The index the program adds beside CHAT for the refresh: with it the refresh's condition costs
// today's lines, however many days the table holds; without it, every line above the last one
// shown is read.
inline const QString kDateIndex = QStringLiteral("CHAT_CDATE");
inline const QString kDateColumn = QStringLiteral("CDATE");

// The five columns of the refresh: number, author's name, text, date, time.
QString RefreshColumns();
// Today's lines of members numbered above `above`, for the table list "CHAT,MEMBER".
QString RefreshCondition(const QString &today, int above);
// "山田＞こんにちは(20100101 130200)"
QString ShownLine(const QString &name, const QString &text, const QString &date,
                  const QString &time);

// Adds the lines at the end of the view. When the view would pass `limit` characters, its oldest
// lines go first (and of a batch that alone passes it, only the newest lines that fit are kept),
// so the view always takes what is new.
void AppendWithinLimit(QPlainTextEdit &view, QStringList lines, int limit = kViewLimit);
// Characters the view holds, counted as the limit counts them.
int ViewLength(const QPlainTextEdit &view);
// Shows the newest line, from its start: a long line must not scroll the view sideways, where
// every shorter line, the speakers' names too, would look blank.
void ScrollToNewest(QPlainTextEdit &view);

} // namespace chat
