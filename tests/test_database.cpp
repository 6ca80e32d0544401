#include "test_database.h"

#include "database_session.h"
#include "isc_handles.h"

#include <QCoreApplication>
#include <atomic>

namespace test_db {

Settings FreshSettings()
{
    static std::atomic<int> counter{0};
    auto env = [](const char *name, const char *fallback) {
        const QString value = qEnvironmentVariable(name);
        return value.isEmpty() ? QString::fromLatin1(fallback) : value;
    };
    Settings settings;
    // Always through a server: a bare path would quietly open the file with an embedded engine.
    settings.ServerPrefix = env("OEKAKI_TEST_SERVER", "127.0.0.1/3051:");
    settings.DataFolder = env("OEKAKI_TEST_DATA", "/tmp/");
    settings.DatabaseFileName = QStringLiteral("T%1_%2.FDB")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(counter.fetch_add(1));
    return settings;
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
    if (!db.Attach(DatabasePath(settings).toLocal8Bit(),
                   AttachmentParameters("SYSDBA", "quillnest"), status))
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

} // namespace test_db

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

FreshMainWindow::FreshMainWindow()
    : form1(std::make_unique<TForm1>(dir.filePath("oekaki.dat"))),
      database(test_db::FreshSettings())
{
    form1->settings() = database;
    form1->CreateDatabaseFile();
}

FreshMainWindow::~FreshMainWindow()
{
    form1->DisconnectDatabase();
    form1.reset();
    test_db::Drop(database);
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
