// The pen tip dialog: what it shows for the board's pen, the size check with its message and
// focus, and that only OK hands values back.

#include "message_recorder.h"
#include "pen_tip_dialog.h"
#include "test_database.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class PenTipDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm9> form9;
    std::unique_ptr<MessageRecorder> messages;

    void ShowWith(int shape, int size)
    {
        form9->DialogPenShape = shape;
        form9->DialogPenSize = size;
        form9->PenDialogAccepted = true; // left over from an earlier showing
        form9->show();
    }

private slots:
    void init()
    {
        form1 = std::make_unique<TForm1>(QStringLiteral("/nonexistent/oekaki.dat"));
        form9 = std::make_unique<TForm9>(*form1);
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        messages.reset();
        form9.reset();
        form1.reset();
    }

    void sizesOutsideOneTo300AreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        for (const char *typed : {"0", "301", "", "abc", "-5", "１２"})
            QTest::newRow(typed) << typed;
    }
    void sizesOutsideOneTo300AreRefused()
    {
        QFETCH(QString, typed);
        ShowWith(2, 10);
        form9->ComboBox1->setCurrentIndex(4);
        form9->Edit1->setText(typed);
        form9->Button1Click();
        QCOMPARE(messages->texts, QStringList{"サイズは 1 ～ 300 の範囲内で入力して下さい"});
        QCOMPARE(form9->focusWidget(), form9->Edit1);
        QVERIFY(form9->isVisible());
        QVERIFY(!form9->PenDialogAccepted);
        form9->Button2Click(); // cancelling afterwards leaves the caller's pen
        QVERIFY(!form9->PenDialogAccepted);
        QCOMPARE(form9->DialogPenShape, 2);
        QCOMPARE(form9->DialogPenSize, 10);
    }

    void okHandsBackTheChoice_data()
    {
        QTest::addColumn<int>("shapeIn");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("shapeOut");
        QTest::addColumn<int>("sizeOut");
        QTest::newRow("smallest") << 1 << "1" << 1 << 1;
        QTest::newRow("largest") << 5 << "300" << 5 << 300;
        QTest::newRow("leading zeros") << 0 << "007" << 0 << 7;
        QTest::newRow("unknown shape shows the disc") << 9 << "4" << 0 << 4;
        QTest::newRow("negative shape too") << -1 << "4" << 0 << 4;
    }
    void okHandsBackTheChoice()
    {
        QFETCH(int, shapeIn);
        QFETCH(QString, typed);
        ShowWith(shapeIn, 50);
        form9->Edit1->setText(typed);
        form9->Button1Click();
        QVERIFY(messages->texts.isEmpty());
        QVERIFY(form9->PenDialogAccepted);
        QTEST(form9->DialogPenShape, "shapeOut");
        QTEST(form9->DialogPenSize, "sizeOut");
        QVERIFY(!form9->isVisible());
    }

    void showsTheBoardsPenKeysAndTheFieldLimit()
    {
        ShowWith(3, 25);
        QVERIFY(!form9->PenDialogAccepted);
        QCOMPARE(form9->ComboBox1->currentText(), QStringLiteral("□"));
        QCOMPARE(form9->Edit1->text(), QStringLiteral("25"));
        QCOMPARE(form9->focusWidget(), form9->ComboBox1);

        form9->Edit1->clear();
        TypeInto(form9->Edit1, QStringLiteral("1234"));
        QCOMPARE(form9->Edit1->text(), QStringLiteral("123"));
        QTest::keyClick(form9->Edit1, Qt::Key_Escape);
        QVERIFY(!form9->isVisible());
        QVERIFY(!form9->PenDialogAccepted);
        QCOMPARE(form9->DialogPenSize, 25);

        ShowWith(1, 5);
        form9->Edit1->setFocus();
        QTest::keyClick(form9->Edit1, Qt::Key_Return); // OK is the default button
        QVERIFY(form9->PenDialogAccepted);
        QCOMPARE(form9->DialogPenShape, 1);
    }
};

QTEST_MAIN(PenTipDialogTest)
#include "test_pen_tip_dialog.moc"
