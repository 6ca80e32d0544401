// The database settings dialog: its checks, the file-name rule, and that OK creates a missing
// database, leaves an existing one alone and reports a location it cannot reach.

#include "database_settings_dialog.h"
#include "message_recorder.h"
#include "test_database.h"

#include <QLineEdit>
#include <QtTest>

class DatabaseSettingsDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<MessageRecorder> messages;
    Settings &settings() { return main->form1->settings(); }

    void Enter(const QString &prefix, const QString &folder, const QString &file)
    {
        form2->Edit1->setText(prefix);
        form2->Edit2->setText(folder);
        form2->Edit3->setText(file);
    }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        main->form1->DisconnectDatabase(); // the menu command disconnects before the dialog
        form2 = std::make_unique<TForm2>(*main->form1);
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        messages.reset();
        form2.reset();
        main.reset();
    }

    void storedFileNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        // clang-format off
        QTest::newRow("plain") << "paint" << "PAINT.FDB";
        QTest::newRow("extension") << "Paint.fdb" << "PAINT.FDB";
        QTest::newRow("other extension") << "x.gdb" << "X.GDB";
        QTest::newRow("bare dot") << "PAINT." << "PAINT.";
        QTest::newRow("folder part") << "data\\paint" << "DATA\\PAINT.FDB";
        QTest::newRow("dotted folder") << "v1.0\\paint" << "V1.0\\PAINT.FDB";
        QTest::newRow("unix folder") << "v1.0/paint" << "V1.0/PAINT.FDB";
        QTest::newRow("kanji") << QString::fromUtf8("絵ａ") << QString::fromUtf8("絵ａ.FDB");
        // clang-format on
    }
    void storedFileNames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(StoredDatabaseFileName(typed), stored);
    }

    void showingFillsTheFieldsFromTheSettings()
    {
        QVERIFY(form2->FormShow());
        QCOMPARE(form2->Edit1->text(), main->database.ServerPrefix);
        QCOMPARE(form2->Edit2->text(), main->database.DataFolder);
        QCOMPARE(form2->Edit3->text(), main->database.DatabaseFileName);
        QCOMPARE(form2->focusWidget(), form2->Edit1);
        QVERIFY(form2->Edit2->toolTip().startsWith("データベースファイルを作成する"));
    }

    void folderAndFileNameAreRequired()
    {
        Enter("x:", "   ", "A");
        form2->Button1Click();
        QCOMPARE(messages->texts, QStringList{"サーバーのデータのフォルダを入力して下さい"});
        QCOMPARE(form2->focusWidget(), form2->Edit2);
        Enter("x:", "/d/", " ");
        form2->Button1Click();
        QCOMPARE(messages->texts.last(), QStringLiteral("データベース名を入力して下さい"));
        QCOMPARE(form2->focusWidget(), form2->Edit3);
        QCOMPARE(settings().ServerPrefix, main->database.ServerPrefix); // nothing stored
    }

    void okCreatesANewDatabaseAndClosesDisconnected()
    {
        const Settings fresh = test_db::FreshSettings();
        QString typed = fresh.DatabaseFileName;
        typed.chop(4); // without ".FDB": the dialog appends it
        Enter(fresh.ServerPrefix, fresh.DataFolder, typed.toLower());
        form2->Button1Click();
        QVERIFY(messages->texts.isEmpty());
        QCOMPARE(form2->result(), int(QDialog::Accepted));
        QCOMPARE(settings().DatabaseFileName, fresh.DatabaseFileName);
        QVERIFY(!main->form1->Connected());
        main->form1->ConnectDatabase();
        QVERIFY(main->form1->Connected());
        main->form1->DisconnectDatabase();
        test_db::Drop(fresh);
    }

    void okOnAnExistingDatabaseLeavesItAlone()
    {
        main->form1->ConnectDatabase();
        QVERIFY(main->form1->Db().CreateSectionTable());
        QVERIFY(main->form1->Db().InsertRow("SECTION", 1, {"N"}, {"1"}));
        main->form1->DisconnectDatabase();
        QVERIFY(form2->FormShow());
        form2->Button1Click();
        QVERIFY(messages->texts.isEmpty());
        main->form1->ConnectDatabase();
        QCOMPARE(main->form1->Db().CountRows("SECTION", ""), 1);
    }

    void anUnreachableLocationIsReportedAndStaysInForce()
    {
        Enter("", "  /nowhere/", "paint");
        form2->Button1Click();
        QCOMPARE(messages->texts,
                 QStringList{"データベースが作成・接続出来ません。設定を確認して下さい。"});
        QCOMPARE(form2->focusWidget(), form2->Edit1);
        QVERIFY(!main->form1->Connected());
        QCOMPARE(settings().ServerPrefix, QString()); // an empty prefix is accepted
        QCOMPARE(settings().DataFolder, QStringLiteral("  /nowhere/")); // blanks kept
        QCOMPARE(settings().DatabaseFileName, QStringLiteral("PAINT.FDB"));
    }
};

QTEST_MAIN(DatabaseSettingsDialogTest)
#include "test_database_settings_dialog.moc"
