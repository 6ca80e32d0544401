#pragma once
// Hostile settings files, made from a seed so that any failure can be made again, and the
// check one file must pass: loaded and applied to a main window, no value below its minimum,
// and the file written back well formed (39 CRLF lines) and read back as the values in memory.

#include <QByteArray>
#include <QString>

class TForm1;

namespace settings_fuzz {

// The same seed gives the same bytes on every run and every machine.
QByteArray GenerateFile(quint32 seed);
// What kind of damage a seed makes, for reports.
QString KindOf(quint32 seed);

// Loads `bytes` (written to `folder`) into form1 as its settings, saves them again and checks
// everything it can. Empty when the file passed; otherwise what went wrong.
QString TryFile(TForm1 &form1, const QString &folder, const QByteArray &bytes);

} // namespace settings_fuzz
