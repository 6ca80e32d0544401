#pragma once
// Text crosses into and out of the database, the settings file and the byte-limited edits as
// Windows code page 932 bytes, so that every PC reads exactly what another PC wrote.

#include <QByteArray>
#include <QString>

namespace cp932 {

// Encodes text as CP932. Returns false (and leaves `out` unspecified) when a character has no
// CP932 form; callers refuse such text instead of storing a substitute.
bool Encode(const QString &text, QByteArray &out);

// Encodes text whose characters are all known to exist in CP932; others become '?'.
QByteArray EncodeLossy(const QString &text);

// True when every character of the text has a CP932 form.
bool CanEncode(const QString &text);

// Number of CP932 bytes the text takes, or -1 when it cannot be encoded.
int ByteLength(const QString &text);

QString Decode(const char *bytes, int length);
inline QString Decode(const QByteArray &bytes)
{
    return Decode(bytes.constData(), bytes.size());
}

// Decodes into an existing string, reusing its storage: the row readers call this for every
// field of every row, so plain ASCII (all numbers) must not allocate.
void DecodeInto(QString &target, const char *bytes, int length);

} // namespace cp932
