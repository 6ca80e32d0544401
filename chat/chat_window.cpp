#include "chat_window.h"

#include "chat_lines.h"
#include "chat_store.h"
#include "cp932_validator.h"
#include "event_refresh.h"
#include "main_window.h"
#include "message_box.h"
#include "program_style.h"
#include "table_additions.h"
#include "text_helpers.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kPollMs = 5000;
constexpr int kFieldCount = 5;
constexpr int kEditHeight = 21;
// How long a send waits for the date index being built; a small table's is built sooner.
constexpr std::chrono::milliseconds kIndexWaitMs{1000};
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
    Panel1->installEventFilter(this); // the input line follows the strip's width
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(0, 2, 313, kEditHeight);
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
    // As wide as the window, so that the caret and the typed text stay in view.
    if (watched == Panel1 && event->type() == QEvent::Resize)
        Edit1->setGeometry(0, 2, Panel1->width(), kEditHeight);
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
    RichEdit1->clear();
    RefreshChat();
    // The polls ask for today's lines: an index on the date serves them however many lines of
    // earlier days the table holds. Built in the background; the polls are correct without it.
    additions::RequestIndex(Db(), chat::kDateIndex, QStringLiteral("CHAT"), chat::kDateColumn);
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
    const int n =
        Db().OpenSelect(chat::RefreshColumns(), QStringLiteral("CHAT,MEMBER"),
                        chat::RefreshCondition(today, LastChatNumber), QStringLiteral("CHAT.N"));
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

    if (lines.isEmpty()) return; // the view stays where the user has scrolled it
    chat::AppendWithinLimit(*RichEdit1, lines);
    chat::ScrollToNewest(*RichEdit1);
}

bool TForm10::SettleUnsureLine(const QString &text)
{
    if (!unsure_) return false;
    const auto [number, line] = *unsure_;
    if (line.text != text || line.member != Form1.settings().PcUserNumber) {
        unsure_.reset(); // another line: the user decided what to send
        return false;
    }
    const std::optional<bool> stored = chat::StoredAs(Db(), number, line);
    if (!stored) {
        ShowMessage(msg::kChatNotSent);
        return true;
    }
    unsure_.reset();
    if (!*stored) return false; // it never arrived: send it now
    Edit1->clear();
    RefreshChat();
    return true;
}

void TForm10::Edit1KeyPress(QChar &key)
{
    if (key != QChar(13)) return;
    key = QChar(0);
    const QString text = StripQuotes(Edit1->text());
    if (TrimBlanks(text).isEmpty()) return; // blanks only: nothing is sent, the line stays

    Timer1->stop();
    if (SettleUnsureLine(text)) {
        Timer1->start(kPollMs);
        return;
    }
    // With the server known to be away the send fails at once; no wait for the index first.
    if (!Db().ServerUnreachable() &&
        !Db().WaitForAdditionsTo(QStringLiteral("CHAT"), kIndexWaitMs)) {
        // The line would wait for the index to be built, longer than any call may wait.
        ShowMessage(msg::kChatNotSent);
        Timer1->start(kPollMs);
        return;
    }
    // One reading of the clock: a line sent at midnight gets the date and time of one moment.
    const QDateTime now = Now();
    const chat::ChatLine line{Form1.settings().PcUserNumber, text,
                              now.toString(QStringLiteral("yyyyMMdd")),
                              now.toString(QStringLiteral("HHmmss"))};
    const chat::StoreOutcome outcome = chat::StoreChatLine(Db(), LastChatNumber, line);
    if (outcome.unsure) unsure_.emplace(outcome.unsure, line);
    if (outcome.stored) {
        Edit1->clear();
        RefreshChat(); // the new line comes back with the stored date and time, no local echo
    } else {
        ShowMessage(msg::kChatNotSent); // the timer is stopped: no poll runs behind the box
    }
    Timer1->start(kPollMs);
}
