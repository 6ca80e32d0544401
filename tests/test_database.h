#pragma once
// Each test case gets a database of its own on the test run's Firebird server (started by
// scripts/test.sh, which names it in OEKAKI_TEST_SERVER and OEKAKI_TEST_DATA).

#include "settings.h"

#include <QMap>
#include <QString>

class DatabaseSession;

namespace test_db {

// Settings that point at a new, not yet created database file with a unique name, on the test
// run's server. A test started without that server's environment stops at once and says how
// to run the tests.
Settings FreshSettings();
// The same on another server, for example a test's own (see own_server.h).
Settings FreshSettingsOn(const QString &serverPrefix, const QString &dataFolder);
// Creates the database the settings name and leaves the session attached to it.
// False when no test server answers: the caller fails, it does not skip.
bool CreateAndAttach(DatabaseSession &session, const Settings &settings);
// Removes a database file a test made, through the server that owns it.
void Drop(const Settings &settings);
// A database path where no server answers.
Settings UnreachableSettings();
QString WhyNoServer();
// Creates the member table holding these members (number and name, no section).
bool CreateMembers(DatabaseSession &db, const QMap<int, QString> &members);

} // namespace test_db

#include "main_window.h"

#include <QTemporaryDir>
#include <memory>

class QLineEdit;

// A main window attached to a database of its own, with its settings file in a folder of its
// own; the dialogs under test are built on it. Several of them on one database stand for
// several PCs sharing it: each has its own session, settings and windows.
class FreshMainWindow {
public:
    FreshMainWindow();                                     // a new database on the run's server
    explicit FreshMainWindow(const Settings &newDatabase); // a new database there
    // Another PC on firstPc's database, used by member pcUserNumber; the database stays until
    // firstPc drops it.
    FreshMainWindow(const FreshMainWindow &firstPc, int pcUserNumber);
    ~FreshMainWindow();
    bool Ready() const { return form1->Connected(); }
    // Shows the main window as the program does: its show handler reads back the settings
    // saved here, so the child windows it opens come up as for a user.
    void Show();

    QTemporaryDir dir;
    std::unique_ptr<TForm1> form1;
    Settings database; // where the database lives

private:
    bool ownsDatabase_;
};

// Types text into an edit the way a keyboard does, one character at a time, so validators
// and input limits apply.
void TypeInto(QLineEdit *edit, const QString &text);
