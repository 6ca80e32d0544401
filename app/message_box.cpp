#include "message_box.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

// Room beside the caption in a title bar: the window icon and the close, minimise and
// maximise buttons with their margins, as window managers draw them.
constexpr int kTitleBarExtras = 120;

// A short message would make the box narrower than its caption, which the title bar then
// cuts to 「Hesk… フト２」: the box is made wide enough for the whole caption. The caption's
// font is the window manager's; the bold title font stands for it.
void MakeRoomForCaption(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid) return;
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const int caption = QFontMetrics(font).horizontalAdvance(box.windowTitle());
    grid->addItem(
        new QSpacerItem(caption + kTitleBarExtras, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
        grid->rowCount(), 0, 1, grid->columnCount());
}

void CentreOnScreen(QMessageBox &box)
{
    box.adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        box.move(screen->availableGeometry().center() - box.rect().center());
}

// A message box settles its width only as it is shown: centre it again then.
void CentreOnceShown(QMessageBox &box)
{
    QTimer::singleShot(0, &box, [&box] {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            box.move(screen->availableGeometry().center() - box.rect().center());
    });
}

MessageAnswer ShowRealBox(MessageKind kind, const QString &text)
{
    // No parent: the box is centred on the screen, above whatever window is active.
    QMessageBox box;
    box.setTextFormat(Qt::PlainText);
    QString shown = text;
    box.setText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    if (kind == MessageKind::Plain) {
        box.setWindowTitle(ApplicationTitle());
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        MakeRoomForCaption(box);
        CentreOnScreen(box);
        CentreOnceShown(box);
        box.exec();
        return MessageAnswer::Ok;
    }
    box.setWindowTitle(QStringLiteral("確認"));
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    MakeRoomForCaption(box);
    CentreOnScreen(box);
    CentreOnceShown(box);
    box.exec();
    return box.clickedButton() == no ? MessageAnswer::No : MessageAnswer::Yes;
}

MessageBoxHandler &Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

} // namespace

MessageAnswer ShowMessageBox(MessageKind kind, const QString &text)
{
    if (Handler()) return Handler()(kind, text);
    return ShowRealBox(kind, text);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

QString ApplicationTitle()
{
    return QStringLiteral("Hesk－お絵描きソフト２");
}
