#include "settings.h"

#include "cp932.h"
#include "text_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <climits>

namespace {

constexpr int kLineCount = 39;
constexpr char kCtrlZ = 0x1A;

// The values of the lines present in the bytes. A CR not followed by LF is dropped, Ctrl-Z ends
// the file. When the bytes are only what was read before a failure, an unfinished last line is
// not a value.
QList<QByteArray> SplitLines(QByteArray bytes, bool readCompletely)
{
    const int end = int(bytes.indexOf(kCtrlZ));
    if (end >= 0) {
        bytes.truncate(end);
        readCompletely = true;
    }
    QList<QByteArray> lines = bytes.split('\n');
    if (!readCompletely) lines.removeLast();
    for (QByteArray &line : lines) line.replace('\r', QByteArray());
    return lines;
}

// A text value must stay on its own line: a line break or Ctrl-Z inside it would shift or cut
// every line after it.
QByteArray TextLine(const QString &value)
{
    QByteArray bytes = cp932::EncodeLossy(value);
    bytes.replace('\r', QByteArray()).replace('\n', QByteArray()).replace(kCtrlZ, QByteArray());
    return bytes;
}

} // namespace

QString DatabasePath(const Settings &settings)
{
    return settings.ServerPrefix + settings.DataFolder + settings.DatabaseFileName;
}

int settings_lines::DialogLeft(PlacedDialog dialog)
{
    switch (dialog) {
    case PlacedDialog::Form2: return 10;
    case PlacedDialog::Form3: return 12;
    case PlacedDialog::Form4: return 14;
    case PlacedDialog::Form5: return 16;
    case PlacedDialog::Form9: return 34;
    case PlacedDialog::Form11: return 38;
    }
    return 0;
}

SettingsFileContent ParseSettingsFile(const QByteArray &bytes, bool readCompletely)
{
    const QList<QByteArray> lines = SplitLines(bytes, readCompletely);
    SettingsFileContent file;
    file.linesRead = readCompletely || bytes.contains(kCtrlZ)
                         ? kLineCount
                         : std::min<int>(kLineCount, int(lines.size()));

    auto text = [&](int line) {
        return line <= lines.size() ? cp932::Decode(lines[line - 1]) : QString();
    };
    auto setText = [&](int line, QString &field) {
        if (file.HasLine(line)) field = text(line);
    };
    auto setNumber = [&](int line, int &field, int minimum = INT_MIN) {
        if (file.HasLine(line)) field = std::max(StrToIntOrZero(text(line)), minimum);
    };

    Settings &s = file.settings;
    setText(1, s.ServerPrefix);
    setText(2, s.DataFolder);
    setText(3, s.DatabaseFileName);
    setNumber(4, s.PcUserNumber);
    setText(5, s.PcUserName);

    WindowPlacements &w = file.windows;
    int left = 0, top = 0, width = 0, height = 0;
    setNumber(settings_lines::kMainLeft, left);
    setNumber(settings_lines::kMainTop, top);
    setNumber(settings_lines::kMainWidth, width);
    setNumber(settings_lines::kMainHeight, height);
    w.mainWindow = QRect(left, top, width, height);
    for (int d = 0; d < kPlacedDialogCount; ++d) {
        const int line = settings_lines::DialogLeft(PlacedDialog(d));
        setNumber(line, w.dialogs[d].rx());
        setNumber(line + 1, w.dialogs[d].ry());
    }

    setNumber(18, s.ImageListWidth, 80);
    setNumber(19, s.ImageListHeight, 80);
    for (int c = 0; c < 7; ++c) setNumber(20 + c, s.ImageListColumnWidths[c], 32);
    setNumber(27, s.ImageListPanelHeight, 10);
    setNumber(28, s.DrawWindowWidth);
    setNumber(29, s.DrawWindowHeight);
    setText(30, s.BitmapFolder);
    setNumber(31, s.PenShape);
    setNumber(32, s.PenSize);
    setNumber(33, s.PenColor);
    setNumber(36, s.ChatWindowWidth);
    setNumber(37, s.ChatWindowHeight);
    return file;
}

QByteArray FormatSettingsFile(const Settings &s, const WindowPlacements &w)
{
    QList<QByteArray> lines;
    auto number = [&lines](int value) { lines << QByteArray::number(value); };
    auto dialog = [&](PlacedDialog d) {
        number(w.dialogs[int(d)].x());
        number(w.dialogs[int(d)].y());
    };

    lines << TextLine(s.ServerPrefix) << TextLine(s.DataFolder) << TextLine(s.DatabaseFileName);
    number(s.PcUserNumber);
    lines << TextLine(s.PcUserName);
    number(w.mainWindow.x());
    number(w.mainWindow.y());
    number(w.mainWindow.width());
    number(w.mainWindow.height());
    dialog(PlacedDialog::Form2);
    dialog(PlacedDialog::Form3);
    dialog(PlacedDialog::Form4);
    dialog(PlacedDialog::Form5);
    number(s.ImageListWidth);
    number(s.ImageListHeight);
    for (int width : s.ImageListColumnWidths) number(width);
    number(s.ImageListPanelHeight);
    number(s.DrawWindowWidth);
    number(s.DrawWindowHeight);
    lines << TextLine(s.BitmapFolder);
    number(s.PenShape);
    number(s.PenSize);
    number(s.PenColor);
    dialog(PlacedDialog::Form9);
    number(s.ChatWindowWidth);
    number(s.ChatWindowHeight);
    dialog(PlacedDialog::Form11);

    QByteArray bytes;
    for (const QByteArray &line : lines) bytes += line + "\r\n";
    return bytes;
}

SettingsFileContent ReadSettingsFile(const QString &path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        SettingsFileContent defaults;
        defaults.linesRead = 0;
        return defaults;
    }
    QByteArray bytes;
    char chunk[4096];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0) return ParseSettingsFile(bytes, false); // failed part-way
        if (got == 0) break;
        bytes.append(chunk, got);
    }
    return ParseSettingsFile(bytes, true);
}

bool WriteSettingsFile(const QString &path, const Settings &settings,
                       const WindowPlacements &windows)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = FormatSettingsFile(settings, windows);
    // flush() before commit(): Qt's commit reports success even when the buffered bytes could
    // not all reach the disk, and would then replace the good file with a truncated one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString SettingsFilePathFor(const QString &programFilePath, const QString &userConfigFolder)
{
    const QFileInfo program(programFilePath);
    const QString name = program.completeBaseName() + QStringLiteral(".dat");
    if (QFileInfo(program.absolutePath()).isWritable()) return program.absoluteDir().filePath(name);
    return QDir(userConfigFolder).filePath(QStringLiteral("oekaki/") + name);
}

QString DefaultSettingsFilePath()
{
    const QString path = SettingsFilePathFor(
        QCoreApplication::applicationFilePath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QDir().mkpath(QFileInfo(path).absolutePath()); // the user's folder, at the first start
    return path;
}
