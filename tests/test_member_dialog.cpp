// The member dialog against a real database: the join of members and sections and what it
// lists, the section list, and add / change / delete with their checks.

#include "member_dialog.h"
#include "message_recorder.h"
#include "string_grid.h"
#include "test_database.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class MemberDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<MessageRecorder> messages;
    DatabaseSession &Db() { return main->form1->Db(); }

    QList<QStringList> Grid()
    {
        QList<QStringList> rows;
        for (int r = 1; r < form4->SG1->RowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < 4; ++c) row << form4->SG1->Cell(c, r);
            rows << row;
        }
        return rows;
    }
    QStringList Items()
    {
        QStringList items;
        for (int i = 0; i < form4->ComboBox1->count(); ++i) items << form4->ComboBox1->itemText(i);
        return items;
    }
    void AddSection(int n, const QString &name)
    {
        QVERIFY(
            Db().InsertRow("SECTION", 2, {"N", "SNAME"}, {QString::number(n), "'" + name + "'"}));
    }
    void AddMember(int n, int section, const QString &name)
    {
        QVERIFY(Db().InsertRow("MEMBER", 3, {"N", "SN", "PNAME"},
                               {QString::number(n), QString::number(section), "'" + name + "'"}));
    }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        QVERIFY(Db().CreateMemberTable());
        form4 = std::make_unique<TForm4>(*main->form1);
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        messages.reset();
        form4.reset();
        main.reset();
    }

    void collapsingTheJoinedRows()
    {
        // Member 2 of no section meets sections 1 and 2; the first of its rows stays.
        const QList<QStringList> joined{{"1", "1", "営業", "a"},
                                        {"2", "0", "営業", "b"},
                                        {"2", "0", "総務", "b"},
                                        {"4", "2", "総務", "d"}};
        QCOMPARE(MemberGridRows(joined),
                 QList<QStringList>(
                     {{"1", "1", "営業", "a"}, {"2", "0", "", "b"}, {"4", "2", "総務", "d"}}));
        QCOMPARE(MemberGridRows({}), QList<QStringList>());
    }

    void eachListedMemberOnceWithItsSection()
    {
        QVERIFY(Db().CreateSectionTable());
        AddSection(1, "営業");
        AddSection(2, "総務");
        AddMember(1, 1, "山田");
        AddMember(2, 0, "佐藤");
        AddMember(3, 9, "鈴木"); // section 9 does not exist
        QVERIFY(form4->FormShow());
        QCOMPARE(Items(), QStringList({"0:指定無し", "1:営業", "2:総務"}));
        QCOMPARE(form4->ComboBox1->currentIndex(), 0);
        QCOMPARE(Grid(), QList<QStringList>({{"1", "1", "営業", "山田"}, {"2", "0", "", "佐藤"}}));

        form4->SG1->SetRow(2);
        form4->SG1Click();
        QCOMPARE(form4->Edit1->text(), QStringLiteral("2"));
        QCOMPARE(form4->Edit2->text(), QStringLiteral("佐藤"));
        QCOMPARE(form4->ComboBox1->currentText(), QStringLiteral("0:指定無し"));
        form4->SG1->SetRow(1);
        form4->SG1Click();
        QCOMPARE(form4->ComboBox1->currentText(), QStringLiteral("1:営業"));
    }

    void noSectionsMeansNoMembersListed()
    {
        AddMember(1, 0, "a");
        // Table SECTION missing: only the none item, and the join fails to one blank row.
        QVERIFY(form4->FormShow());
        QCOMPARE(Items(), QStringList{"0:指定無し"});
        QCOMPARE(Grid(), QList<QStringList>({{"", "", "", ""}}));
        // Table SECTION empty: the same.
        QVERIFY(Db().CreateSectionTable());
        QVERIFY(form4->FormShow());
        QCOMPARE(Items(), QStringList{"0:指定無し"});
        QCOMPARE(Grid(), QList<QStringList>({{"", "", "", ""}}));
    }

    void addChangeAndDelete()
    {
        QVERIFY(Db().CreateSectionTable());
        AddSection(1, "営業");
        AddSection(2, "総務");
        QVERIFY(form4->FormShow());

        form4->Edit1DblClick();
        QCOMPARE(form4->Edit1->text(), QStringLiteral("1"));
        form4->Edit2->setText("山田");
        form4->Button1Click(); // "0:指定無し" is selected: SN 0
        QCOMPARE(messages->texts, QStringList{"登録OK"});
        QStringList fields{"", "", ""};
        QCOMPARE(Db().SelectFirstRow("*", "MEMBER", "N=1", fields), 3);
        QCOMPARE(fields, QStringList({"1", "0", "山田"}));
        messages->Clear();

        form4->Edit1->setText("1");
        form4->Edit2->setText("");
        form4->Button4Click();
        QCOMPARE(messages->texts, QStringList{"氏名を入力して下さい（半角16文字まで）"});
        QCOMPARE(form4->focusWidget(), form4->Edit2);
        messages->Clear();

        form4->Edit1->setText("5");
        form4->Edit2->setText("x");
        form4->Button4Click();
        QCOMPARE(messages->texts,
                 QStringList{"入力した番号は未使用ですので変更は出来ません。再入力して下さい"});
        messages->Clear();

        form4->Edit1->setText("1");
        form4->Edit2->setText("山田花子");
        form4->ComboBox1->setCurrentIndex(2);
        form4->Button4Click();
        QCOMPARE(messages->texts, QStringList{"変更OK"});
        QCOMPARE(Grid(), QList<QStringList>({{"1", "2", "総務", "山田花子"}}));
        messages->Clear();

        form4->Edit1->setText("1");
        form4->Button1Click();
        QCOMPARE(messages->texts, QStringList{"登録失敗"});
        messages->Clear();

        form4->SG1->SetRow(1);
        form4->Button2Click();
        QCOMPARE(messages->texts,
                 QStringList({"「No.1：山田花子」を削除します。\r\nよろしいですか？", "削除OK"}));
        QCOMPARE(Db().CountRows("MEMBER", ""), 0);
    }

    void nameFieldTakesEightKanji()
    {
        TypeInto(form4->Edit2, QString::fromUtf8("一二三四五六七八九"));
        QCOMPARE(form4->Edit2->text(), QString::fromUtf8("一二三四五六七八"));
    }
};

QTEST_MAIN(MemberDialogTest)
#include "test_member_dialog.moc"
