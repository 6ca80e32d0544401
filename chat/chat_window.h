#pragma once
// TForm10: the live group chat, a child window of the main window. It shows the lines of the
// current day written by members, looks for new ones every 5 s, and sends the input line when
// Enter is pressed; the sender sees a line through the same read as everybody else's.

#include "chat_store.h"
#include "child_form.h"

#include <QDateTime>
#include <functional>
#include <optional>

class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QStatusBar;
class QTimer;

class TForm10 : public ChildForm {
    Q_OBJECT

public:
    explicit TForm10(TForm1 &form1, QWidget *parent = nullptr);

    void FormShow() override;
    void FormClose() override;
    // Only Enter (13) acts: it is consumed (set to 0) and the line is sent unless it is blank.
    void Edit1KeyPress(QChar &key);
    void Timer1Timer();

    QPlainTextEdit *RichEdit1 = nullptr; // the chat view
    QFrame *Panel1 = nullptr;            // the input strip
    QLineEdit *Edit1 = nullptr;          // the input line, up to 80 CP932 bytes
    QStatusBar *StatusBar1 = nullptr;
    QTimer *Timer1 = nullptr; // the poll

    // The number of the newest line shown; 0 at show, and it only grows. Every line above it
    // is read again at each poll: a line dated ahead, changed to today, or by an author who
    // becomes a member later shows as soon as it qualifies.
    int LastChatNumber = 0;
    // The local clock; tests set another.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void RefreshChat();
    // A line whose commit went unanswered is looked for before the same text is sent again:
    // true when this send is over (found, or the server cannot say yet).
    bool SettleUnsureLine(const QString &text);

    // The line whose outcome was unsure, and the number it may be stored under.
    std::optional<std::pair<int, chat::ChatLine>> unsure_;

    // The index on the date that keeps a poll to today's lines; the window adds it when it is
    // missing. Until it is there, a poll reads every line above the last one shown.
};

namespace msg {
inline const QString kChatNotSent =
    QStringLiteral("チャットを送信出来ませんでした。入力した文章はそのまま残してあります。");
} // namespace msg
