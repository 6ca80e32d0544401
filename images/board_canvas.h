#pragma once
// Image1 of a drawing board: shows the board's picture at its pixel size and reports mouse
// events in picture pixels. While a button is held it keeps receiving moves and the release
// outside its area, with coordinates outside the picture.

#include <QImage>
#include <QWidget>
#include <functional>

class BoardCanvas : public QWidget {
    Q_OBJECT

public:
    BoardCanvas(const QImage &picture, QWidget *parent);

    // Called with the button that changed, the buttons held afterwards and the position.
    std::function<void(Qt::MouseButton, Qt::MouseButtons, QPoint)> onPress, onMove, onRelease;

    // Repaints since creation: tests and benchmarks wait for the first one.
    int Paints() const { return paints_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    const QImage &picture_;
    int paints_ = 0;
};
