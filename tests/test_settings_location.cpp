// Where an installed program keeps its settings, the small login file beside them, and that a
// PC which never chose a login of its own goes on exactly as before: the same settings file,
// byte for byte, the same database through the built-in login, and no login file.

#include "database_login.h"
#include "message_recorder.h"
#include "test_database.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

mode_t Mode(const QString &path)
{
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

} // namespace

class SettingsLocationTest : public QObject {
    Q_OBJECT

private slots:
    void besideAWritableProgramElseInTheUsersFolder()
    {
        QTemporaryDir programs, config;
        QCOMPARE(SettingsFilePathFor(programs.filePath("oekaki"), config.path()),
                 programs.filePath("oekaki.dat"));
        // A folder this user cannot write (it does not even exist, for a test run as root).
        QCOMPARE(SettingsFilePathFor(programs.filePath("system/bin/oekaki"), config.path()),
                 config.filePath("oekaki/oekaki.dat"));
    }

    void theLoginFileIsTheOwnersAlone()
    {
        QTemporaryDir dir;
        const QString path = LoginFilePath(dir.filePath("oekaki.dat"));
        QCOMPARE(path, dir.filePath("oekaki.login"));
        QVERIFY(ReadLoginFile(path).IsDefault()); // no file

        const DatabaseLogin office{"OEKAKI", "s3cret!pw"};
        QVERIFY(WriteLoginFile(path, office));
        QCOMPARE(Mode(path), mode_t(0600));
        QVERIFY(ReadLoginFile(path) == office);

        // A file someone opened to others is closed again when read; one that holds no
        // usable user is no login at all; the default login takes the file away.
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                                QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(ReadLoginFile(path) == office);
        QCOMPARE(Mode(path), mode_t(0600));
        QVERIFY(WriteBytes(path, "1abc\npw\n"));
        QVERIFY(ReadLoginFile(path).IsDefault());
        QVERIFY(WriteBytes(path, "OEKAKI\r\ns3cret!pw\r\n")); // edited on Windows
        QVERIFY(ReadLoginFile(path) == office);
        QVERIFY(WriteLoginFile(path, DatabaseLogin()));
        QVERIFY(!QFile::exists(path));
        QVERIFY(WriteLoginFile(path, DatabaseLogin())); // nothing to remove: fine
    }

    void whatAUserAndAPasswordMayBe_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("problem");
        const auto row = [](const char *name, const QString &user, const QString &password,
                            LoginProblem problem) {
            QTest::newRow(name) << user << password << int(problem);
        };
        row("built-in", "", "", LoginProblem::None);
        row("office", "Oekaki_2", "x!~'\"\\$", LoginProblem::None);
        row("password alone", "", "pw", LoginProblem::UserMissing);
        row("digit first", "2nd", "pw", LoginProblem::UserChars);
        row("blank in user", "OE KAKI", "pw", LoginProblem::UserChars);
        row("full-width", QString::fromUtf8("ＯＥＫＡＫＩ"), "pw", LoginProblem::UserChars);
        row("32 letters", QString(32, 'A'), "pw", LoginProblem::UserChars);
        row("31 letters", QString(31, 'A'), "pw", LoginProblem::None);
        row("no password", "OEKAKI", "", LoginProblem::PasswordMissing);
        row("blank in password", "OEKAKI", "pass word", LoginProblem::PasswordChars);
        row("kanji password", "OEKAKI", QString::fromUtf8("秘密"), LoginProblem::PasswordChars);
        row("65 characters", "OEKAKI", QString(65, 'p'), LoginProblem::PasswordChars);
    }
    void whatAUserAndAPasswordMayBe()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, problem);
        QCOMPARE(int(CheckLogin(user, password)), problem);
    }

    void anExistingInstallationGoesOnAsBefore()
    {
        // A PC set up by an earlier build: its settings file beside the program and the
        // database it names, made with the built-in login, holding a section.
        FreshMainWindow earlier;
        QVERIFY(earlier.Ready());
        QVERIFY(earlier.form1->Db().CreateSectionTable());
        QVERIFY(earlier.form1->Db().InsertRow("SECTION", 2, {"N", "SNAME"}, {"1", "'総務'"}));
        earlier.form1->DisconnectDatabase();
        Settings settings = earlier.database;
        settings.PcUserNumber = 3;
        settings.PcUserName = QString::fromUtf8("山田");
        WindowPlacements windows;
        windows.mainWindow = QRect(120, 90, 400, 300);
        for (int d = 0; d < kPlacedDialogCount; ++d) windows.dialogs[d] = QPoint(10 * d, 20 * d);
        QTemporaryDir pc;
        const QString path = pc.filePath("oekaki.dat");
        const QByteArray before = FormatSettingsFile(settings, windows);
        QVERIFY(WriteBytes(path, before));

        MessageRecorder messages;
        {
            TForm1 form1(path);
            form1.show();
            QVERIFY(form1.Connected());
            QVERIFY(form1.Login().IsDefault());
            QCOMPARE(form1.Db().CountRows("SECTION", ""), 1);
            form1.FormClose();
        }
        QCOMPARE(messages.texts, QStringList());
        QCOMPARE(FileBytes(path), before);
        QVERIFY(!QFile::exists(pc.filePath("oekaki.login")));
    }
};

QTEST_MAIN(SettingsLocationTest)
#include "test_settings_location.moc"
