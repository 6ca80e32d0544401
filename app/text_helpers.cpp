#include "text_helpers.h"

#include <QPainter>

#include <climits>

namespace {

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

bool IsLeadByte(unsigned char b)
{
    return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD);
}

bool IsStrippedChar(char16_t c)
{
    return c < 0x20 || c == '\'' || c == '"';
}

} // namespace

int StrToIntOrZero(const QString &text)
{
    const int n = int(text.size());
    int i = 0;
    while (i < n && text.at(i) == QLatin1Char(' ')) ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');

    bool hex = false;
    if (i < n && (text.at(i) == QLatin1Char('$') || text.at(i) == QLatin1Char('x') ||
                  text.at(i) == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0') &&
               (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n) return 0; // at least one digit

    qint64 value = 0;
    for (; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        const int digit = hex ? HexDigit(text.at(i)) : (u >= '0' && u <= '9' ? u - '0' : -1);
        if (digit < 0) return 0;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0xFFFFFFFFLL) return 0;
    }
    if (hex) {
        // A hexadecimal number fills the 32 bits: $FFFFFFFF is -1.
        const qint32 bits = qint32(quint32(value));
        return negative ? qint32(0u - quint32(bits)) : bits;
    }
    if (negative) value = -value;
    if (value < -2147483648LL || value > 2147483647LL) return 0;
    return int(value);
}

bool NextNumberAfter(const QString &maxText, int &next)
{
    const int max = StrToIntOrZero(maxText);
    if (max == INT_MAX) return false;
    next = max + 1;
    return true;
}

QString TrimBlanks(const QString &text)
{
    int begin = 0;
    int end = int(text.size());
    while (begin < end && text.at(begin).unicode() <= ' ') ++begin;
    while (end > begin && text.at(end - 1).unicode() <= ' ') --end;
    return text.mid(begin, end - begin);
}

bool IsAllDigits(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() < '0' || c.unicode() > '9') return false;
    return true;
}

QByteArray StripQuotes(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (int i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (IsLeadByte(b)) {
            if (i + 1 < bytes.size()) {
                out.append(bytes[i]).append(bytes[i + 1]);
                ++i;
            }
            continue;
        }
        if (!IsStrippedChar(b)) out.append(char(b));
    }
    return out;
}

QString StripQuotes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!IsStrippedChar(c.unicode())) out.append(c);
    return out;
}

QString TextBeforeColon(const QString &text)
{
    const int colon = int(text.indexOf(QLatin1Char(':')));
    return colon < 0 ? QString() : text.left(colon);
}

QString TextAfterColon(const QString &text)
{
    const int colon = int(text.indexOf(QLatin1Char(':')));
    return colon < 0 ? QString() : text.mid(colon + 1);
}

bool IsValidDate8(const QString &text)
{
    if (text.size() != 8 || !IsAllDigits(text)) return false;
    const int year = StrToIntOrZero(text.left(4));
    const int month = StrToIntOrZero(text.mid(4, 2));
    const int day = StrToIntOrZero(text.mid(6, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int monthDays = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > monthDays) return false;
    // The calendar's day zero is 30 December 1899; nothing earlier is a date here.
    return year * 10000 + month * 100 + day >= 18991230;
}

void ClearCanvas(QPainter &surface, int width, int height)
{
    surface.setCompositionMode(QPainter::CompositionMode_Source);
    surface.setPen(QPen(Qt::white, 1, Qt::SolidLine));
    surface.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    if (width > 0 && height > 0) surface.fillRect(QRect(0, 0, width, height), Qt::white);
    surface.setBrush(Qt::NoBrush);
}
