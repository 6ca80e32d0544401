#include "chat_lines.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace chat {

QString RefreshColumns()
{
    return QStringLiteral("CHAT.N,MEMBER.PNAME,CHAT.CTEXT,CHAT.CDATE,CHAT.CTIME");
}

QString RefreshCondition(const QString &today, int above)
{
    return QStringLiteral("CHAT.CDATE='") + today +
           QStringLiteral("' AND CHAT.MN=MEMBER.N AND CHAT.N>") + QString::number(above);
}

QString ShownLine(const QString &name, const QString &text, const QString &date,
                  const QString &time)
{
    return name + QStringLiteral("＞") + text + QLatin1Char('(') + date + QLatin1Char(' ') + time +
           QLatin1Char(')');
}

int ViewLength(const QPlainTextEdit &view)
{
    // The document counts one separator per line, the last one included.
    const int count = view.document()->characterCount() - 1;
    return view.document()->isEmpty() ? 0 : count;
}

void AppendWithinLimit(QPlainTextEdit &view, QStringList lines, int limit)
{
    if (lines.isEmpty()) return;
    // The batch on its own: lines joined by breaks. Its oldest lines go when it cannot fit.
    qsizetype batch = lines.size() - 1;
    for (const QString &line : lines) batch += line.size();
    while (batch > limit && !lines.isEmpty()) {
        batch -= lines.first().size() + (lines.size() > 1 ? 1 : 0);
        lines.removeFirst();
    }
    if (lines.isEmpty()) return; // a single line longer than the whole view: nothing can show

    QTextDocument &document = *view.document();
    const qsizetype held = ViewLength(view);
    if (held > 0 && held + 1 + batch > limit) {
        // Drop whole lines from the top until the batch fits; the break after each goes too.
        qsizetype toFree = held + 1 + batch - limit;
        QTextBlock block = document.firstBlock();
        int dropped = 0;
        while (block.isValid() && toFree > 0) {
            toFree -= block.length();
            block = block.next();
            ++dropped;
        }
        if (!block.isValid()) {
            view.clear();
        } else {
            QTextCursor cursor(&document);
            cursor.movePosition(QTextCursor::Start);
            cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, dropped);
            cursor.removeSelectedText();
        }
    }
    view.appendPlainText(lines.join(QLatin1Char('\n')));
}

void ScrollToNewest(QPlainTextEdit &view)
{
    QTextCursor caret(view.document());
    caret.movePosition(QTextCursor::End);
    caret.movePosition(QTextCursor::StartOfBlock);
    view.setTextCursor(caret);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->minimum());
}

} // namespace chat
