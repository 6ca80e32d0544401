// CP932 at the edges: every single byte and every byte pair decodes to text that encodes back
// to the same bytes, the few characters with two codes excepted; the bytes the code page
// leaves unassigned keep their Windows code points; the settings file keeps them all.

#include "cp932.h"
#include "settings.h"

#include <QtTest>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values) bytes.append(char(v));
    return bytes;
}

QByteArray RoundTrip(const QByteArray &bytes)
{
    QByteArray out;
    if (!cp932::Encode(cp932::Decode(bytes), out)) return "(refused)";
    return out;
}

// The pairs that name a character another code also names, which is written instead.
bool IsDuplicateCode(int lead, int trail)
{
    if (trail < 0x40 || trail > 0xFC || trail == 0x7F) return false;
    const int code = lead << 8 | trail;
    return (code >= 0x8790 && code <= 0x8792) || (code >= 0x8795 && code <= 0x8797) ||
           (code >= 0x879A && code <= 0x879C) || // NEC row 13 symbols also in row 2
           lead == 0xED ||                       // NEC's selection of the IBM extensions
           (lead == 0xEE && (trail <= 0xEC || trail >= 0xEF)) ||
           (code >= 0xFA4A && code <= 0xFA54) || // IBM Roman numerals and ¬
           (code >= 0xFA58 && code <= 0xFA5B);   // IBM ㈱ № ℡ ∵
}

} // namespace

class Cp932Test : public QObject {
    Q_OBJECT

private slots:
    void everySingleByteRoundTrips()
    {
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, char(b));
            QCOMPARE(cp932::Decode(one).size(), 1);
            QCOMPARE(RoundTrip(one), one);
        }
    }

    void unassignedBytesKeepTheirWindowsCodePoints()
    {
        const QList<QPair<QByteArray, QString>> cases{
            {"\x80", QString(QChar(0x0080))},
            {"\xA0", QString(QChar(0xF8F0))},
            {"\xFD\xFE\xFF", QString::fromUtf16(u"\uF8F1\uF8F2\uF8F3")},
            {"A\x81", QString::fromUtf16(u"A\xDC81")},    // a lead byte cut off at the end
            {"\x9F x", QString::fromUtf16(u"\xDC9F x")},  // one before a byte it cannot lead
            {"\x85\x40", QString::fromUtf16(u"\xDC85@")}, // an unassigned pair
            {"\x93\xFA\x1A\x1C\x7F", QString::fromUtf16(u"日\x1A\x1C\x7F")},
        };
        for (const auto &[bytes, text] : cases) {
            QCOMPARE(cp932::Decode(bytes), text);
            QCOMPARE(RoundTrip(bytes), bytes);
            QCOMPARE(cp932::ByteLength(text), int(bytes.size())); // as the byte validator counts
        }
    }

    void everyPairRoundTripsButTheDuplicates()
    {
        int assigned = 0;
        for (int lead = 0; lead < 256; ++lead) {
            for (int trail = 0; trail < 256; ++trail) {
                const QByteArray pair = Bytes({lead, trail});
                const QString text = cp932::Decode(pair);
                if (text.size() == 1) ++assigned;
                const QByteArray back = RoundTrip(pair);
                if (IsDuplicateCode(lead, trail)) {
                    // Not a loss: the other code of the same character.
                    QVERIFY2(back != pair && cp932::Decode(back) == text, pair.toHex().constData());
                } else {
                    QVERIFY2(back == pair, pair.toHex().constData());
                }
            }
        }
        QCOMPARE(assigned, 9604);
        // The code Windows writes for each kind of duplicate.
        QByteArrayList written;
        for (const char *code :
             {"\xED\x40", "\xEE\xEF", "\xEE\xF9", "\xFA\x54", "\x87\x90", "\xFA\x4A", "\xFA\x58"})
            written << RoundTrip(code);
        QCOMPARE(written, QByteArrayList({"\xFA\x5C", "\xFA\x40", "\x81\xCA", "\x81\xCA",
                                          "\x81\xE0", "\x87\x54", "\x87\x8A"}));
    }

    void charactersWithoutACodeAreRefused()
    {
        // é, ¥, the wave dash, an emoji, a lone surrogate, the stand-in of a byte that is a
        // character of its own, a one-way converter mapping.
        for (const char16_t *text : {u"café", u"\u00A5", u"\u301C", u"a\U0001F600", u"\xD83D",
                                     u"\xDCA1", u"\xDC41", u"\uF86F"}) {
            const QString s = QString::fromUtf16(text);
            QByteArray out;
            QVERIFY2(!cp932::Encode(s, out), qPrintable(s));
            QCOMPARE(cp932::ByteLength(s), -1);
        }
        QCOMPARE(cp932::EncodeLossy(QString::fromUtf16(u"a\U0001F600é\xDC41z")), "a???z");
    }

    void decodingReusesTheTargetsStorage()
    {
        QString target;
        target.reserve(64);
        const QChar *storage = target.constData();
        cp932::DecodeInto(target, "12345", 5);
        QCOMPARE(target, QStringLiteral("12345"));
        cp932::DecodeInto(target, "\x93\xFA\x96\x7B\x80", 5);
        QCOMPARE(target, QString::fromUtf16(u"日本\u0080"));
        QCOMPARE(target.constData(), storage);
    }

    void theSettingsFileKeepsEveryByte()
    {
        const QByteArray folder("C:\\\x80\xA0\xFD\xFE\xFF\\\x95\x5C\\");
        const QByteArray name("\x8E\x52\x93\x63\x81");
        QList<QByteArray> lines{"x:", folder, "P.FDB", "3", name};
        for (int i = lines.size(); i < 39; ++i) lines << (i == 29 ? QByteArray("\xA0\xFF") : "0");
        QByteArray file;
        for (const QByteArray &line : lines) file += line + "\r\n";
        const SettingsFileContent read = ParseSettingsFile(file, true);
        QCOMPARE(read.settings.PcUserName, QString::fromUtf16(u"山田\xDC81"));
        const QList<QByteArray> written =
            FormatSettingsFile(read.settings, read.windows).split('\n');
        QCOMPARE(written[1], folder + "\r");
        QCOMPARE(written[4], name + "\r");
        QCOMPARE(written[29], QByteArray("\xA0\xFF\r"));
    }
};

QTEST_APPLESS_MAIN(Cp932Test)
#include "test_cp932.moc"
