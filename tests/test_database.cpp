#include "test_database.h"

#include "database_session.h"
#include "isc_handles.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <atomic>

namespace test_db {

Settings FreshSettings()
{
    static std::atomic<int> counter{0};
    const auto env = QProcessEnvironment::systemEnvironment();
    Settings settings;
    settings.ServerPrefix = env.value(QStringLiteral("OEKAKI_TEST_SERVER"),
                                      QStringLiteral("127.0.0.1/3051:"));
    settings.DataFolder = env.value(QStringLiteral("OEKAKI_TEST_DATA"), QStringLiteral("/tmp/"));
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
