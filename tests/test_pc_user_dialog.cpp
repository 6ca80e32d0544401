// The PC user dialog: which member uses this PC, chosen from the members now registered.

#include "message_recorder.h"
#include "pc_user_dialog.h"
#include "test_database.h"

#include <QComboBox>
#include <QtTest>

class PcUserDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<TForm5> form5;
    std::unique_ptr<MessageRecorder> messages;
    DatabaseSession &Db() { return main->form1->Db(); }
    Settings &settings() { return main->form1->settings(); }

    void AddMember(int n, const QString &nameValue)
    {
        QVERIFY(Db().InsertRow("MEMBER", 3, {"N", "SN", "PNAME"},
                               {QString::number(n), "0", nameValue}));
    }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        form5 = std::make_unique<TForm5>(*main->form1);
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        messages.reset();
        form5.reset();
        main.reset();
    }

    void noMembersAtAll()
    {
        QVERIFY(form5->FormShow()); // table MEMBER missing: an empty list
        QCOMPARE(form5->ComboBox1->count(), 0);
        form5->Button1Click();
        QCOMPARE(messages->texts, QStringList{"最初にメンバーの登録を行って下さい"});
        QVERIFY(Db().CreateMemberTable());
        QVERIFY(form5->FormShow());
        form5->Button1Click();
        QCOMPARE(messages->texts.last(), QStringLiteral("最初にメンバーの登録を行って下さい"));
        QCOMPARE(settings().PcUserNumber, 0);
    }

    void choosingAndPreselecting()
    {
        QVERIFY(Db().CreateMemberTable());
        AddMember(3, "'山田'");
        AddMember(7, "NULL");
        AddMember(12, "'a:b'");
        QVERIFY(form5->FormShow());
        QCOMPARE(form5->ComboBox1->itemText(0), QStringLiteral("3:山田"));
        QCOMPARE(form5->ComboBox1->itemText(1), QStringLiteral("7:"));
        QCOMPARE(form5->ComboBox1->currentIndex(), -1); // nobody chosen yet
        form5->Button1Click();
        QCOMPARE(messages->texts, QStringList{"PC利用者名を指定して下さい"});
        QVERIFY(form5->isVisible() == false && form5->result() == 0);

        form5->ComboBox1->setCurrentIndex(2);
        form5->Button1Click();
        QCOMPARE(settings().PcUserNumber, 12);
        QCOMPARE(settings().PcUserName, QStringLiteral("a:b")); // after the first colon, whole
        QCOMPARE(form5->result(), int(QDialog::Accepted));

        form5->ComboBox1->setCurrentIndex(1); // a member without a name
        form5->Button1Click();
        QCOMPARE(settings().PcUserNumber, 7);
        QCOMPARE(settings().PcUserName, QString());

        // The current user is preselected, under the name now listed.
        settings().PcUserNumber = 3;
        QVERIFY(Db().UpdateRows("MEMBER", 1, {"PNAME"}, {"'山田太郎'"}, "N=3"));
        QVERIFY(form5->FormShow());
        QCOMPARE(form5->ComboBox1->currentText(), QStringLiteral("3:山田太郎"));
        form5->Button1Click();
        QCOMPARE(settings().PcUserName, QStringLiteral("山田太郎"));

        // A deleted member is not preselected, and the setting stays until another is chosen.
        QVERIFY(Db().DeleteRows("MEMBER", "N=3"));
        QVERIFY(form5->FormShow());
        QCOMPARE(form5->ComboBox1->currentIndex(), -1);
        form5->Button2Click();
        QCOMPARE(settings().PcUserNumber, 3);
    }

    void showingNeedsSettingsAndConnection()
    {
        settings().DatabaseFileName = " ";
        QVERIFY(!form5->FormShow());
        QCOMPARE(messages->texts, QStringList{"最初にデータベースの設定を行って下さい。"});
        settings() = main->database;
        main->form1->DisconnectDatabase();
        QVERIFY(!form5->FormShow());
        QCOMPARE(messages->texts.last(),
                 QStringLiteral("データベースに接続出来ません。設定を確認して下さい。"));
    }
};

QTEST_MAIN(PcUserDialogTest)
#include "test_pc_user_dialog.moc"
