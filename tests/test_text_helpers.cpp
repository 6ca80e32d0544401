// The shared text and date helpers, on the inputs users and stored data really produce.

#include "cp932.h"
#include "text_helpers.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {
QByteArray Sjis(const char *utf8)
{
    return cp932::EncodeLossy(QString::fromUtf8(utf8));
}
} // namespace

class TextHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void strToIntOrZero_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        // clang-format off
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("blank before") << " 42" << 42;
        QTest::newRow("blank after") << "42 " << 0;
        QTest::newRow("plus") << "+7" << 7;
        QTest::newRow("minus") << "-15" << -15;
        QTest::newRow("max") << "2147483647" << 2147483647;
        QTest::newRow("max+1") << "2147483648" << 0;
        QTest::newRow("min") << "-2147483648" << int(-2147483647 - 1);
        QTest::newRow("min-1") << "-2147483649" << 0;
        QTest::newRow("dollar hex") << "$1F" << 31;
        QTest::newRow("0x hex") << "0x10" << 16;
        QTest::newRow("x hex") << "xff" << 255;
        QTest::newRow("negative hex") << "-$10" << -16;
        QTest::newRow("hex fills 32 bits") << "$FFFFFFFF" << -1;
        QTest::newRow("hex too long") << "$100000000" << 0;
        QTest::newRow("hex without digits") << "$" << 0;
        QTest::newRow("trailing letter") << "12a" << 0;
        QTest::newRow("lone minus") << "-" << 0;
        QTest::newRow("only blanks") << "   " << 0;
        QTest::newRow("full-width digits") << QString::fromUtf8("１２") << 0;
        QTest::newRow("very long") << "99999999999999999999999" << 0;
        QTest::newRow("leading zeros") << "007" << 7;
        // clang-format on
    }
    void strToIntOrZero()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(StrToIntOrZero(text), value);
    }

    void nextNumberStopsAtTheTopOfTheRange()
    {
        int next = -1;
        QVERIFY(NextNumberAfter(QString(), next)); // empty table
        QCOMPARE(next, 1);
        QVERIFY(NextNumberAfter(QStringLiteral("2147483646"), next));
        QCOMPARE(next, 2147483647);
        next = -1;
        QVERIFY(!NextNumberAfter(QStringLiteral("2147483647"), next));
        QCOMPARE(next, -1); // left alone: no number to propose
    }

    void isAllDigits()
    {
        QVERIFY(IsAllDigits(""));
        QVERIFY(IsAllDigits("0123"));
        QVERIFY(!IsAllDigits("12 3"));
        QVERIFY(!IsAllDigits(QString::fromUtf8("12三")));
        QVERIFY(!IsAllDigits(QString::fromUtf8("１")));
    }

    void stripQuotesOnBytes()
    {
        QCOMPARE(StripQuotes(QByteArray("don't \"say\"")), QByteArray("dont say"));
        QCOMPARE(StripQuotes(QByteArray("a\tb\r\nc\x01")), QByteArray("abc"));
        // ソ is 83 5C and 表 is 95 5C: the trail byte is the ASCII backslash, and stays.
        QCOMPARE(StripQuotes(Sjis("ソ表'")), Sjis("ソ表"));
        // A trail byte that looks like a quote cannot occur, but one like "@" can (ァ = 83 40).
        QCOMPARE(StripQuotes(Sjis("ァ")), Sjis("ァ"));
        // Half-width katakana, DEL and 0xFE/0xFF are single characters and stay.
        QCOMPARE(StripQuotes(QByteArray("\xB1\x7F\xFE\xFF")), QByteArray("\xB1\x7F\xFE\xFF"));
        // A lead byte with nothing after it is dropped, its predecessors kept.
        QCOMPARE(StripQuotes(Sjis("日本") + char(0x93)), Sjis("日本"));
        QCOMPARE(StripQuotes(QByteArray("\xE0")), QByteArray());
        QCOMPARE(StripQuotes(QByteArray()), QByteArray());
    }

    void stripQuotesOnText()
    {
        QCOMPARE(StripQuotes(QString::fromUtf8("今日は'晴れ'\n")), QString::fromUtf8("今日は晴れ"));
        QCOMPARE(StripQuotes(QString::fromUtf8("表示\t")), QString::fromUtf8("表示"));
    }

    void colonHelpers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        // clang-format off
        QTest::newRow("number and name") << QString::fromUtf8("12:総務") << "12"
                                         << QString::fromUtf8("総務");
        QTest::newRow("no name") << "12:" << "12" << "";
        QTest::newRow("no number") << ":x" << "" << "x";
        QTest::newRow("two colons") << "a:b:c" << "a" << "b:c";
        QTest::newRow("no colon") << "abc" << "" << "";
        QTest::newRow("empty") << "" << "" << "";
        QTest::newRow("none item") << QString::fromUtf8("0:指定無し") << "0"
                                   << QString::fromUtf8("指定無し");
        // clang-format on
    }
    void colonHelpers()
    {
        QFETCH(QString, text);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QCOMPARE(TextBeforeColon(text), before);
        QCOMPARE(TextAfterColon(text), after);
    }

    void isValidDate8_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        // clang-format off
        QTest::newRow("leap day 2024") << "20240229" << true;
        QTest::newRow("no leap day 2023") << "20230229" << false;
        QTest::newRow("no leap day 1900") << "19000229" << false;
        QTest::newRow("leap day 2000") << "20000229" << true;
        QTest::newRow("end of 2000") << "20001231" << true;
        QTest::newRow("first day") << "18991230" << true;
        QTest::newRow("day before") << "18991229" << false;
        QTest::newRow("seven digits") << "2024010" << false;
        QTest::newRow("hyphens") << "2024-1-1" << false;
        QTest::newRow("zeros") << "00000000" << false;
        QTest::newRow("month 13") << "20241301" << false;
        QTest::newRow("april 31") << "20240431" << false;
        QTest::newRow("day 0") << "20240100" << false;
        QTest::newRow("year 9999") << "99991231" << true;
        QTest::newRow("blank inside") << "2024 101" << false;
        QTest::newRow("full-width") << QString::fromUtf8("２０２４０１０１") << false;
        // clang-format on
    }
    void isValidDate8()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(IsValidDate8(text), valid);
    }

    void clearCanvasWhitensTheBoxAndLeavesAHollowWhitePen()
    {
        QImage image(6, 4, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::red, 5));
        painter.setBrush(Qt::blue);
        ClearCanvas(painter, 4, 3);
        QCOMPARE(painter.pen().color(), QColor(Qt::white));
        QCOMPARE(painter.pen().width(), 1);
        QCOMPARE(painter.brush().style(), Qt::NoBrush);
        painter.end();
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                QCOMPARE(image.pixelColor(x, y), QColor(x < 4 && y < 3 ? Qt::white : Qt::black));
    }

    void clearCanvasOfNoSizeChangesNoPixel()
    {
        QImage image(3, 3, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        ClearCanvas(painter, 0, 3);
        ClearCanvas(painter, 3, 0);
        QCOMPARE(painter.pen().color(), QColor(Qt::white));
        QCOMPARE(painter.brush().style(), Qt::NoBrush);
        painter.end();
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) QCOMPARE(image.pixelColor(x, y), QColor(Qt::black));
    }
};

QTEST_MAIN(TextHelpersTest)
#include "test_text_helpers.moc"
