#include "settings_fuzz.h"

#include "cp932.h"
#include "main_window.h"
#include "settings.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <climits>

namespace settings_fuzz {
namespace {

constexpr int kLines = 39;
const std::array<int, 5> kTextLines{1, 2, 3, 5, 30};

bool IsTextLine(int line)
{
    return std::find(kTextLines.begin(), kTextLines.end(), line) != kTextLines.end();
}

enum Kind {
    kRandomBytes,
    kTruncated,
    kOverLongLines,
    kOddNumbers,
    kLoneCr,
    kCtrlZInside,
    kInvalidCp932,
    kTooFewLines,
    kTooManyLines,
    kMixed,
    kKindCount
};

const char *const kKindNames[kKindCount] = {
    "random bytes",   "truncated",      "over-long lines", "huge and negative numbers",
    "lone CR",        "Ctrl-Z inside",  "invalid CP932",   "too few lines",
    "too many lines", "several at once"};

class Maker {
public:
    explicit Maker(quint32 seed) : random_(seed) {}

    int Below(int n) { return n <= 0 ? 0 : int(random_.bounded(quint32(n))); }
    bool OneIn(int n) { return Below(n) == 0; }

    QByteArray Number()
    {
        // clang-format off
        static const char *const odd[] = {
            "2147483647", "-2147483648", "2147483648", "-2147483649", "99999999999999999999",
            "$FFFFFFFF", "$7FFFFFFF", "0x80000000", "-0", "+", "-", " 12", "12 ", "1e9", "0x", "$",
            "--5", "+-5", "\t7", "0", "-1", "-100000", "16777216", "1000000", "x1F", "１２",
            "00000000000000000000000000012", "", " "
        };
        // clang-format on
        switch (Below(4)) {
        case 0: return QByteArray(odd[Below(int(std::size(odd)))]);
        case 1: return QByteArray::number(qint32(random_.generate()));
        case 2: return QByteArray::number(Below(2000) - 200);
        default: return QByteArray::number(Below(100000) * (OneIn(3) ? -1 : 1));
        }
    }

    QByteArray Text(int maxChars)
    {
        // clang-format off
        static const char *const words[] = {
            "localhost:", "192.168.0.10/3050:", "/var/lib/oekaki/", "PAINT.FDB", "C:\\data\\",
            "\x95\x5C", "\x83\x5C", "\x8E\x52\x93\x63", "\x81\x60", "\x87\x40", "\xB1\xB2",
            "'; DROP TABLE MEMBER; --", "\"", "%", "\\"
        };
        // clang-format on
        QByteArray text;
        const int n = Below(maxChars + 1);
        for (int i = 0; i < n; ++i) text += words[Below(int(std::size(words)))];
        return text;
    }

    // Bytes CP932 has no character for, or that start one and never finish it.
    QByteArray InvalidCp932()
    {
        // clang-format off
        static const char *const bad[] = {
            "\x81", "\x9F", "\xE0", "\xFC", "\x80", "\xA0", "\xFD", "\xFE", "\xFF", "\x85\x40",
            "\xEB\x40", "\xF0\x40", "\x81\x7F", "\x81\xFD", "\x81\x0A", "\x81\x0D", "\x81\x1A",
            "\x00", "\x81\x27", "\xED\x40", "\xFA\x40", "\xEE\xEF", "\x87\x90"
        };
        // clang-format on
        QByteArray text;
        const int n = 1 + Below(6);
        for (int i = 0; i < n; ++i) {
            text += bad[Below(int(std::size(bad)))];
            if (OneIn(2)) text += "a";
        }
        return text;
    }

    QByteArray RandomBytes(int maxLength)
    {
        QByteArray bytes;
        const int n = Below(maxLength + 1);
        bytes.reserve(n);
        for (int i = 0; i < n; ++i) {
            // Line ends and Ctrl-Z often enough to make lines, lead bytes to make pairs.
            switch (Below(10)) {
            case 0: bytes += OneIn(2) ? "\r\n" : "\n"; break;
            case 1: bytes += char(OneIn(8) ? 0x1A : '\r'); break;
            case 2: bytes += char(0x81 + Below(0x1F)); break;
            case 3: bytes += char('0' + Below(10)); break;
            default: bytes += char(Below(256));
            }
        }
        return bytes;
    }

    QList<QByteArray> WellFormedLines()
    {
        QList<QByteArray> lines;
        for (int line = 1; line <= kLines; ++line)
            lines << (IsTextLine(line) ? Text(4) : QByteArray::number(Below(1200) - 100));
        return lines;
    }

    static QByteArray Join(const QList<QByteArray> &lines)
    {
        QByteArray bytes;
        for (const QByteArray &line : lines) bytes += line + "\r\n";
        return bytes;
    }

