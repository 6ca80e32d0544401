#include "name_balloon.h"

#include "balloon_shape.h"
#include "program_style.h"

#include <QLabel>

namespace {

void FillWith(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

TForm13::TForm13(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput |
                          Qt::X11BypassWindowManagerHint)
{
    setObjectName(QStringLiteral("Form13"));
    // It marks a point and is nothing more: it never takes the focus or activation from the
    // window being used, every click goes through it to the window beneath (another member's
    // balloon may well sit on this PC's chat input), and no window manager moves it back onto
    // the screen or stacks it: it may stand partly off the screen, and raises itself.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_DeleteOnClose); // a closed balloon frees itself
    QFont font = ProgramFont();
    font.setPixelSize(12);
    setFont(font);
    resize(104, 59); // until it is shaped

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMargin(0);
}

void TForm13::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event); // comes before the window is mapped, so it never shows unshaped
    if (shaped_) return;
    shaped_ = true;
    FormShow();
}

void TForm13::FormShow()
{
    Label1->setText(BalloonText);
    FillWith(Label1, BalloonColor);
    Label1->adjustSize();
    Label1->move(0, kArrowSize);

    const QSize size = BalloonSize(fontMetrics(), BalloonText);
    setFixedSize(size);
    FillWith(this, BalloonColor);
    setMask(BalloonRegion(size.width(), size.height()));
}

void TForm13::Place(QPoint tip)
{
    move(tip);
    raise(); // above whatever window came up since; no window manager keeps it there
}
