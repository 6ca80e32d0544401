#pragma once
// Per-PC settings: where the shared database lives, who uses this PC, window sizes and the last
// pen. Kept in memory in one Settings record and on disk in a 39-line CP932 text file beside the
// program, one value per line, meaning by position.

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>
#include <array>

struct Settings {
    QString ServerPrefix = QStringLiteral("localhost:");
    QString DataFolder;
    QString DatabaseFileName = QStringLiteral("PAINT.FDB");
    int PcUserNumber = 0; // MEMBER.N of this PC's user; 0 = none registered
    QString PcUserName;
    int ImageListWidth = 320;
    int ImageListHeight = 240;
    std::array<int, 7> ImageListColumnWidths{64, 64, 64, 64, 64, 64, 64};
    int ImageListPanelHeight = 32;
    int DrawWindowWidth = 320;
    int DrawWindowHeight = 240;
    QString BitmapFolder;
    int PenShape = 0;
    int PenSize = 1;
    int PenColor = 0; // 0x00BBGGRR
    int ChatWindowWidth = 320;
    int ChatWindowHeight = 240;
};

// ServerPrefix + DataFolder + DatabaseFileName, joined with nothing in between.
QString DatabasePath(const Settings &settings);

// The start-up dialogs whose screen position the file keeps.
enum class PlacedDialog { Form2, Form3, Form4, Form5, Form9, Form11 };
constexpr int kPlacedDialogCount = 6;

struct WindowPlacements {
    QRect mainWindow;                                 // left, top, width, height
    std::array<QPoint, kPlacedDialogCount> dialogs{}; // left, top, by PlacedDialog
};

struct SettingsFileContent {
    Settings settings;
    WindowPlacements windows;
    // How many of the 39 lines were read. A whole file counts as 39, its missing lines reading
    // as empty text; a read that failed part-way counts only the lines read before the failure,
    // and the values of the other lines keep their defaults (windows: stay where they are).
    int linesRead = 0;
    bool HasLine(int line) const { return line <= linesRead; } // lines count from 1
};

// Line numbers of the window values, for callers that apply them one by one.
namespace settings_lines {
constexpr int kMainLeft = 6, kMainTop = 7, kMainWidth = 8, kMainHeight = 9;
int DialogLeft(PlacedDialog dialog); // the top follows on the next line
} // namespace settings_lines

SettingsFileContent ParseSettingsFile(const QByteArray &bytes, bool readCompletely);
QByteArray FormatSettingsFile(const Settings &settings, const WindowPlacements &windows);

// The file's content; linesRead is 0 when there is no file or it cannot be opened.
SettingsFileContent ReadSettingsFile(const QString &path);
// Writes beside the old file and replaces it only once the new one is complete, so a failed
// write never loses the database location or the PC user. Returns false on failure.
bool WriteSettingsFile(const QString &path, const Settings &settings,
                       const WindowPlacements &windows);

// Where a program file keeps its settings: beside it, same base name with ".dat", when its
// folder may be written (as always, and as copies of the program expect); otherwise, as for a
// program installed in /usr/bin, under the same name in the folder "oekaki" of the user's
// configuration folder. The bytes are the same either way.
QString SettingsFilePathFor(const QString &programFilePath, const QString &userConfigFolder);
// The same for this program and this user (QStandardPaths' configuration folder, ~/.config),
// whose folder it makes when it is not there yet.
QString DefaultSettingsFilePath();
