#include "cp932.h"

#include <QStringDecoder>
#include <QStringList>

#include <array>
#include <unordered_map>
#include <vector>

namespace cp932 {
namespace {

bool IsLeadByte(unsigned b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsTrailByte(unsigned b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

int LeadIndex(unsigned lead)
{
    return lead <= 0x9F ? int(lead) - 0x81 : int(lead) - 0xE0 + 31;
}

constexpr int kLeadCount = 31 + 29;
constexpr char16_t kEscapeBase = 0xDC00;

// The character of a byte that stands alone, 0 for a lead byte.
char16_t SingleByteChar(unsigned b)
{
    if (b < 0x80) return char16_t(b);
    if (b >= 0xA1 && b <= 0xDF) return char16_t(0xFF61 + (b - 0xA1)); // half-width katakana
    if (b == 0x80) return 0x0080;
    if (b == 0xA0) return 0xF8F0;
    if (b >= 0xFD) return char16_t(0xF8F1 + (b - 0xFD));
    return 0;
}

// The double-byte table comes from the system's converter once; everything else is fixed
// here. The converter is not used per call: it maps 0x1A, 0x1C and 0x7F to other control
// characters, and it substitutes for the bytes decoded above instead of keeping them.
struct Tables {
    std::array<char16_t, kLeadCount * 256> pairs{}; // lead index * 256 + trail; 0 unassigned
    std::vector<quint16> codes;                     // per UTF-16 unit: byte, or lead << 8 | trail
    // The other codes of a character with more than one, any of which it may have been read as.
    std::unordered_map<char16_t, std::vector<quint16>> otherCodes;

    Tables() : codes(0x10000, 0)
    {
        // Every pair in one call, each followed by a line feed, which no trail byte can be.
        QByteArray all;
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(lead)) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsTrailByte(trail)) continue;
                all.append(char(lead)).append(char(trail)).append('\n');
            }
        }
        QStringDecoder decoder("CP932");
        const QString decoded = decoder.isValid() ? decoder.decode(all) : QString();
        const QStringList chars = decoded.split(QLatin1Char('\n'));
        int k = 0;
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(lead)) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsTrailByte(trail)) continue;
                const QString c = chars.value(k++);
                if (c.size() == 1 && c[0].unicode() >= 0x80 && c[0].unicode() != 0xFFFD)
                    pairs[LeadIndex(lead) * 256 + trail] = c[0].unicode();
            }
        }

        for (unsigned b = 0x80; b <= 0xFF; ++b) {
            if (const char16_t c = SingleByteChar(b)) codes[c] = quint16(b);
            if (IsLeadByte(b)) codes[kEscapeBase + b] = quint16(b);
        }
        // A character with two codes is written as Windows writes it: the lower code, except
        // that the IBM extensions (FA..FC) win over NEC's selection of them (ED, EE).
        for (const bool necSelected : {false, true}) {
            for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
                if (!IsLeadByte(lead) || (lead == 0xED || lead == 0xEE) != necSelected) continue;
                for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                    const char16_t c = pairs[LeadIndex(lead) * 256 + trail];
                    const quint16 code = quint16(lead << 8 | trail);
                    if (c && !codes[c])
                        codes[c] = code;
                    else if (c && codes[c] != code)
                        otherCodes[c].push_back(code);
                }
            }
        }
    }
};

const Tables &Table()
{
    static const Tables tables;
    return tables;
}

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

// The CP932 code of one UTF-16 unit: a byte, a lead << 8 | trail pair, or 0 when it has none.
quint16 CodeOf(char16_t c, const Tables &tables)
{
    return c < 0x80 ? quint16(c) : tables.codes[c];
}

// The code of a double-byte character written right after a stray lead byte. Its usual code
// could pair with that byte into another character, and the two would read back as something
// else; but the character was read after that byte in one of its codes that does not pair, so
// one exists: that one is written.
quint16 CodeAfterStrayLead(char16_t c, quint16 code, unsigned strayLead, const Tables &tables)
{
    auto pairs = [&](quint16 candidate) {
        return tables.pairs[LeadIndex(strayLead) * 256 + (candidate >> 8)] != 0;
    };
    if (!pairs(code)) return code;
    const auto others = tables.otherCodes.find(c);
    if (others == tables.otherCodes.end()) return code;
    for (quint16 other : others->second)
        if (!pairs(other)) return other;
    return code;
}

// Writes the text's bytes to `out` (room for two per character); a character without a code
// becomes `substitute`, or ends the encoding when that is 0. Returns the byte count or -1.
int EncodeTo(const QString &text, char *out, char substitute)
{
    const Tables &tables = Table();
    int n = 0;
    bool afterHighSurrogate = false;
    unsigned strayLead = 0; // the lead byte just written alone, if any
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        quint16 code = CodeOf(c, tables);
        if (strayLead && code > 0xFF) code = CodeAfterStrayLead(c, code, strayLead, tables);
        strayLead = code && c > kEscapeBase && c <= kEscapeBase + 0xFF ? c - kEscapeBase : 0;
        const bool secondHalf = afterHighSurrogate && QChar::isLowSurrogate(c);
        afterHighSurrogate = QChar::isHighSurrogate(c);
        if ((code == 0 && c != 0) || secondHalf) {
            if (!substitute) return -1;
            if (!secondHalf) out[n++] = substitute; // a surrogate pair is one character
        } else if (code > 0xFF) {
            out[n++] = char(code >> 8);
            out[n++] = char(code & 0xFF);
        } else {
            out[n++] = char(code);
        }
    }
    return n;
}

} // namespace

bool Encode(const QString &text, QByteArray &out)
{
    if (IsAscii(text)) {
        out = text.toLatin1();
        return true;
    }
    out.resize(text.size() * 2);
    const int n = EncodeTo(text, out.data(), 0);
    if (n < 0) return false;
    out.truncate(n);
    return true;
}

QByteArray EncodeLossy(const QString &text)
{
    if (IsAscii(text)) return text.toLatin1();
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    out.truncate(EncodeTo(text, out.data(), '?'));
    return out;
}

int ByteLength(const QString &text)
{
    const Tables *tables = nullptr;
    int n = 0;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80) {
            ++n;
            continue;
        }
        if (!tables) tables = &Table();
        const quint16 code = tables->codes[c];
        if (code == 0) return -1;
        n += code > 0xFF ? 2 : 1;
    }
    return n;
}

QString Decode(const char *bytes, int length)
{
    QString text;
    DecodeInto(text, bytes, length);
    return text;
}

void DecodeInto(QString &target, const char *bytes, int length)
{
    target.resize(length); // never more characters than bytes
    QChar *out = target.data();
    if (IsAscii(bytes, length)) {
        for (int i = 0; i < length; ++i) out[i] = QChar(static_cast<unsigned char>(bytes[i]));
        return;
    }
    const Tables &tables = Table();
    int n = 0;
    for (int i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (IsLeadByte(b)) {
            const auto trail = i + 1 < length ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
            const char16_t c = IsTrailByte(trail) ? tables.pairs[LeadIndex(b) * 256 + trail] : 0;
            if (c) {
                out[n++] = QChar(c);
                ++i;
            } else {
                out[n++] = QChar(char16_t(kEscapeBase + b)); // starts no character: kept as is
            }
        } else {
            out[n++] = QChar(SingleByteChar(b));
        }
    }
    target.truncate(n);
}

} // namespace cp932
