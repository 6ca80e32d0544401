// The per-PC settings file: its 39 positional CP932 lines, what missing or odd lines read as,
// and that a failed write never loses the file already there.

#include "cp932.h"
#include "settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray Lines(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines) bytes += line + "\r\n";
    return bytes;
}

QByteArray Sjis(const char *utf8)
{
    return cp932::EncodeLossy(QString::fromUtf8(utf8));
}

Settings EverySettingChanged()
{
    Settings s;
    s.ServerPrefix = QStringLiteral("192.168.0.10:");
    s.DataFolder = QString::fromUtf8("C:\\データ\\表示\\");
    s.DatabaseFileName = QStringLiteral("OFFICE.FDB");
    s.PcUserNumber = 12;
    s.PcUserName = QString::fromUtf8("山田：太郎");
    s.ImageListWidth = 640;
    s.ImageListHeight = 480;
    s.ImageListColumnWidths = {33, 40, 50, 60, 70, 80, 90};
    s.ImageListPanelHeight = 44;
    s.DrawWindowWidth = 800;
    s.DrawWindowHeight = 600;
    s.BitmapFolder = QString::fromUtf8("/home/山田/絵");
    s.PenShape = 3;
    s.PenSize = 9;
    s.PenColor = 0x00FF8040;
    s.ChatWindowWidth = 500;
    s.ChatWindowHeight = -20;
    return s;
}

void CompareSettings(const Settings &a, const Settings &b)
{
    QCOMPARE(a.ServerPrefix, b.ServerPrefix);
    QCOMPARE(a.DataFolder, b.DataFolder);
    QCOMPARE(a.DatabaseFileName, b.DatabaseFileName);
    QCOMPARE(a.PcUserNumber, b.PcUserNumber);
    QCOMPARE(a.PcUserName, b.PcUserName);
    QCOMPARE(a.ImageListWidth, b.ImageListWidth);
    QCOMPARE(a.ImageListHeight, b.ImageListHeight);
    QVERIFY(a.ImageListColumnWidths == b.ImageListColumnWidths);
    QCOMPARE(a.ImageListPanelHeight, b.ImageListPanelHeight);
    QCOMPARE(a.DrawWindowWidth, b.DrawWindowWidth);
    QCOMPARE(a.DrawWindowHeight, b.DrawWindowHeight);
    QCOMPARE(a.BitmapFolder, b.BitmapFolder);
    QCOMPARE(a.PenShape, b.PenShape);
    QCOMPARE(a.PenSize, b.PenSize);
    QCOMPARE(a.PenColor, b.PenColor);
    QCOMPARE(a.ChatWindowWidth, b.ChatWindowWidth);
    QCOMPARE(a.ChatWindowHeight, b.ChatWindowHeight);
}

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT

