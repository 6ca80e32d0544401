#pragma once
// Text crosses into and out of the database, the settings file and the byte-limited edits as
// Windows code page 932 bytes, so that every PC reads exactly what another PC wrote.
//
// Decoding never loses a byte: the single bytes the code page leaves unassigned decode as
// Windows decodes them (0x80 -> U+0080, 0xA0 -> U+F8F0, 0xFD..0xFF -> U+F8F1..U+F8F3), and a
// lead byte that starts no character (at the end of the text, before a byte that cannot
// follow it, or opening an unassigned pair) decodes to the lone surrogate U+DC00 + byte, which
// no typed or decoded character can be. All of these encode back to their byte, so text read
// and written unchanged keeps its bytes. The one exception is a character with two codes
// (the NEC and IBM duplicates): it is written in the code Windows writes for it.

#include <QByteArray>
#include <QString>

namespace cp932 {

// Encodes text as CP932. Returns false (and leaves `out` unspecified) when a character has no
// CP932 form; callers refuse such text instead of storing a substitute.
bool Encode(const QString &text, QByteArray &out);

// Encodes text that callers have already checked; a character without a CP932 form is
// written as '?'.
QByteArray EncodeLossy(const QString &text);

// Number of CP932 bytes the text takes, or -1 when it cannot be encoded.
int ByteLength(const QString &text);

QString Decode(const char *bytes, int length);
inline QString Decode(const QByteArray &bytes)
{
    return Decode(bytes.constData(), int(bytes.size()));
}

// Decodes into an existing string, reusing its storage: the row readers call this for every
// field of every row, so plain ASCII (all numbers) must not allocate.
void DecodeInto(QString &target, const char *bytes, int length);

} // namespace cp932
