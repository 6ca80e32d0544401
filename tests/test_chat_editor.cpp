// The chat record editor against a real database: what it lists, the checks of add and change
// with their messages and focus, and deleting a range of lines while other PCs write.

#include "chat_editor.h"
#include "message_recorder.h"
#include "string_grid.h"
#include "test_database.h"
#include "text_helpers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class ChatEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<TForm11> form11;
    std::unique_ptr<MessageRecorder> messages;
    DatabaseSession &Db() { return main->form1->Db(); }

    QList<QStringList> Grid()
    {
        QList<QStringList> rows;
        for (int r = 1; r < form11->SG1->RowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < 5; ++c) row << form11->SG1->Cell(c, r);
            rows << row;
        }
        return rows;
    }
    QStringList Items()
    {
        QStringList items;
        for (int i = 0; i < form11->ComboBox1->count(); ++i)
            items << form11->ComboBox1->itemText(i);
        return items;
    }
    void AddMember(int n, const QString &name)
    {
        QVERIFY(Db().InsertRow("MEMBER", 3, {"N", "SN", "PNAME"},
                               {QString::number(n), "0", "'" + name + "'"}));
    }
    void AddLine(DatabaseSession &db, int n, int author, const QString &text)
    {
        QVERIFY(db.InsertRow("CHAT", 5, {"N", "MN", "CTEXT", "CDATE", "CTIME"},
                             {QString::number(n), QString::number(author), "'" + text + "'",
                              "'20100101'", "'130200'"}));
    }
    void Fill(const QString &number, const QString &text, const QString &date, const QString &time)
    {
        form11->Edit1->setText(number);
        form11->Edit2->setText(text);
        form11->Edit3->setText(date);
        form11->Edit4->setText(time);
    }
    QStringList Row(int n)
    {
        QStringList fields{"", "", "", "", ""};
        Db().SelectFirstRow("N,MN,CTEXT,CDATE,CTIME", "CHAT", "N=" + QString::number(n), fields);
        return fields;
    }
    QList<int> Numbers()
    {
        QList<int> numbers;
        for (const QStringList &row : Grid()) numbers << row[0].toInt();
        return numbers;
    }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        QVERIFY(Db().CreateChatTable());
        form11 = std::make_unique<TForm11>(*main->form1);
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        messages.reset();
        form11.reset();
        main.reset();
    }

    void closesItselfWithoutADatabase()
    {
        main->form1->settings().DataFolder = "  ";
        QVERIFY(!form11->FormShow()); // even while connected
        QCOMPARE(messages->texts, QStringList{"最初にデータベースの設定を行って下さい。"});
        messages->Clear();
        main->form1->settings() = main->database;
        main->form1->DisconnectDatabase();
        QVERIFY(!form11->FormShow());
        QCOMPARE(messages->texts,
                 QStringList{"データベースに接続出来ません。設定を確認して下さい。"});
    }

    void listsAuthorsAndLines()
    {
        // No MEMBER table, no lines: the none item and one blank row; fields emptied.
        form11->Edit2->setText("前回の残り");
        QVERIFY(form11->FormShow());
        QCOMPARE(Items(), QStringList{"0:指定無し"});
        QCOMPARE(Grid(), QList<QStringList>({{"", "", "", "", ""}}));
        QVERIFY(form11->Edit2->text().isEmpty());

        QVERIFY(Db().CreateMemberTable());
        AddMember(2, "佐藤");
        AddMember(1, "山田");
        AddLine(Db(), 7, 2, "こんにちは");
        AddLine(Db(), 3, 9, "退会した人");
        QVERIFY(Db().InsertRow("CHAT", 2, {"N", "MN"}, {"5", "1"})); // text, date, time NULL
        QVERIFY(form11->FormShow());
        QCOMPARE(Items(), QStringList({"0:指定無し", "1:山田", "2:佐藤"}));
        QCOMPARE(Grid(), QList<QStringList>({{"3", "9", "退会した人", "20100101", "130200"},
                                             {"5", "1", "", "", ""},
                                             {"7", "2", "こんにちは", "20100101", "130200"}}));
        // The first row is in the fields; its author is no member, so "none" is chosen.
        QCOMPARE(form11->Edit1->text(), QStringLiteral("3"));
        QCOMPARE(form11->Edit2->text(), QStringLiteral("退会した人"));
        QCOMPARE(form11->ComboBox1->currentIndex(), 0);
        form11->SG1->SetRow(3);
        QCOMPARE(form11->ComboBox1->currentText(), QStringLiteral("2:佐藤"));
        QCOMPARE(form11->Edit4->text(), QStringLiteral("130200"));

        // Changing the row of the former member writes author 0.
        form11->SG1->SetRow(1);
        form11->Button4Click();
        QCOMPARE(messages->texts, QStringList{"変更OK"});
        QCOMPARE(Row(3), QStringList({"3", "0", "退会した人", "20100101", "130200"}));
    }

    void checksOfAddInTheirOrder()
    {
        QVERIFY(form11->FormShow());
        struct Case {
            QString number, text, date, time, message;
            QLineEdit *focus;
            QString changeMessage; // when a change stops at another check first
        };
        const QString enter = "番号を入力して下さい（正の整数値入力）";
        const QString positive = "番号は正の整数で入力して下さい";
        const QList<Case> refused{
            {" ", "a", "x", "x", enter, form11->Edit1, {}},
            {"0", "a", "x", "x", positive, form11->Edit1, {}},
            {"-3", "a", "", "", positive, form11->Edit1, {}},
            {"1", "a", "20100230", "x", msg::kChatDate, form11->Edit3, {}}, // 30 February
            {"1", "a", "2010010", "", msg::kChatDate, form11->Edit3, {}},   // seven digits
            {"1", "a", "", "13:02", msg::kChatTime, form11->Edit4, {}},
            {"1", "it's", "20100101", "130200", msg::kNoQuotes, form11->Edit2, msg::kNumberUnused},
        };
        for (const Case &c : refused) {
            messages->Clear();
            Fill(c.number, c.text, c.date, c.time);
            form11->Button1Click();
            QCOMPARE(messages->texts, QStringList{c.message});
            QCOMPARE(form11->focusWidget(), c.focus);
            messages->Clear();
            form11->Button4Click(); // the same checks, in the same order, come first on change
            QCOMPARE(messages->texts,
                     QStringList{c.changeMessage.isEmpty() ? c.message : c.changeMessage});
        }
        QCOMPARE(Db().CountRows("CHAT", ""), 0);

        // Digits only is all a time needs; empty fields are stored as NULL.
        messages->Clear();
        Fill("1", "", "", "99");
        form11->Button1Click();
        Fill("2", "漢字", "20100101", "999999");
        form11->Button1Click();
        QCOMPARE(messages->texts, QStringList({"登録OK", "登録OK"}));
        QCOMPARE(Db().CountRows("CHAT", "CTEXT IS NULL AND CDATE IS NULL AND CTIME='99'"), 1);
        QCOMPARE(Row(2), QStringList({"2", "0", "漢字", "20100101", "999999"}));
        QCOMPARE(Numbers(), QList<int>({1, 2}));

        messages->Clear();
        form11->Button1Click(); // number 2 again
        QCOMPARE(messages->texts, QStringList{"登録失敗"});
        Fill("9", "x", "", "");
        form11->Button4Click();
        QCOMPARE(messages->texts, QStringList({"登録失敗", msg::kNumberUnused}));
        QCOMPARE(form11->focusWidget(), form11->Edit1);
    }

    void shortcutsAndByteLimits()
    {
        for (int n = 1; n <= 41; ++n) AddLine(Db(), n, 0, "x");
        form11->show(); // shown for real: the shortcuts are mouse events
        QVERIFY(QTest::qWaitForWindowExposed(form11.get()));
        form11->Edit1->clear();
        QTest::mouseDClick(form11->Edit1, Qt::LeftButton);
        QCOMPARE(form11->Edit1->text(), QStringLiteral("42"));
        QTest::mouseDClick(form11->Edit3, Qt::LeftButton);
        QCOMPARE(form11->Edit3->text(), QDate::currentDate().toString("yyyyMMdd"));
        QTest::mouseDClick(form11->Edit4, Qt::LeftButton);
        QCOMPARE(form11->Edit4->text().size(), 6);
        QVERIFY(IsAllDigits(form11->Edit4->text()));

        form11->Edit2->clear();
        TypeInto(form11->Edit2, QString(41, QChar(0x6F22)));
        QCOMPARE(form11->Edit2->text(), QString(40, QChar(0x6F22)));
        form11->Edit3->clear();
        TypeInto(form11->Edit3, "201001011");
        QCOMPARE(form11->Edit3->text(), QStringLiteral("20100101"));
    }

    void deletingARange()
    {
        for (int n : {10, 20, 30, 40, 50}) AddLine(Db(), n, 1, "行" + QString::number(n));
        form11->show();
        QVERIFY(QTest::qWaitForWindowExposed(form11.get()));

        // Rows 2 to 4 chosen with the keyboard, as a user extends a selection.
        form11->SG1->SetRow(2);
        QTest::keyClick(form11->SG1, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(form11->SG1, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(form11->SG1->SelectionTop(), 2);
        QCOMPARE(form11->SG1->SelectionBottom(), 4);

        messages->answers << MessageAnswer::No;
        form11->Button2Click();
        QCOMPARE(messages->texts, QStringList{"No.20～40 を削除します。\r\nよろしいですか？"});
        QCOMPARE(Db().CountRows("CHAT", ""), 5);

        // Meanwhile another PC writes lines numbered inside the range: they stay.
        FreshMainWindow otherPc(*main, 2);
        AddLine(otherPc.form1->Db(), 25, 2, "割り込み");
        AddLine(otherPc.form1->Db(), 35, 2, "割り込み");
        messages->Clear();
        form11->Button2Click(); // no outcome message
        QCOMPARE(messages->texts, QStringList{"No.20～40 を削除します。\r\nよろしいですか？"});
        QCOMPARE(Numbers(), QList<int>({10, 25, 35, 50}));

        messages->Clear();
        // A click chooses one row again.
        QTest::mouseClick(form11->SG1->viewport(), Qt::LeftButton, Qt::NoModifier,
                          form11->SG1->visualItemRect(form11->SG1->item(3, 2)).center());
        form11->Button2Click();
        QCOMPARE(messages->texts, QStringList{"「No.50：行50」を削除します。\r\nよろしいですか？"});
        QCOMPARE(Numbers(), QList<int>({10, 25, 35}));

        // An empty table: nothing asked, nothing done.
        QVERIFY(Db().DeleteRows("CHAT", ""));
        form11->RefreshGrid();
        messages->Clear();
        form11->Button2Click();
        QVERIFY(messages->texts.isEmpty());
    }
};

QTEST_MAIN(ChatEditorTest)
#include "test_chat_editor.moc"
