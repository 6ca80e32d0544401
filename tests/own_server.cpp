#include "own_server.h"

#include "test_database.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {
const QString kScript = QStringLiteral(OEKAKI_SOURCE_DIR "/scripts/firebird-private.sh");
}

OwnServer::OwnServer()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/oekaki-own-fb.XXXXXX"));
    dir.setAutoRemove(false); // the script owns it from here and removes it at the end
    dir_ = dir.path();
    QString port;
    running_ = Script({QStringLiteral("bare-start"), dir_}, &port);
    port_ = port.trimmed();
}

OwnServer::~OwnServer()
{
    Script({QStringLiteral("stop"), dir_});
}

Settings OwnServer::FreshSettings() const
{
    return test_db::FreshSettingsOn(QStringLiteral("127.0.0.1/%1:").arg(port_),
                                    dir_ + QStringLiteral("/data/"));
}

bool OwnServer::Stop()
{
    running_ = false;
    return Script({QStringLiteral("bare-signal"), dir_, QStringLiteral("TERM")});
}

bool OwnServer::Start()
{
    running_ = Script({QStringLiteral("bare-start"), dir_, port_});
    return running_;
}

bool OwnServer::Kill()
{
    running_ = false;
    return Script({QStringLiteral("bare-signal"), dir_, QStringLiteral("KILL")});
}

bool OwnServer::Freeze()
{
    return Script({QStringLiteral("bare-signal"), dir_, QStringLiteral("STOP")});
}

bool OwnServer::Thaw()
{
    return Script({QStringLiteral("bare-signal"), dir_, QStringLiteral("CONT")});
}

bool OwnServer::SetAuxPort(int port)
{
    QStringList arguments{QStringLiteral("aux-port"), dir_};
    if (port > 0) arguments << QString::number(port);
    return Script(arguments);
}

bool OwnServer::Script(const QStringList &arguments, QString *output)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(QStringLiteral("bash"), QStringList{kScript} + arguments);
    if (!script.waitForFinished(60000)) return false;
    if (output) *output = QString::fromLocal8Bit(script.readAllStandardOutput());
    return script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}
