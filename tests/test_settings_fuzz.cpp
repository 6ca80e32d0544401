// A deterministic sample of hostile settings files (tools/fuzz_settings runs ten thousand):
// each loaded into a shown main window with every start-up dialog, applied, written back and
// read again, within the 5 s any action may take.

#include "main_window.h"
#include "message_recorder.h"
#include "settings_fuzz.h"
#include "window_wiring.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

class SettingsFuzzTest : public QObject {
    Q_OBJECT

private slots:
    void hostileFilesLoadApplyAndWriteBackWellFormed()
    {
        MessageRecorder messages;
        QTemporaryDir dir;
        TForm1 form1(dir.filePath(QStringLiteral("absent.dat")));
        WireWindows(form1);
        form1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));

        QStringList faults;
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QElapsedTimer clock;
            clock.start();
            const QString fault =
                settings_fuzz::TryFile(form1, dir.path(), settings_fuzz::GenerateFile(seed));
            if (!fault.isEmpty()) faults << QStringLiteral("seed %1: %2").arg(seed).arg(fault);
            if (clock.elapsed() > 5000) faults << QStringLiteral("seed %1 took too long").arg(seed);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QVERIFY(form1.isVisible());
        QCOMPARE(messages.texts, QStringList()); // loading says nothing, whatever the file
    }
};

QTEST_MAIN(SettingsFuzzTest)
#include "test_settings_fuzz.moc"
