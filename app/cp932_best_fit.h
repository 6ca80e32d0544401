#pragma once
// Text users bring in from other programs (web pages, Linux and Mac editors, input methods)
// holds look-alikes of CP932 characters that CP932 itself has no code for: the wave dash 〜
// where Windows has ～, the minus sign − where it has －, and a few more. What the user enters
// is fitted as Windows' best-fit conversion to CP932 fits it; what has no CP932 form at all
// (emoji, rare kanji) is left out, one character at a time. Only entered text goes through
// this: text read from the database or the settings file keeps its bytes as they are.

#include <QString>
#include <QStringView>

struct FittedText {
    QString text;
    int leftOut = 0; // characters that had no CP932 form (a surrogate pair counts once)
};

// The look-alike written for a character, or the character itself.
char16_t BestFitFor(char16_t c);

FittedText FitToCp932(QStringView text);
