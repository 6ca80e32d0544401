#include "cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace cp932 {
namespace {

bool IsAscii(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

bool IsAscii(const char *bytes, int length)
{
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
    return true;
}

} // namespace

bool Encode(const QString &text, QByteArray &out)
{
    if (IsAscii(text)) {
        out = text.toLatin1();
        return true;
    }
    QStringEncoder encoder("CP932");
    out = encoder.encode(text);
    return !encoder.hasError();
}

QByteArray EncodeLossy(const QString &text)
{
    QByteArray out;
    Encode(text, out);
    return out;
}

bool CanEncode(const QString &text)
{
    QByteArray ignored;
    return Encode(text, ignored);
}

int ByteLength(const QString &text)
{
    QByteArray bytes;
    return Encode(text, bytes) ? int(bytes.size()) : -1;
}

QString Decode(const char *bytes, int length)
{
    QString text;
    DecodeInto(text, bytes, length);
    return text;
}

void DecodeInto(QString &target, const char *bytes, int length)
{
    if (IsAscii(bytes, length)) {
        target.resize(length);
        QChar *out = target.data();
        for (int i = 0; i < length; ++i) out[i] = QChar(static_cast<unsigned char>(bytes[i]));
        return;
    }
    QStringDecoder decoder("CP932");
    target = decoder.decode(QByteArrayView(bytes, length));
}

} // namespace cp932
