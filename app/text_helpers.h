#pragma once
// Small text and date helpers shared by every window. None of them ever fails: a text that is
// not what a helper expects gives 0, false or empty text.

#include <QByteArray>
#include <QString>

class QPainter;

// The integer a text spells, or 0: leading blanks, an optional sign, then decimal digits or a
// hexadecimal number introduced by "$", "x", "X", "0x" or "0X"; nothing may follow.
int StrToIntOrZero(const QString &text);

// The number after the largest one stored, read as text (empty text, NULL or junk count as 0,
// so an empty table gives 1). False when that number cannot be stored: the largest is already
// the top of INTEGER, 2147483647. Every table numbered by "largest plus one" uses this.
bool NextNumberAfter(const QString &maxText, int &next);

// The text without leading and trailing blanks and control characters; an ideographic
// space is a character like any other.
QString TrimBlanks(const QString &text);

// True when every character is a decimal digit (also for empty text).
bool IsAllDigits(const QString &text);

// Drops quotes and control characters from CP932 bytes, keeping double-byte characters whole
// (their trail byte may be 0x5C or another ASCII value) and dropping a lone lead byte at the end.
QByteArray StripQuotes(const QByteArray &cp932Bytes);
// The same on text: every double-byte character of CP932 is kept, every ' " and control dropped.
QString StripQuotes(const QString &text);

// For "12:name": "12" and "name". Only the first colon splits; no colon gives empty text.
QString TextBeforeColon(const QString &text);
QString TextAfterColon(const QString &text);

// True for eight digits "yyyymmdd" naming a real Gregorian date from 1899-12-30 on.
bool IsValidDate8(const QString &text);

// Paints the box 0 <= x < width, 0 <= y < height white, then leaves the pen white, width 1,
// plain overwrite, and the brush hollow; the caller sets its own pen before drawing.
void ClearCanvas(QPainter &surface, int width, int height);
