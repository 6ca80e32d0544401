// One-line edits with a byte limit, pasted into with the real clipboard and Ctrl+V: a paste
// keeps its first line, loses other control characters and is cut at the limit between two
// characters; typing past the limit is refused; text the program sets is never altered.

#include "cp932_validator.h"
#include "test_database.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QtTest>

namespace {

void Paste(QLineEdit &edit, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
}

} // namespace

class ByteLimitedEditTest : public QObject {
    Q_OBJECT

private slots:
    void aPasteKeepsItsFirstLineWithoutControls()
    {
        QLineEdit edit;
        LimitBytes(&edit, 32);
        Paste(edit, QString::fromUtf8("山田\t太郎\r\nline2\ttab"));
        QCOMPARE(edit.text(), QString::fromUtf8("山田太郎"));
        QCOMPARE(edit.cursorPosition(), 4);

        // Into a selection, in the middle: the text around it stays.
        edit.setSelection(1, 2);
        Paste(edit, QString::fromUtf8("\x01X\x7FY\nZ"));
        QCOMPARE(edit.text(), QString::fromUtf8("山XY郎"));
        QCOMPARE(edit.cursorPosition(), 3);

        // Nothing before the line break, or only characters CP932 cannot hold: nothing happens.
        Paste(edit, "\nabc");
        Paste(edit, QString::fromUtf8("é😀"));
        QCOMPARE(edit.text(), QString::fromUtf8("山XY郎"));

        QLineEdit unlimited; // as the database settings fields: no limit, still one line
        LimitBytes(&unlimited, 0);
        Paste(unlimited, "C:\\data\\\r\n");
        QCOMPARE(unlimited.text(), QStringLiteral("C:\\data\\"));
    }

    void aLongPasteIsCutAtTheLimitBetweenCharacters()
    {
        QLineEdit edit;
        LimitBytes(&edit, 16);
        TypeInto(&edit, "a");
        Paste(edit, QString::fromUtf8("一二三四五六七八九十"));
        QCOMPARE(edit.text(), QString::fromUtf8("a一二三四五六七")); // 15 bytes: 八 would split
        edit.setCursorPosition(0);
        Paste(edit, QString::fromUtf8("xyz"));
        QCOMPARE(edit.text(), QString::fromUtf8("xa一二三四五六七"));
        QCOMPARE(edit.cursorPosition(), 1);

        // Typing past the limit is refused, a kanji into one free byte too.
        edit.setText("abcdefghijklmno");
        TypeInto(&edit, QString::fromUtf8("漢"));
        QCOMPARE(edit.text(), QStringLiteral("abcdefghijklmno"));
        TypeInto(&edit, "pq");
        QCOMPARE(edit.text(), QStringLiteral("abcdefghijklmnop"));

        edit.setText("a\tb\r\nlonger than the limit"); // what the program sets stays as it is
        QCOMPARE(edit.text(), QStringLiteral("a\tb\r\nlonger than the limit"));
    }
};

QTEST_MAIN(ByteLimitedEditTest)
#include "test_byte_limited_edit.moc"
