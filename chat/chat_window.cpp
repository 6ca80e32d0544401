#include "chat_window.h"

#include "chat_lines.h"
#include "chat_store.h"
#include "cp932_validator.h"
#include "event_refresh.h"
#include "main_window.h"
#include "message_box.h"
#include "program_style.h"
#include "text_helpers.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int kPollMs = 5000;
constexpr int kFieldCount = 5;
} // namespace

TForm10::TForm10(TForm1 &form1, QWidget *parent) : ChildForm(form1, parent)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("チャット"));
    setFont(ProgramFont());
    resize(313, 261);

    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->setUndoRedoEnabled(false); // a day of chat would otherwise be kept twice

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(24);
    // As wide as the longest line the column holds; a narrow window cuts it off.
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(0, 2, 660, 21);
    LimitBytes(Edit1, 80); // CTEXT holds 80 bytes: a longer line cannot even be typed
    Edit1->installEventFilter(this);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(8);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setStyleSheet(QStringLiteral("QStatusBar { background: rgb(192, 220, 192); }"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(Panel1);
    layout->addWidget(StatusBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollMs);
    connect(Timer1, &QTimer::timeout, this, &TForm10::Timer1Timer);
}

bool TForm10::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            QChar character(13);
            Edit1KeyPress(character);
            return character.isNull(); // consumed: no beep, no default button, nothing else
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm10::FormShow()
{
    const Settings &settings = Form1.settings();
    Frame()->resize(settings.ChatWindowWidth, settings.ChatWindowHeight);
    LastChatNumber = 0;
    ScannedChatNumber = 0;
    RichEdit1->clear();
    RefreshChat();
    Edit1->setFocus();
    Timer1->start(kPollMs);
    // Another PC's line shows the moment it is stored, through the poll's own path; the poll
    // stays, for servers that send no events.
    new EventRefresh(
        this, Form1.Db().Events(), QStringLiteral("CHAT"), [this] { return Timer1->isActive(); },
        [this] { Timer1Timer(); });
}

void TForm10::FormClose()
{
    Timer1->stop();
    RichEdit1->clear();
    Form1.ChatWindowOpen = false;
    Settings &settings = Form1.settings();
    settings.ChatWindowWidth = Frame()->width();
    settings.ChatWindowHeight = Frame()->height();
}

void TForm10::Timer1Timer()
{
    Timer1->stop();
    RefreshChat();
    Timer1->start(kPollMs);
}

void TForm10::RefreshChat()
{
    const QString today = Now().toString(QStringLiteral("yyyyMMdd"));
    // The top of the table first, then the lines: every line up to that top is then either among
    // the lines read or not to be shown, and the next reads can start above it. At show this
    // reads the whole table once; afterwards the index finds the few new numbers.
    const QString topText = chat::TopNumberAbove(Db(), ScannedChatNumber);
    // Nothing above it (or no answer): no line to read, and an idle poll is one small statement.
    if (topText.isEmpty()) return;
    const int top = StrToIntOrZero(topText);

    const int n =
        Db().OpenSelect(chat::RefreshColumns(), QStringLiteral("CHAT,MEMBER"),
                        chat::RefreshCondition(today, ScannedChatNumber), QStringLiteral("CHAT.N"));
    const bool read = Db().QueryOpen(); // false: the select failed, nothing is known
    QStringList fields;
    for (int i = 0; i < kFieldCount; ++i) fields << QString();
    QStringList lines;
    lines.reserve(n);
    for (int i = 0; i < n; ++i) {
        if (i == 0)
            Db().ReadFirstRow(fields);
        else
            Db().ReadNextRow(fields);
        lines << chat::ShownLine(fields[1], fields[2], fields[3], fields[4]);
    }
    if (n > 0) LastChatNumber = StrToIntOrZero(fields[0]);
    Db().CloseSelect();
    if (read) ScannedChatNumber = std::max({ScannedChatNumber, top, LastChatNumber});

    chat::AppendWithinLimit(*RichEdit1, lines);
    RichEdit1->moveCursor(QTextCursor::End);
    RichEdit1->ensureCursorVisible();
}

void TForm10::Edit1KeyPress(QChar &key)
{
    if (key != QChar(13)) return;
    key = QChar(0);
    const QString text = StripQuotes(Edit1->text());
    if (TrimBlanks(text).isEmpty()) return; // blanks only: nothing is sent, the line stays

    Timer1->stop();
    // One reading of the clock: a line sent at midnight gets the date and time of one moment.
    const QDateTime now = Now();
    const chat::StoreOutcome outcome = chat::StoreChatLine(
        Db(), ScannedChatNumber,
        {Form1.settings().PcUserNumber, text, now.toString(QStringLiteral("yyyyMMdd")),
         now.toString(QStringLiteral("HHmmss"))});
    if (outcome.stored) {
        Edit1->clear();
        RefreshChat(); // the new line comes back with the stored date and time, no local echo
    } else {
        ShowMessage(msg::kChatNotSent); // the timer is stopped: no poll runs behind the box
    }
    Timer1->start(kPollMs);
}
