#include "stroke_rows.h"

namespace stroke_rows {

const QStringList &Columns()
{
    static const QStringList columns{"N", "MN", "DN", "PTYP", "PSIZ", "PCOL", "X", "Y"};
    return columns;
}

QStringList Values(int n)
{
    const qint64 i = n;
    return {QString::number(i),
            QString::number(1 + i % 9),           // member
            QString::number(i / 50),              // drawing number: 50 points a stroke
            QString::number(i % 4),               // pen type
            QString::number(1 + i % 8),           // pen size
            QString::number(i * 7919 % 16777216), // colour
            QString::number(i * 37 % 1280),       // x
            QString::number(i * 53 % 1024)};      // y
}

QString FillStatement(const QString &table, int count)
{
    // Dialect 3 multiplies INTEGERs as BIGINT, so the colour does not overflow.
    return QStringLiteral("EXECUTE BLOCK AS\n"
                          "DECLARE I INTEGER = 0;\n"
                          "BEGIN\n"
                          "  WHILE (I < %2) DO BEGIN\n"
                          "    INSERT INTO %1 (N, MN, DN, PTYP, PSIZ, PCOL, X, Y)\n"
                          "    VALUES (:I, 1 + MOD(:I, 9), :I / 50, MOD(:I, 4), 1 + MOD(:I, 8),\n"
                          "            MOD(:I * 7919, 16777216), MOD(:I * 37, 1280),\n"
                          "            MOD(:I * 53, 1024));\n"
                          "    I = I + 1;\n"
                          "  END\n"
                          "END")
        .arg(table)
        .arg(count);
}

} // namespace stroke_rows
