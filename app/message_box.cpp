#include "message_box.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

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
