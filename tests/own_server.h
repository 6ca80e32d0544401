#pragma once
// A Firebird server of one test's own, which the test may stop, kill, freeze and start again
// without disturbing the other tests of the run (they share the run's server). It runs without
// a guardian, so a killed server stays dead until Start().

#include "settings.h"

#include <QString>

class OwnServer {
public:
    OwnServer();  // starts it; Running() says whether that worked
    ~OwnServer(); // stops it and removes its folder, databases included
    OwnServer(const OwnServer &) = delete;
    OwnServer &operator=(const OwnServer &) = delete;

    bool Running() const { return running_; }
    int Port() const { return port_.toInt(); }
    // A new database name on this server; create it as with the run's server.
    Settings FreshSettings() const;
    // Its folder: its firebird.conf and databases.conf, its lock files, its data folder.
    const QString &Folder() const { return dir_; }

    bool Stop();   // orderly shutdown; attachments are told and cut
    bool Start();  // again, on the same port with the same files
    bool Kill();   // SIGKILL: gone at once, connections reset
    bool Freeze(); // SIGSTOP: connections stay open and nothing answers
    bool Thaw();   // SIGCONT
    // The port it sends event alerts from (RemoteAuxPort), from its next Start(); 0: any.
    bool SetAuxPort(int port);

private:
    bool Script(const QStringList &arguments, QString *output = nullptr);

    QString dir_;
    QString port_;
    bool running_ = false;
};
