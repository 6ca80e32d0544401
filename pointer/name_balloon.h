#pragma once
// TForm13: the name balloon. A small borderless window above all others, cut to an arrow head
// with a name plate under it, that stands for another member's mouse pointer on this screen.
// Its top-left pixel is the arrow's tip: moving the window to a point makes the arrow point there.

#include <QColor>
#include <QString>
#include <QWidget>

class QLabel;

class TForm13 : public QWidget {
    Q_OBJECT

public:
    explicit TForm13(QWidget *parent = nullptr);

    // Set before the balloon is shown; later changes do not reshape it.
    QString BalloonText;
    QColor BalloonColor = Qt::cyan;

    void FormShow(); // sizes the window to the text and cuts it to the balloon's outline
    // Puts the arrow's tip at a screen point and the balloon above every other window.
    void Place(QPoint tip);

    QLabel *Label1; // the name, on a background of its own

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool shaped_ = false;
};