    // One kind of damage done to well-formed lines (or to their bytes).
    void Damage(Kind kind, QList<QByteArray> &lines, QByteArray &tail)
    {
        while (lines.size() < 2) lines << QByteArray(); // after "too few lines", in a mix
        switch (kind) {
        case kOverLongLines: {
            const int count = 1 + Below(3);
            for (int i = 0; i < count; ++i) {
                QByteArray &line = lines[Below(int(lines.size()))];
                const int length = 1000 << Below(8); // up to 128 KB
                line = OneIn(2) ? QByteArray(length, '9')
                                : Text(1).repeated(1 + length / 8).left(length);
            }
            break;
        }
        case kOddNumbers:
            for (int line = 1; line <= int(lines.size()); ++line)
                if (!IsTextLine(line) || OneIn(4)) lines[line - 1] = Number();
            break;
        case kLoneCr: {
            const int count = 1 + Below(8);
            for (int i = 0; i < count; ++i) {
                QByteArray &line = lines[Below(int(lines.size()))];
                line.insert(Below(int(line.size()) + 1), '\r');
            }
            // A line ended by a lone CR joins the next one.
            const int joined = Below(int(lines.size()) - 1);
            lines[joined] += '\r' + lines[joined + 1];
            lines.removeAt(joined + 1);
            break;
        }
        case kCtrlZInside: {
            QByteArray &line = lines[Below(int(lines.size()))];
            line.insert(Below(int(line.size()) + 1), '\x1A');
            break;
        }
        case kInvalidCp932:
            for (int line : kTextLines)
                if (line <= lines.size() && !OneIn(3)) lines[line - 1] = InvalidCp932();
            if (OneIn(2)) lines[Below(int(lines.size()))] = InvalidCp932();
            break;
        case kTooFewLines: lines = lines.mid(0, Below(kLines)); break;
        case kTooManyLines: {
            const int extra = 1 + Below(OneIn(4) ? 5000 : 40);
            for (int i = 0; i < extra; ++i) lines << (OneIn(2) ? Number() : Text(3));
            break;
        }
        case kTruncated: tail = "truncate"; break;
        default: break;
        }
    }

    QByteArray File(Kind kind)
    {
        if (kind == kRandomBytes) return RandomBytes(OneIn(10) ? 100000 : 3000);
        QList<QByteArray> lines = WellFormedLines();
        QByteArray tail;
        if (kind == kMixed) {
            const int count = 2 + Below(3);
            for (int i = 0; i < count; ++i) Damage(Kind(1 + Below(kMixed - 1)), lines, tail);
        } else {
            Damage(kind, lines, tail);
        }
        QByteArray bytes = Join(lines);
        if (!tail.isEmpty()) bytes.truncate(Below(int(bytes.size()) + 1));
        if (kind == kMixed && OneIn(3)) bytes.chop(2); // no line end after the last line
        return bytes;
    }

private:
    QRandomGenerator random_;
};

// The values of a file as the reader sees them: Ctrl-Z ends it, CR is dropped.
QList<QByteArray> ReaderLines(QByteArray bytes)
{
    const qsizetype end = bytes.indexOf('\x1A');
    if (end >= 0) bytes.truncate(end);
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines) line.replace('\r', QByteArray());
    return lines;
}

QString Differs(const char *what, const QString &got, const QString &expected)
{
    return QStringLiteral("%1: %2, expected %3").arg(QLatin1String(what), got, expected);
}

#define SAME_NUMBER(what, got, expected)                                                           \
    if ((got) != (expected)) return Differs(what, QString::number(got), QString::number(expected));

QString CompareValues(const Settings &a, const Settings &b)
{
    const std::array<std::pair<const char *, std::pair<QString, QString>>, 5> texts{{
        {"ServerPrefix", {a.ServerPrefix, b.ServerPrefix}},
        {"DataFolder", {a.DataFolder, b.DataFolder}},
        {"DatabaseFileName", {a.DatabaseFileName, b.DatabaseFileName}},
        {"PcUserName", {a.PcUserName, b.PcUserName}},
        {"BitmapFolder", {a.BitmapFolder, b.BitmapFolder}},
    }};
    for (const auto &[name, pair] : texts)
        if (pair.first != pair.second) return Differs(name, pair.first, pair.second);
    SAME_NUMBER("PcUserNumber", a.PcUserNumber, b.PcUserNumber)
    SAME_NUMBER("ImageListWidth", a.ImageListWidth, b.ImageListWidth)
    SAME_NUMBER("ImageListHeight", a.ImageListHeight, b.ImageListHeight)
    for (int c = 0; c < 7; ++c)
        SAME_NUMBER("ImageListColumnWidths", a.ImageListColumnWidths[c], b.ImageListColumnWidths[c])
    SAME_NUMBER("ImageListPanelHeight", a.ImageListPanelHeight, b.ImageListPanelHeight)
    SAME_NUMBER("DrawWindowWidth", a.DrawWindowWidth, b.DrawWindowWidth)
    SAME_NUMBER("DrawWindowHeight", a.DrawWindowHeight, b.DrawWindowHeight)
    SAME_NUMBER("PenShape", a.PenShape, b.PenShape)
    SAME_NUMBER("PenSize", a.PenSize, b.PenSize)
    SAME_NUMBER("PenColor", a.PenColor, b.PenColor)
    SAME_NUMBER("ChatWindowWidth", a.ChatWindowWidth, b.ChatWindowWidth)
    SAME_NUMBER("ChatWindowHeight", a.ChatWindowHeight, b.ChatWindowHeight)
    return QString();
}

QString CheckMinimums(const Settings &s)
{
    if (s.ImageListWidth < 80 || s.ImageListHeight < 80) return QStringLiteral("list size < 80");
    for (int w : s.ImageListColumnWidths)
        if (w < 32) return QStringLiteral("column width < 32");
    if (s.ImageListPanelHeight < 10) return QStringLiteral("panel height < 10");
    return QString();
}

// 39 lines, each ended by CR LF, with no line end or Ctrl-Z inside a value.
QString CheckWellFormed(const QByteArray &written)
{
    if (!written.endsWith("\r\n")) return QStringLiteral("written file does not end with CR LF");
    QList<QByteArray> lines = written.split('\n');
    lines.removeLast();
    if (lines.size() != kLines)
        return QStringLiteral("written file has %1 lines").arg(lines.size());
    for (int i = 0; i < kLines; ++i) {
        const QByteArray value = lines[i].chopped(1);
        if (!lines[i].endsWith('\r') || value.contains('\r') || value.contains('\x1A'))
            return QStringLiteral("written line %1 is broken").arg(i + 1);
        if (!IsTextLine(i + 1) && value != QByteArray::number(value.toInt()))
            return QStringLiteral("written line %1 is no plain number: %2")
                .arg(i + 1)
                .arg(QString::fromLatin1(value.left(40)));
    }
    return QString();
}

} // namespace

