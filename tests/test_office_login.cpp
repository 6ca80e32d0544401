// A database with a user of the office's own, set up by the server set-up's own script on a
// server of this test's own: the program logs in as that user through the database settings
// dialog (a wrong password named as such), creates its tables and works, and logs in again by
// itself at the next start; a database used before is handed over with its tables; that
// user gets into nothing else on the server and the built-in login no longer gets in. Running
// the script again changes the password; removing it gives the database back, data and all.

#include "database_settings_dialog.h"
#include "message_recorder.h"
#include "own_server.h"
#include "section_dialog.h"
#include "table_additions.h"
#include "test_database.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QString kScript = QStringLiteral(OEKAKI_SOURCE_DIR "/scripts/office-database.sh");
const QString kUser = QStringLiteral("Hanako_1"); // the server keeps it as HANAKO_1
const QString kPassword = QStringLiteral("pa'ss$wd\\x\"1");

// The database file's path on the server's disk: the settings' path without the server name.
QString DiskPath(const Settings &settings)
{
    return settings.DataFolder + settings.DatabaseFileName;
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class OfficeLoginTest : public QObject {
    Q_OBJECT

    std::unique_ptr<OwnServer> server;
    Settings office;
    std::unique_ptr<MessageRecorder> messages;

    // Runs the script while the server is stopped, as the set-up does.
    bool Script(const QStringList &arguments, const QString &password = QString())
    {
        if (!server->Stop()) return false;
        QProcess script;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FIREBIRD_LOCK"), server->Folder() + "/lock");
        script.setProcessEnvironment(environment);
        script.setProcessChannelMode(QProcess::ForwardedChannels);
        script.start(QStringLiteral("bash"), QStringList{kScript} + arguments);
        script.write(password.toLatin1() + '\n');
        script.closeWriteChannel();
        const bool ran = script.waitForFinished(60000) &&
                         script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
        return server->Start() && ran;
    }
    bool AddUser(const QString &password)
    {
        return Script({"add", server->Folder(), DiskPath(office), kUser}, password);
    }

    // A session of a PC logged in as the office user (or with the built-in login).
    static bool Attaches(const Settings &where, const QString &user, const QString &password,
                         bool *refused = nullptr)
    {
        DatabaseSession session;
        session.SetLogin(user.toLatin1(), password.toLatin1());
        session.ConnectDatabase(DatabasePath(where));
        if (refused) *refused = session.LoginRefused();
        return session.Connected();
    }

private slots:
    void initTestCase()
    {
        server = std::make_unique<OwnServer>();
        QVERIFY(server->Running());
        office = server->FreshSettings();
        QVERIFY(AddUser(kPassword));
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanupTestCase()
    {
        messages.reset();
        server.reset();
    }

    void theOfficeUserWorksThroughTheProgramAndIsKeptForTheNextStart()
    {
        QTemporaryDir pc;
        const QString settingsPath = pc.filePath("oekaki.dat");
        {
            TForm1 form1(settingsPath);
            form1.show(); // no settings file yet: nothing to connect to
            TForm2 form2(form1);
            QVERIFY(form2.FormShow());
            QCOMPARE(form2.Edit4->text(), QString()); // the built-in login until one is typed
            QCOMPARE(form2.Edit5->echoMode(), QLineEdit::Password);
            form2.Edit1->setText(office.ServerPrefix);
            form2.Edit2->setText(office.DataFolder);
            form2.Edit3->setText(office.DatabaseFileName);
            TypeInto(form2.Edit4, kUser);
            TypeInto(form2.Edit5, QStringLiteral("not-the-password"));
            form2.Button1Click(); // the server answers, but not to this password: say so
            QCOMPARE(messages->Take(),
                     QStringList{"ユーザー名またはパスワードが違います。設定を確認して下さい。"});
            QCOMPARE(form2.focusWidget(), form2.Edit4);
            QVERIFY(!form1.Connected());
            form2.Edit5->clear();
            TypeInto(form2.Edit5, kPassword);
            form2.Button1Click();
            QCOMPARE(messages->Take(), QStringList());
            QCOMPARE(form2.result(), int(QDialog::Accepted));

            // The program's tables, made by the menu command as this user, and a row in one.
            form1.ConnectDatabase();
            QVERIFY(form1.Connected());
            TForm3 form3(form1);
            form1.SetStartupDialog(PlacedDialog::Form3, &form3);
            form1.ShowModal = [](QDialog &dialog) { dialog.show(); };
            form1.mnuAddTable1Click();
            QVERIFY(form3.isVisible());
            TypeInto(form3.Edit1, "5");
            TypeInto(form3.Edit2, QString::fromUtf8("総務"));
            form3.Button1Click();
            QCOMPARE(messages->Take(), QStringList{"登録OK"});
            form3.hide();
            QStringList owner{QString()};
            QCOMPARE(form1.Db().SelectFirstRow("RDB$OWNER_NAME", "RDB$RELATIONS",
                                               "RDB$RELATION_NAME='SECTION'", owner),
                     1);
            QCOMPARE(owner.first().trimmed(), kUser.toUpper());

            // A picture's strokes: its table, the additions beside it, and deleting it again.
            DatabaseSession &db = form1.Db();
            QVERIFY(db.CreateImageListTable());
            QVERIFY(db.CreateImageTable("IMG_1"));
            QVERIFY(db.InsertRow("IMG_1", 2, {"N", "MN"}, {"1", "5"}));
            QCOMPARE(additions::EnsureNumberIndex(db, "IMG_1"), additions::Outcome::Added);
            QCOMPARE(additions::EnsureEventTrigger(db, "IMG_1", false), additions::Outcome::Added);
            QVERIFY(db.DropTable("IMG_1"));
            // What the user may not do there: read the password hashes.
            QCOMPARE(db.CountRows("PLG$SRP", ""), -1);
            form1.FormClose();
        }

        // The login went into its own file, for the owner's eyes only; the settings file
        // has its 39 lines and no password.
        const QString loginPath = pc.filePath("oekaki.login");
        struct stat info {};
        QCOMPARE(stat(QFile::encodeName(loginPath).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        QCOMPARE(FileBytes(loginPath), (kUser + "\n" + kPassword + "\n").toLatin1());
        const QByteArray settingsBytes = FileBytes(settingsPath);
        QCOMPARE(settingsBytes.count("\r\n"), 39);
        QVERIFY(!settingsBytes.contains(kPassword.toLatin1()));
        QVERIFY(!settingsBytes.contains(kUser.toLatin1()));

        // The next start logs in by itself, and the dialog shows the user it logs in as.
        TForm1 again(settingsPath);
        again.show();
        QVERIFY(again.Connected());
        QCOMPARE(messages->Take(), QStringList());
        QCOMPARE(again.Db().CountRows("SECTION", ""), 1);
        again.DisconnectDatabase();
        TForm2 form2(again);
        QVERIFY(form2.FormShow());
        QCOMPARE(form2.Edit4->text(), kUser);
    }

    void theOfficeUserGetsIntoNothingElseAndTheBuiltInLoginNotIntoIt()
    {
        // Another database on the same server, made with the built-in login.
        const Settings other = server->FreshSettings();
        DatabaseSession admin;
        QVERIFY(test_db::CreateAndAttach(admin, other));
        admin.DisconnectDatabase();

        bool refused = false;
        QVERIFY(!Attaches(other, kUser, kPassword, &refused));
        QVERIFY(refused);
        DatabaseSession creator; // nor may it make databases of its own there
        creator.SetLogin(kUser.toLatin1(), kPassword.toLatin1());
        creator.CreateDatabaseFile(DatabasePath(server->FreshSettings()));
        QVERIFY(!creator.Connected());
        QVERIFY(creator.LoginRefused());

        QVERIFY(!Attaches(office, QString(), QString(), &refused)); // SYSDBA / built-in
        QVERIFY(refused);
        test_db::Drop(other);
    }

    void aDatabaseUsedBeforeIsHandedOverWithItsTables()
    {
        // An office that ran with the built-in login until now: its tables are SYSDBA's.
        const Settings earlier = server->FreshSettings();
        {
            DatabaseSession admin;
            QVERIFY(test_db::CreateAndAttach(admin, earlier));
            QVERIFY(admin.CreateSectionTable());
            QVERIFY(admin.InsertRow("SECTION", 2, {"N", "SNAME"}, {"1", "'総務'"}));
            QVERIFY(admin.CreateImageTable("IMG_7"));
        }
        QVERIFY(Script({"add", server->Folder(), DiskPath(earlier), "OFFICE2"}, kPassword));

        DatabaseSession db;
        db.SetLogin("office2", kPassword.toLatin1());
        db.ConnectDatabase(DatabasePath(earlier));
        QVERIFY(db.Connected());
        QCOMPARE(db.CountRows("SECTION", ""), 1);
        QVERIFY(db.InsertRow("SECTION", 2, {"N", "SNAME"}, {"2", "'営業'"}));
        QVERIFY(db.UpdateRows("SECTION", 1, {"SNAME"}, {"'総務部'"}, "N=1"));
        QCOMPARE(additions::EnsureNumberIndex(db, "IMG_7"), additions::Outcome::Added);
        QCOMPARE(additions::EnsureEventTrigger(db, "IMG_7", false), additions::Outcome::Added);
        QVERIFY(db.DropTable("IMG_7"));
        QVERIFY(db.CreateChatTable());
        db.DisconnectDatabase();
        QVERIFY(Script({"remove", server->Folder(), DiskPath(earlier), "OFFICE2"}));
        test_db::Drop(earlier);
    }

    void runningTheScriptAgainChangesThePasswordAndRemovingGivesTheDatabaseBack()
    {
        const QString newPassword = QStringLiteral("another-one-2");
        QVERIFY(AddUser(newPassword));
        bool refused = false;
        QVERIFY(!Attaches(office, kUser, kPassword, &refused));
        QVERIFY(refused);
        QVERIFY(Attaches(office, kUser, newPassword));
        const QByteArray conf = FileBytes(server->Folder() + "/databases.conf");
        QCOMPARE(conf.count("# oekaki: BEGIN "), 1);

        QVERIFY(Script({"remove", server->Folder(), DiskPath(office), kUser}));
        QVERIFY(!Attaches(office, kUser, newPassword));
        DatabaseSession admin; // the built-in login again, and the office's rows are there
        admin.ConnectDatabase(DatabasePath(office));
        QVERIFY(admin.Connected());
        QCOMPARE(admin.CountRows("SECTION", ""), 1);
        QVERIFY(!FileBytes(server->Folder() + "/databases.conf").contains("# oekaki:"));
    }
};

QTEST_MAIN(OfficeLoginTest)
#include "test_office_login.moc"
