// The section dialog, driven through its handlers against a real database: every check with
// its message and focus, the outcome of each action, and what the grid shows afterwards.

#include "cp932.h"
#include "message_recorder.h"
#include "own_server.h"
#include "section_dialog.h"
#include "string_grid.h"
#include "test_database.h"

#include <QLineEdit>
#include <QtTest>

namespace {
const QString kEnterNumber = QStringLiteral("番号を入力して下さい（正の整数値入力）");
const QString kPositive = QStringLiteral("番号は正の整数で入力して下さい");
const QString kNoQuotes = QStringLiteral("引用符「'」「\"」を入力しないで下さい");
} // namespace

class SectionDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<MessageRecorder> messages;
    DatabaseSession &Db() { return main->form1->Db(); }

    QStringList GridColumn(int column)
    {
        QStringList cells;
        for (int r = 1; r < form3->SG1->RowCount(); ++r) cells << form3->SG1->Cell(column, r);
        return cells;
    }
    void Enter(const QString &number, const QString &name)
    {
        form3->Edit1->setText(number);
        form3->Edit2->setText(name);
    }
    void AddSections(const QList<QPair<int, QString>> &sections)
    {
        for (const auto &[n, name] : sections)
            QVERIFY(Db().InsertRow("SECTION", 2, {"N", "SNAME"},
                                   {QString::number(n), "'" + name + "'"}));
    }
    // The one message of the last action, and where the focus went.
    void ExpectRefusal(const QString &text, QWidget *focus)
    {
        QCOMPARE(messages->texts, QStringList{text});
        QCOMPARE(form3->focusWidget(), focus);
        messages->Clear();
    }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        QVERIFY(Db().CreateSectionTable());
        form3 = std::make_unique<TForm3>(*main->form1);
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        messages.reset();
        form3.reset();
        main.reset();
    }

    void showingNeedsTheDatabaseSettingsThenTheConnection()
    {
        main->form1->settings().DataFolder = "   ";
        QVERIFY(!form3->FormShow());
        QCOMPARE(messages->texts, QStringList{"最初にデータベースの設定を行って下さい。"});
        messages->Clear();
        main->form1->settings().DataFolder = main->database.DataFolder;
        main->form1->settings().DatabaseFileName = "";
        QVERIFY(!form3->FormShow());
        QCOMPARE(messages->texts, QStringList{"最初にデータベースの設定を行って下さい。"});
        messages->Clear();
        main->form1->settings() = main->database;
        main->form1->DisconnectDatabase();
        QVERIFY(!form3->FormShow());
        QCOMPARE(messages->texts,
                 QStringList{"データベースに接続出来ません。設定を確認して下さい。"});
    }

    void anEmptyTableShowsOneBlankRowThatDoesNothing()
    {
        QVERIFY(form3->FormShow());
        QVERIFY(messages->texts.isEmpty());
        QCOMPARE(form3->SG1->RowCount(), 2);
        QCOMPARE(form3->SG1->horizontalHeaderItem(0)->text(), QStringLiteral("番号"));
        QCOMPARE(form3->SG1->horizontalHeaderItem(1)->text(), QStringLiteral("名称"));
        Enter("5", "keep");
        form3->SG1->SetRow(1);
        form3->SG1Click();
        QCOMPARE(form3->Edit1->text(), QStringLiteral("5"));
        form3->Button2Click();
        QVERIFY(messages->texts.isEmpty());
    }

    void theGridListsSectionsInNumberOrder()
    {
        AddSections({{7, "営業"}, {1, "総務"}, {2, ""}});
        QVERIFY(Db().InsertRow("SECTION", 1, {"N"}, {"3"})); // a NULL name
        QVERIFY(form3->FormShow());
        QCOMPARE(form3->SG1->RowCount(), 5);
        QCOMPARE(GridColumn(0), QStringList({"1", "2", "3", "7"}));
        QCOMPARE(GridColumn(1), QStringList({"総務", "", "", "営業"}));
        form3->SG1->SetRow(4);
        form3->SG1Click();
        QCOMPARE(form3->Edit1->text(), QStringLiteral("7"));
        QCOMPARE(form3->Edit2->text(), QStringLiteral("営業"));
    }

    void addChecksInOrder()
    {
        QVERIFY(form3->FormShow());
        Enter("   ", "x'x");
        form3->Button1Click();
        ExpectRefusal(kEnterNumber, form3->Edit1);
        for (const char *bad : {"0", "-3", "abc", "5 "}) {
            Enter(bad, "x'x");
            form3->Button1Click();
            ExpectRefusal(kPositive, form3->Edit1);
        }
        for (const char *quoted : {"O'Neil", "say \"hi\""}) {
            Enter("5", quoted);
            form3->Button1Click();
            ExpectRefusal(kNoQuotes, form3->Edit2);
        }
        QCOMPARE(Db().CountRows("SECTION", ""), 0); // nothing reached the database
    }

    void addStoresAndRefusesAUsedNumber()
    {
        QVERIFY(form3->FormShow());
        Enter(" 4", "総務部");
        form3->Button1Click();
        QCOMPARE(messages->texts, QStringList{"登録OK"});
        Enter("6", ""); // no name is needed to add: stored as NULL
        form3->Button1Click();
        Enter("8", "  ");
        form3->Button1Click();
        QCOMPARE(messages->texts, QStringList({"登録OK", "登録OK", "登録OK"}));
        QCOMPARE(GridColumn(0), QStringList({"4", "6", "8"}));
        QCOMPARE(GridColumn(1), QStringList({"総務部", "", "  "}));
        QCOMPARE(Db().CountRows("SECTION", "SNAME IS NULL"), 1);
        messages->Clear();

        Enter("4", "other");
        form3->Button1Click();
        QCOMPARE(messages->texts, QStringList{"登録失敗"});
        QCOMPARE(GridColumn(1).first(), QStringLiteral("総務部"));
        QCOMPARE(form3->Edit2->text(), QStringLiteral("other")); // fields are never cleared
    }

    void changeChecksInOrderAndRenames()
    {
        AddSections({{3, "総務"}});
        QVERIFY(form3->FormShow());
        Enter(" ", "");
        form3->Button4Click();
        ExpectRefusal(kEnterNumber, form3->Edit1);
        for (const char *blankName : {"", "   "}) {
            Enter("0", blankName);
            form3->Button4Click();
            ExpectRefusal("名称を入力して下さい（半角32文字まで）", form3->Edit2);
        }
        Enter("0", "x'");
        form3->Button4Click();
        ExpectRefusal(kPositive, form3->Edit1);
        Enter("9", "x'");
        form3->Button4Click();
        ExpectRefusal("入力した番号は未使用ですので変更は出来ません。再入力して下さい",
                      form3->Edit1);
        Enter("3", "x'");
        form3->Button4Click();
        ExpectRefusal(kNoQuotes, form3->Edit2);

        Enter("3", "人事");
        form3->Button4Click();
        QCOMPARE(messages->texts, QStringList{"変更OK"});
        QCOMPARE(GridColumn(1), QStringList{"人事"});
    }

    void deleteAsksAndRespectsMembers()
    {
        AddSections({{3, "総務"}, {5, "営業"}});
        QVERIFY(Db().CreateMemberTable());
        QVERIFY(Db().InsertRow("MEMBER", 3, {"N", "SN", "PNAME"}, {"1", "3", "'山田'"}));
        QVERIFY(form3->FormShow());
        form3->SG1->SetRow(1);

        messages->answers = {MessageAnswer::No};
        form3->Button2Click();
        QCOMPARE(messages->texts, QStringList{"「No.3：総務」を削除します。\r\nよろしいですか？"});
        QCOMPARE(messages->kinds, QList<MessageKind>{MessageKind::Question});
        QCOMPARE(Db().CountRows("SECTION", ""), 2);
        messages->Clear();

        form3->Button2Click();
        QCOMPARE(messages->texts.last(),
                 QStringLiteral("メンバーデータで既に使用されていますので削除出来ません。"));
        QCOMPARE(Db().CountRows("SECTION", ""), 2);
        messages->Clear();

        // Once the member has moved to no section, the section can go.
        QVERIFY(Db().UpdateRows("MEMBER", 1, {"SN"}, {"0"}, "N=1"));
        form3->Button2Click();
        QCOMPARE(messages->texts.last(), QStringLiteral("削除OK"));
        QCOMPARE(GridColumn(0), QStringList{"5"});

        // Without a MEMBER table there is nothing to refer to the section.
        QVERIFY(Db().DropTable("MEMBER"));
        form3->SG1->SetRow(1);
        form3->Button2Click();
        QCOMPARE(messages->texts.last(), QStringLiteral("削除OK"));
        QCOMPARE(form3->SG1->RowCount(), 2);
        QCOMPARE(form3->SG1->Cell(0, 1), QString());
    }

    void doubleClickProposesTheNextNumber()
    {
        form3->Edit2->setText("untouched");
        form3->Edit1DblClick();
        QCOMPARE(form3->Edit1->text(), QStringLiteral("1"));
        AddSections({{1, "a"}, {2, "b"}, {7, "c"}});
        form3->Edit1DblClick();
        QCOMPARE(form3->Edit1->text(), QStringLiteral("8"));
        QCOMPARE(form3->Edit2->text(), QStringLiteral("untouched"));
        QCOMPARE(Db().CountRows("SECTION", ""), 3);
    }

    void aNameReadAndSavedUnchangedKeepsItsBytes()
    {
        // As another PC may have stored it: kanji, the bytes the code page leaves unassigned,
        // and a lead byte cut off at the end. The server compares the bytes itself.
        const QString bytes = "x'93FA80A0FDFEFF4181'";
        QVERIFY(Db().InsertRow("SECTION", 2, {"N", "SNAME"}, {"1", bytes}));
        QVERIFY(form3->FormShow());
        form3->SG1->SetRow(1);
        form3->SG1Click();
        QCOMPARE(form3->Edit2->text().size(), 8);
        form3->Button4Click();
        QCOMPARE(messages->texts, QStringList{"変更OK"});
        QCOMPARE(Db().CountRows("SECTION", "SNAME=" + bytes), 1);
    }

    void fieldsCountCp932Bytes()
    {
        TypeInto(form3->Edit2, QString::fromUtf8("一二三四五六七八九十一二三四五六七"));
        QCOMPARE(cp932::ByteLength(form3->Edit2->text()), 32); // 16 kanji, the 17th refused
        form3->Edit2->clear();
        TypeInto(form3->Edit2, QString::fromUtf8("café"));
        QCOMPARE(form3->Edit2->text(), QStringLiteral("caf"));
        TypeInto(form3->Edit1, "12345678901234567");
        QCOMPARE(form3->Edit1->text(), QStringLiteral("1234567890123456"));
        QVERIFY(!form3->Edit1->testAttribute(Qt::WA_InputMethodEnabled));
    }

    void aServerOutOfReachIsNamedNotBlamedOnTheInput()
    {
        const QString cannotConnect =
            QStringLiteral("データベースに接続出来ません。設定を確認して下さい。");
        OwnServer server;
        QVERIFY(server.Running());
        FreshMainWindow pc(server.FreshSettings());
        QVERIFY(pc.Ready());
        QVERIFY(pc.form1->Db().CreateSectionTable());
        QVERIFY(pc.form1->Db().InsertRow("SECTION", 2, {"N", "SNAME"}, {"1", "'a'"}));
        TForm3 dialog(*pc.form1);
        QVERIFY(dialog.FormShow());
        QCOMPARE(dialog.SG1->Cell(0, 1), QString("1"));

        QVERIFY(server.Kill());
        dialog.Edit1->setText("1");
        dialog.Edit2->setText("b");
        dialog.Button4Click(); // not "the number is unused"
        QCOMPARE(messages->Take(), QStringList{cannotConnect});
        dialog.Edit1->setText("7");
        dialog.Edit1DblClick(); // no proposal of 1, which exists
        QCOMPARE(messages->Take(), QStringList{cannotConnect});
        QCOMPARE(dialog.Edit1->text(), QString("7"));
        dialog.Button1Click(); // the add fails; the grid keeps its rows
        QCOMPARE(messages->Take(), QStringList{QStringLiteral("登録失敗")});
        QCOMPARE(dialog.SG1->Cell(0, 1), QString("1"));
        QVERIFY(!dialog.FormShow());
        QCOMPARE(messages->Take(), QStringList{cannotConnect});

        QVERIFY(server.Start()); // back without any reconnecting by the user
        dialog.Edit1->setText("1");
        dialog.Button4Click();
        QCOMPARE(messages->texts, QStringList{QStringLiteral("変更OK")});
    }
};

QTEST_MAIN(SectionDialogTest)
#include "test_section_dialog.moc"