QByteArray GenerateFile(quint32 seed)
{
    Maker maker(seed);
    return maker.File(Kind(seed % kKindCount));
}

QString KindOf(quint32 seed)
{
    return QString::fromLatin1(kKindNames[seed % kKindCount]);
}

QString TryFile(TForm1 &form1, const QString &folder, const QByteArray &bytes)
{
    const QString in = QDir(folder).filePath(QStringLiteral("in.dat"));
    const QString out = QDir(folder).filePath(QStringLiteral("out.dat"));
    {
        QFile file(in);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return QStringLiteral("cannot write the file to try");
    }
    form1.LoadSettings(in);
    QCoreApplication::processEvents(); // the window takes its new place and size

    const Settings loaded = form1.settings();
    if (QString fault = CheckMinimums(loaded); !fault.isEmpty()) return fault;
    if (form1.width() < 1 || form1.height() < 1) return QStringLiteral("main window has no size");

    // The text values are what the file said, character for character.
    const QList<QByteArray> lines = ReaderLines(bytes);
    const std::array<std::pair<int, QString>, 5> texts{{{1, loaded.ServerPrefix},
                                                        {2, loaded.DataFolder},
                                                        {3, loaded.DatabaseFileName},
                                                        {5, loaded.PcUserName},
                                                        {30, loaded.BitmapFolder}}};
    for (const auto &[line, value] : texts) {
        const QString expected = line <= lines.size() ? cp932::Decode(lines[line - 1]) : QString();
        if (value != expected) return QStringLiteral("text line %1 read wrongly").arg(line);
    }

    if (!form1.SaveSettings(out)) return QStringLiteral("settings not written");
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("written file cannot be read");
    const QByteArray written = file.readAll();
    if (QString fault = CheckWellFormed(written); !fault.isEmpty()) return fault;

    // What the reader reads back is what the program held.
    const SettingsFileContent back = ParseSettingsFile(written, true);
    if (QString fault = CompareValues(back.settings, loaded); !fault.isEmpty())
        return QStringLiteral("read back: ") + fault;
    if (back.windows.mainWindow != QRect(form1.pos(), form1.size()))
        return QStringLiteral("main window read back elsewhere");
    for (int d = 0; d < kPlacedDialogCount; ++d) {
        const QDialog *dialog = form1.StartupDialog(PlacedDialog(d));
        if (dialog && back.windows.dialogs[d] != dialog->pos())
            return QStringLiteral("dialog %1 read back elsewhere").arg(d);
    }
    // And written once more, the bytes do not change.
    if (FormatSettingsFile(back.settings, back.windows) != written)
        return QStringLiteral("second write differs from the first");
    return QString();
}

} // namespace settings_fuzz
