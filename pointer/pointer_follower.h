#pragma once
// Lets the others' balloons follow this PC's pointer as the hand moves it. While the server
// delivers event alerts (the others hear of a published pointer at once), the pointer is looked
// at ten times a second and published whenever it moved, with one UPDATE of this member's row.
// Without events the others would only read it at their next once-a-second tick anyway, and
// the pointer window's own once-a-second publishing is all there is, as before.
//
// A child of the pointer window: it goes with it.

#include <QObject>
#include <QPoint>
#include <functional>

class QTimer;
class TForm1;

class PointerFollower : public QObject {
    Q_OBJECT

public:
    // `sharing`: the window shares now (open, and none of its handlers running).
    PointerFollower(QObject *window, TForm1 &form1, std::function<bool()> sharing);

    // Publications made because the pointer moved (for tests and the benchmark).
    int Published() const { return published_; }
    static constexpr int kLookMs = 100;

private:
    void Look();
    QPoint Offset() const; // from the main window's top-left corner, as stored

    TForm1 &form1_;
    std::function<bool()> sharing_;
    QTimer *look_;
    QPoint last_; // as last published here, or at the window's first publishing
    int published_ = 0;
};
