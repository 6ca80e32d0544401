#include "board_canvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace {
QPoint PixelOf(const QMouseEvent *event)
{
    // Floor, not round: a position left of the picture is a negative pixel, never pixel 0.
    const QPointF at = event->position();
    return QPoint(int(std::floor(at.x())), int(std::floor(at.y())));
}
} // namespace

BoardCanvas::BoardCanvas(const QImage &picture, QWidget *parent)
    : QWidget(parent), picture_(picture)
{
    setObjectName(QStringLiteral("Image1"));
    // Only what a stamp changed is repainted; resizing never repaints what is already there.
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BoardCanvas::paintEvent(QPaintEvent *event)
{
    ++paints_;
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area, picture_, area);
}

void BoardCanvas::mousePressEvent(QMouseEvent *event)
{
    if (onPress) onPress(event->button(), event->buttons(), PixelOf(event));
}

void BoardCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (onMove) onMove(Qt::NoButton, event->buttons(), PixelOf(event));
}

void BoardCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (onRelease) onRelease(event->button(), event->buttons(), PixelOf(event));
}
