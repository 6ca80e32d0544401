#pragma once
// The program's one way of telling the user something. A plain box carries the application
// title and a single "OK"; a question box is captioned "確認" with "はい(&Y)" and "いいえ(&N)".
// Tests install a handler that records the texts and answers the questions.

#include <QString>
#include <functional>

enum class MessageKind { Plain, Question };
enum class MessageAnswer { Ok, Yes, No };

using MessageBoxHandler = std::function<MessageAnswer(MessageKind, const QString &text)>;

MessageAnswer ShowMessageBox(MessageKind kind, const QString &text);

inline void ShowMessage(const QString &text)
{
    ShowMessageBox(MessageKind::Plain, text);
}
// Only an explicit No declines.
inline bool Confirm(const QString &text)
{
    return ShowMessageBox(MessageKind::Question, text) != MessageAnswer::No;
}

// Replaces the handler (an empty one restores the real boxes); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// "Hesk－お絵描きソフト２": the caption of every plain message box.
QString ApplicationTitle();
