// The watch on the user-interface thread that the soak reads: a handler that keeps the thread
// busy shows as the longest gap, in the file at once (a copy that crashes still leaves it) and
// at the end, listed with the moment it ended; without OEKAKI_STALL_LOG there is no watch.

#include "stall_log.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

namespace {
qint64 Written(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    return file.readLine().trimmed().toLongLong();
}

// Runs the loop for `ms`, then once more for a tick after whatever handler ran last.
void RunEventLoop(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    clock.restart();
    while (clock.elapsed() < 2 * StallLog::kTickMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
} // namespace

class StallLogTest : public QObject {
    Q_OBJECT

private slots:
    void aBusyHandlerIsTheLongestGap()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stall.txt"));
        qunsetenv("OEKAKI_STALL_LOG");
        QVERIFY(!StallLog::FromEnvironment(this));

        qputenv("OEKAKI_STALL_LOG", path.toLocal8Bit());
        auto *log = StallLog::FromEnvironment(nullptr);
        qunsetenv("OEKAKI_STALL_LOG");
        QVERIFY(log);
        QCOMPARE(Written(path), 0); // there from the start
        RunEventLoop(300);
        // A handler that blocks the thread for 1.1 s: no tick can come between.
        QTimer::singleShot(0, [] { QThread::msleep(1100); });
        RunEventLoop(300);
        QVERIFY2(log->LongestGapMs() >= 1100, qPrintable(QString::number(log->LongestGapMs())));
        QCOMPARE(Written(path), log->LongestGapMs()); // written when it grew, not only at exit
        // Listed with the moment it ended: after the first 300 ms of the loop.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        QVERIFY(lines.size() >= 2);
        const QList<QByteArray> gap = lines.last().split(' ');
        QCOMPARE(gap.value(0).toLongLong(), log->LongestGapMs());
        QVERIFY2(gap.value(1).toLongLong() >= 1400, lines.last().constData());
        file.close();

        // The figure never shrinks; the end writes it once more.
        const qint64 longest = log->LongestGapMs();
        QTimer::singleShot(0, [] { QThread::msleep(100); });
        RunEventLoop(300);
        QVERIFY(log->LongestGapMs() >= longest);
        const qint64 last = log->LongestGapMs();
        QFile::remove(path);
        delete log;
        QVERIFY(Written(path) >= last);
    }
};

QTEST_MAIN(StallLogTest)
#include "test_stall_log.moc"
