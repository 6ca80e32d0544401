#include "cp932_best_fit.h"

#include "cp932.h"

char16_t BestFitFor(char16_t c)
{
    switch (c) {
    case 0x301C: return 0xFF5E; // 〜 wave dash -> ～ (81 60)
    case 0x2212: return 0xFF0D; // − minus sign -> － (81 7C)
    case 0x2016: return 0x2225; // ‖ double vertical line -> ∥ (81 61)
    case 0x00A2: return 0xFFE0; // ¢ -> ￠ (81 91)
    case 0x00A3: return 0xFFE1; // £ -> ￡ (81 92)
    case 0x00AC: return 0xFFE2; // ¬ -> ￢ (81 CA)
    case 0x2014: return 0x2015; // — em dash -> ― (81 5C)
    default: return c;
    }
}

FittedText FitToCp932(QStringView text)
{
    FittedText fitted;
    fitted.text.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c)) {
            // Nothing beyond the basic plane has a CP932 code: the pair goes as one character.
            if (i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) ++i;
            ++fitted.leftOut;
            continue;
        }
        // A lone half of a pair is no character. It must not pass as one of the stand-ins
        // that keep a stray byte read from the database: pasted, it would be stored as that
        // byte and read back as another character.
        if (QChar::isLowSurrogate(c)) {
            ++fitted.leftOut;
            continue;
        }
        const QChar fit(BestFitFor(c));
        if (cp932::ByteLength(QString(fit)) < 0)
            ++fitted.leftOut;
        else
            fitted.text += fit;
    }
    return fitted;
}
