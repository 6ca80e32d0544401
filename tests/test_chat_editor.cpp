// The chat record editor against a real database: the checks of add and change in their order,
// and deleting a range of lines while another PC writes.

#include "chat_editor.h"
#include "message_recorder.h"
#include "select_rows.h"
#include "string_grid.h"
#include "test_database.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class ChatEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<TForm11> form11;
    std::unique_ptr<MessageRecorder> messages;
    DatabaseSession &Db() { return main->form1->Db(); }

    void AddLine(DatabaseSession &db, int n, int author)
    {
        QVERIFY(db.InsertRow("CHAT", 5, {"N", "MN", "CTEXT", "CDATE", "CTIME"},
                             {QString::number(n), QString::number(author),
                              "'行" + QString::number(n) + "'", "'20100101'", "'130200'"}));
    }
    QList<QStringList> Stored() { return SelectRows(Db(), "*", "CHAT", "", "N", 5); }
    void Fill(const QStringList &fields)
    {
        QLineEdit *edits[] = {form11->Edit1, form11->Edit2, form11->Edit3, form11->Edit4};
        for (int i = 0; i < 4; ++i) edits[i]->setText(fields[i]);
    }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        QVERIFY(Db().CreateChatTable() && test_db::CreateMembers(Db(), {{1, "山田"}}));
        form11 = std::make_unique<TForm11>(*main->form1);
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        messages.reset();
        form11.reset();
        main.reset();
    }

    void checksInTheirOrder()
    {
        QVERIFY(form11->FormShow());
        const QString enter = "番号を入力して下さい（正の整数値入力）";
        const QString positive = "番号は正の整数で入力して下さい";
        // number, text, date, time; the message and focus of add, then the message of change
        const QList<std::tuple<QStringList, QString, QLineEdit *, QString>> refused{
            {{" ", "a", "x", "x"}, enter, form11->Edit1, enter},
            {{"-3", "a", "x", "x"}, positive, form11->Edit1, positive},
            {{"1", "a", "20100230", "x"}, msg::kChatDate, form11->Edit3, msg::kChatDate},
            {{"1", "a", "2010010", ""}, msg::kChatDate, form11->Edit3, msg::kChatDate},
            {{"1", "a", "", "13:02"}, msg::kChatTime, form11->Edit4, msg::kChatTime},
            // a change looks for the number before it looks at the text
            {{"1", "it's", "20100101", ""}, msg::kNoQuotes, form11->Edit2, msg::kNumberUnused},
        };
        for (const auto &[fields, message, focus, changeMessage] : refused) {
            Fill(fields);
            messages->Clear();
            form11->Button1Click();
            QCOMPARE(form11->focusWidget(), focus);
            form11->Button4Click();
            QCOMPARE(messages->texts, QStringList({message, changeMessage}));
        }
        QVERIFY(Stored().isEmpty());

        // Digits are all a time needs; empty fields are stored as NULL; a used number fails.
        messages->Clear();
        Fill({"1", "", "", "99"});
        form11->Button1Click();
        form11->Button1Click();
        QCOMPARE(messages->texts, QStringList({"登録OK", "登録失敗"}));
        QCOMPARE(Stored(), QList<QStringList>({{"1", "0", "", "", "99"}}));
        QCOMPARE(Db().CountRows("CHAT", "CTEXT IS NULL AND CDATE IS NULL"), 1);
    }

    void deletingARange()
    {
        for (int n : {10, 20, 30, 40, 50}) AddLine(Db(), n, 1);
        form11->show(); // for real: the range is chosen with the keyboard
        QVERIFY(QTest::qWaitForWindowExposed(form11.get()));
        form11->SG1->SetRow(2);
        QTest::keyClick(form11->SG1, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(form11->SG1, Qt::Key_Down, Qt::ShiftModifier);
        const QString question = "No.20～40 を削除します。\r\nよろしいですか？";
        messages->answers << MessageAnswer::No;
        form11->Button2Click();
        QCOMPARE(Stored().size(), 5);

        // Meanwhile another PC writes lines numbered inside the range: they stay.
        FreshMainWindow otherPc(*main, 2);
        AddLine(otherPc.form1->Db(), 25, 2);
        AddLine(otherPc.form1->Db(), 35, 2);
        form11->Button2Click(); // asked again, and no outcome message
        QCOMPARE(messages->texts, QStringList({question, question}));
        QList<int> left;
        for (const QStringList &row : Stored()) left << row[0].toInt();
        QCOMPARE(left, QList<int>({10, 25, 35, 50}));

        QVERIFY(Db().DeleteRows("CHAT", ""));
        form11->RefreshGrid();
        messages->Clear();
        form11->Button2Click(); // the blank row of an empty table: nothing asked
        QVERIFY(messages->texts.isEmpty());
    }
};

QTEST_MAIN(ChatEditorTest)
#include "test_chat_editor.moc"
