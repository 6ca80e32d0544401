// The name balloon on a real X display: only a sign. A click on its name plate reaches the
// window beneath, no window manager would place or stack it, and where none keeps it on top,
// placed again (at the next tick) it is back above a window that came up over it.

#include "name_balloon.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QtTest>

namespace {

class ClickTarget : public QWidget {
public:
    int presses = 0;
    QPoint last;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        ++presses;
        last = event->position().toPoint();
    }
};

QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// How many pixels of a box on the screen are of the balloon's colour (the name is written on
// the plate in black).
int CyanPixels(const QRect &box)
{
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, box.x(), box.y(), box.width(), box.height())
                            .toImage();
    int cyan = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) cyan += shot.pixel(x, y) == QColor(Qt::cyan).rgb();
    return cyan;
}

} // namespace

class BalloonOnScreenTest : public QObject {
    Q_OBJECT

private slots:
    void theBalloonIsOnlyASign()
    {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "needs a real X display: run it through tests/real_program/on_display.py");
        ClickTarget under;
        under.setAutoFillBackground(true);
        under.setPalette(QPalette(Qt::white));
        under.setGeometry(100, 100, 400, 300);
        under.show();
        QVERIFY(QTest::qWaitForWindowExposed(&under));

        TForm13 balloon;
        balloon.BalloonText = QStringLiteral("ながいなまえのメンバー");
        const QPoint tip = under.geometry().topLeft() + QPoint(50, 50);
        balloon.Place(tip);
        balloon.show();
        QVERIFY(QTest::qWaitForWindowExposed(&balloon));
        const QRect plateBox(tip + QPoint(0, 24), QSize(balloon.width(), balloon.height() - 24));
        const QPoint plate = plateBox.center();
        QTRY_VERIFY(CyanPixels(plateBox) > plateBox.width() * plateBox.height() / 3);

        // The window manager has nothing to say about where it stands or what lies above it.
        QVERIFY(Run("xwininfo", {"-id", QString::number(balloon.winId())})
                    .contains(QLatin1String("Override Redirect State: yes")));

        // A click on the plate goes through to the window beneath, at that very point.
        Run("xdotool", {"mousemove", "--sync", QString::number(plate.x()),
                        QString::number(plate.y()), "click", "1"});
        QTRY_COMPARE(under.presses, 1);
        QCOMPARE(under.mapToGlobal(under.last), plate);

        // A window raised over it hides it until it is placed again, at the next tick.
        under.raise();
        QTRY_COMPARE(CyanPixels(plateBox), 0);
        balloon.Place(tip);
        QTRY_VERIFY(CyanPixels(plateBox) > plateBox.width() * plateBox.height() / 3);
    }
};

QTEST_MAIN(BalloonOnScreenTest)
#include "test_balloon_on_screen.moc"
