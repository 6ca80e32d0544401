#pragma once
// What the chat window reads and shows: the pieces of its refresh statement, the text of one
// shown line, and a view that holds a bounded number of characters by dropping its oldest lines.

#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace chat {

// The most characters the chat view holds; a line break counts as one.
inline constexpr int kViewLimit = 4096000;

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

} // namespace chat