private slots:
    void noFileKeepsTheDefaults()
    {
        QTemporaryDir dir;
        const SettingsFileContent file = ReadSettingsFile(dir.filePath("absent.dat"));
        QCOMPARE(file.linesRead, 0);
        CompareSettings(file.settings, Settings());
        QCOMPARE(file.settings.ServerPrefix, QStringLiteral("localhost:"));
        QCOMPARE(file.settings.DatabaseFileName, QStringLiteral("PAINT.FDB"));
        QCOMPARE(file.settings.PenSize, 1);
    }

    void threeLineFileBlanksEverythingElse()
    {
        const SettingsFileContent file =
            ParseSettingsFile(Lines({"localhost:", "/var/lib/oekaki/", "PAINT.FDB"}), true);
        QCOMPARE(file.linesRead, 39);
        const Settings &s = file.settings;
        QCOMPARE(s.ServerPrefix, QStringLiteral("localhost:"));
        QCOMPARE(s.DataFolder, QStringLiteral("/var/lib/oekaki/"));
        QCOMPARE(s.DatabaseFileName, QStringLiteral("PAINT.FDB"));
        QCOMPARE(s.PcUserNumber, 0);
        QCOMPARE(s.PcUserName, QString());
        QCOMPARE(file.windows.mainWindow, QRect(0, 0, 0, 0));
        for (const QPoint &p : file.windows.dialogs) QCOMPARE(p, QPoint(0, 0));
        QCOMPARE(s.ImageListWidth, 80);
        QCOMPARE(s.ImageListHeight, 80);
        for (int w : s.ImageListColumnWidths) QCOMPARE(w, 32);
        QCOMPARE(s.ImageListPanelHeight, 10);
        QCOMPARE(s.DrawWindowWidth, 0);
        QCOMPARE(s.DrawWindowHeight, 0);
        QCOMPARE(s.BitmapFolder, QString());
        QCOMPARE(s.PenShape, 0);
        QCOMPARE(s.PenSize, 0);
        QCOMPARE(s.PenColor, 0);
        QCOMPARE(s.ChatWindowWidth, 0);
    }

    void aMissingTextLineIsEmptyNotItsDefault()
    {
        // An empty file reads 39 empty lines: the server prefix is empty, not "localhost:".
        const SettingsFileContent file = ParseSettingsFile(QByteArray(), true);
        QCOMPARE(file.settings.ServerPrefix, QString());
        QCOMPARE(file.settings.DatabaseFileName, QString());
    }

    void nonNumericLinesReadAsZero()
    {
        QList<QByteArray> lines(39, "5");
        lines[3] = "twelve"; // PcUserNumber
        lines[5] = "-30";    // main window left: negative positions stay
        lines[27] = "800 ";  // a number followed by a blank
        lines[31] = " 7";    // leading blanks are fine
        lines[17] = "$100";  // hexadecimal, ImageListWidth
        const SettingsFileContent file = ParseSettingsFile(Lines(lines), true);
        QCOMPARE(file.settings.PcUserNumber, 0);
        QCOMPARE(file.windows.mainWindow.x(), -30);
        QCOMPARE(file.settings.DrawWindowWidth, 0);
        QCOMPARE(file.settings.PenSize, 7);
        QCOMPARE(file.settings.ImageListWidth, 256);
        QCOMPARE(file.settings.ImageListColumnWidths[0], 32); // 5 raised to the minimum
    }

    void lineEndsAndCtrlZ()
    {
        // LF alone ends a line as well; a lone CR is dropped from the value.
        SettingsFileContent file = ParseSettingsFile("srv:\nC:\\da\rta\\\r\nX.FDB\r\n", true);
        QCOMPARE(file.settings.ServerPrefix, QStringLiteral("srv:"));
        QCOMPARE(file.settings.DataFolder, QStringLiteral("C:\\data\\"));
        QCOMPARE(file.settings.DatabaseFileName, QStringLiteral("X.FDB"));

        // Ctrl-Z is the end of the file: what follows it is never read.
        file = ParseSettingsFile("a:\r\nb\x1A\\\r\nc\r\n4\r\n", true);
        QCOMPARE(file.settings.ServerPrefix, QStringLiteral("a:"));
        QCOMPARE(file.settings.DataFolder, QStringLiteral("b"));
        QCOMPARE(file.settings.DatabaseFileName, QString());
        QCOMPARE(file.settings.PcUserNumber, 0);

        // The last line needs no line end; a very long line is read whole.
        const QByteArray longFolder(5000, 'f');
        file = ParseSettingsFile("p:\r\n" + longFolder + "\r\nLAST", true);
        QCOMPARE(file.settings.DataFolder.size(), 5000);
        QCOMPARE(file.settings.DatabaseFileName, QStringLiteral("LAST"));
    }

    void readFailurePartWayKeepsDefaultsForTheRest()
    {
        // Only two whole lines arrived before the failure; the third is cut off.
        const SettingsFileContent file = ParseSettingsFile("q:\r\n/d/\r\nHALF", false);
        QCOMPARE(file.linesRead, 2);
        QCOMPARE(file.settings.ServerPrefix, QStringLiteral("q:"));
        QCOMPARE(file.settings.DataFolder, QStringLiteral("/d/"));
        QCOMPARE(file.settings.DatabaseFileName, QStringLiteral("PAINT.FDB"));
        QCOMPARE(file.settings.ImageListWidth, 320);
        QVERIFY(!file.HasLine(settings_lines::kMainLeft));
    }

    void japaneseTextIsStoredAsCp932()
    {
        Settings s;
        s.PcUserName = QString::fromUtf8("山田");
        const QByteArray bytes = FormatSettingsFile(s, WindowPlacements());
        QCOMPARE(bytes.split('\n').at(4), Sjis("山田") + "\r");
        QCOMPARE(bytes.count("\r\n"), 39);
        QCOMPARE(bytes.split('\n').size(), 40);
    }

    void saveThenLoadKeepsEveryValue()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("oekaki.dat");
        const Settings saved = EverySettingChanged();
        WindowPlacements windows;
        windows.mainWindow = QRect(-10, 20, 640, 480);
        for (int d = 0; d < kPlacedDialogCount; ++d) windows.dialogs[d] = QPoint(100 + d, 200 - d);
        QVERIFY(WriteSettingsFile(path, saved, windows));

        const SettingsFileContent file = ReadSettingsFile(path);
        QCOMPARE(file.linesRead, 39);
        CompareSettings(file.settings, saved);
        QCOMPARE(file.windows.mainWindow, windows.mainWindow);
        for (int d = 0; d < kPlacedDialogCount; ++d)
            QCOMPARE(file.windows.dialogs[d], windows.dialogs[d]);
    }

    void lineBreaksInsideAValueCannotShiftTheLines()
    {
        Settings s;
        s.PcUserName = QStringLiteral("two\r\nlines\x1A");
        s.PcUserNumber = 4;
        const SettingsFileContent file =
            ParseSettingsFile(FormatSettingsFile(s, WindowPlacements()), true);
        QCOMPARE(file.settings.PcUserName, QStringLiteral("twolines"));
        QCOMPARE(file.settings.PcUserNumber, 4);
        QCOMPARE(file.settings.PenSize, 1);
    }

    void failedWriteKeepsThePreviousFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("oekaki.dat");
        Settings first;
        first.DataFolder = QStringLiteral("/kept/");
        first.PcUserNumber = 3;
        QVERIFY(WriteSettingsFile(path, first, WindowPlacements()));
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray before = old.readAll();
        old.close();

        // The disk takes no more than 16 bytes of a new file (this holds for root as well).
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 16;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        Settings second;
        second.DataFolder = QStringLiteral("/lost/");
        const bool written = WriteSettingsFile(path, second, WindowPlacements());
        setrlimit(RLIMIT_FSIZE, &saved);

        QVERIFY(!written);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), before);
        QCOMPARE(ReadSettingsFile(path).settings.DataFolder, QStringLiteral("/kept/"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"oekaki.dat"});
    }

    void unwritableFolderLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath("notadir"); // a file where a folder should be
        QFile(blocker).open(QIODevice::WriteOnly);
        QVERIFY(!WriteSettingsFile(blocker + "/oekaki.dat", Settings(), WindowPlacements()));
        QVERIFY(!QFile::exists(blocker + "/oekaki.dat"));
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "test_settings_file.moc"
