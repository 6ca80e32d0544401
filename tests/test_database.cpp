#include "test_database.h"

#include "database_session.h"
#include "isc_handles.h"

#include <QCoreApplication>
#include <atomic>

namespace test_db {

Settings FreshSettingsOn(const QString &serverPrefix, const QString &dataFolder)
{
    static std::atomic<int> counter{0};
    Settings settings;
    settings.ServerPrefix = serverPrefix;
    settings.DataFolder = dataFolder;
    settings.DatabaseFileName = QStringLiteral("T%1_%2.FDB")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(counter.fetch_add(1));
    return settings;
}

Settings FreshSettings()
{
    // No guessing: a default port may belong to another run's server, whose databases this
    // test would then create and drop.
    const QString server = qEnvironmentVariable("OEKAKI_TEST_SERVER");
    const QString data = qEnvironmentVariable("OEKAKI_TEST_DATA");
    if (server.isEmpty() || data.isEmpty())
        qFatal("This test needs the test run's Firebird server, which OEKAKI_TEST_SERVER and "
               "OEKAKI_TEST_DATA name. Run the tests with: bash scripts/test.sh "
               "(or scripts/test.sh -R <test name> for one)");
    // Always through a server: a bare path would quietly open the file with an embedded engine.
    return FreshSettingsOn(server, data);
}

bool CreateAndAttach(DatabaseSession &session, const Settings &settings)
{
    session.CreateDatabaseFile(DatabasePath(settings));
    return session.Connected();
}

void Drop(const Settings &settings)
{
    IscAttachment db;
    IscStatus status;
    if (!db.Attach(DatabasePath(settings).toLocal8Bit(), AttachmentParameters(ConnectionOptions()),
                   status))
        return;
    isc_drop_database(status.vector(), db.Handle());
    if (!status.Failed()) *db.Handle() = 0; // dropping detaches
}

Settings UnreachableSettings()
{
    Settings settings;
    settings.ServerPrefix = QStringLiteral("127.0.0.1/1:"); // nothing listens on port 1
    settings.DataFolder = QStringLiteral("/nowhere/");
    return settings;
}

QString WhyNoServer()
{
    return QStringLiteral("no Firebird test server answers at %1 (run scripts/test.sh)")
        .arg(FreshSettings().ServerPrefix);
}

bool CreateMembers(DatabaseSession &db, const QMap<int, QString> &members)
{
    bool ok = db.CreateMemberTable();
    for (auto it = members.cbegin(); it != members.cend(); ++it)
        ok = ok && db.InsertRow(QStringLiteral("MEMBER"), 3, {"N", "SN", "PNAME"},
                                {QString::number(it.key()), "0", "'" + it.value() + "'"});
    return ok;
}

} // namespace test_db

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

FreshMainWindow::FreshMainWindow(const Settings &newDatabase)
    : form1(std::make_unique<TForm1>(dir.filePath("oekaki.dat"))), database(newDatabase),
      ownsDatabase_(true)
{
    form1->settings() = database;
    form1->CreateDatabaseFile();
}

FreshMainWindow::FreshMainWindow() : FreshMainWindow(test_db::FreshSettings()) {}

FreshMainWindow::FreshMainWindow(const FreshMainWindow &firstPc, int pcUserNumber)
    : form1(std::make_unique<TForm1>(dir.filePath("oekaki.dat"))), database(firstPc.database),
      ownsDatabase_(false)
{
    form1->settings() = database;
    form1->settings().PcUserNumber = pcUserNumber;
    form1->ConnectDatabase();
}

FreshMainWindow::~FreshMainWindow()
{
    form1->DisconnectDatabase();
    form1.reset();
    if (ownsDatabase_) test_db::Drop(database);
}

void FreshMainWindow::Show()
{
    form1->SaveSettings(dir.filePath("oekaki.dat"));
    form1->show();
}

void TypeInto(QLineEdit *edit, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &release);
    }
}
