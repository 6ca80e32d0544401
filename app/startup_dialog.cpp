#include "startup_dialog.h"

#include "message_box.h"
#include "program_style.h"
#include "text_helpers.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

StartupDialog::StartupDialog(TForm1 &form1, const QString &objectName, const QString &caption,
                             QSize clientSize, QWidget *parent)
    : QDialog(parent), Form1(form1)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setFont(ProgramFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(clientSize);
    // Until the settings file says otherwise, the dialog opens in the middle of the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() -
             QPoint(clientSize.width() / 2, clientSize.height() / 2));
}

void StartupDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!FormShow()) {
        // Not reject() here: the modal loop has not started yet and would never end.
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    }
}

void StartupDialog::SetWhiteBackground()
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
}

bool StartupDialog::DatabaseReady()
{
    if (TrimBlanks(settings().DataFolder).isEmpty() ||
        TrimBlanks(settings().DatabaseFileName).isEmpty()) {
        ShowMessage(msg::kSetUpDatabaseFirst);
        return false;
    }
    if (!Form1.Connected()) {
        ShowMessage(msg::kCannotConnect);
        return false;
    }
    return true;
}

bool StartupDialog::ReportedUnreachable()
{
    if (!Db().ServerUnreachable()) return false;
    ShowMessage(msg::kCannotConnect);
    return true;
}

QLabel *PlaceLabel(QWidget *parent, const QString &caption, int left, int top)
{
    auto *label = new QLabel(caption, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit *PlaceEdit(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(left, top, width, height);
    return edit;
}

QPushButton *PlaceButton(QWidget *parent, const char *name, const QString &caption, int left,
                         int top, int width, int height)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, top, width, height);
    button->setAutoDefault(false);
    return button;
}

void SetTabChain(std::initializer_list<QWidget *> widgets)
{
    QWidget *previous = nullptr;
    for (QWidget *widget : widgets) {
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

namespace {

// Double-clicks on a one-line edit, which has no signal of its own for them.
class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QObject *parent, std::function<void()> onDoubleClick)
        : QObject(parent), onDoubleClick_(std::move(onDoubleClick))
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) onDoubleClick_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onDoubleClick_;
};

} // namespace

void OnDoubleClick(QWidget *widget, std::function<void()> handler)
{
    widget->installEventFilter(new DoubleClickFilter(widget, std::move(handler)));
}
