#include "database_login.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr int kMaxUser = 31;
constexpr int kMaxPassword = 64;
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

bool IsAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool IsUserName(const QString &user)
{
    if (user.isEmpty() || user.size() > kMaxUser || !IsAsciiLetter(user.front())) return false;
    for (QChar c : user) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!IsAsciiLetter(c) && !digit && c != QLatin1Char('_')) return false;
    }
    return true;
}

bool IsPassword(const QString &password)
{
    if (password.isEmpty() || password.size() > kMaxPassword) return false;
    for (QChar c : password)
        if (c.unicode() < 0x21 || c.unicode() > 0x7E) return false;
    return true;
}

} // namespace

QString LoginFilePath(const QString &settingsFilePath)
{
    const QFileInfo settings(settingsFilePath);
    return settings.absoluteDir().filePath(settings.completeBaseName() + QStringLiteral(".login"));
}

DatabaseLogin ReadLoginFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.read(4096);
    // A file others may read gives the password away: close it to them at least from now on.
    constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                 QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                 QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (file.permissions() & kOthers) file.setPermissions(kOwnerOnly);
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r')) line.chop(1);
    if (lines.size() < 2) return {};
    DatabaseLogin login{QString::fromLatin1(lines[0]), QString::fromLatin1(lines[1])};
    if (CheckLogin(login.User, login.Password) != LoginProblem::None) return {};
    return login;
}

bool WriteLoginFile(const QString &path, const DatabaseLogin &login)
{
    if (login.IsDefault()) return !QFile::exists(path) || QFile::remove(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // Closed to everyone else before the first byte of the password is written.
    if (!file.setPermissions(kOwnerOnly)) {
        file.cancelWriting();
        return false;
    }
    const QByteArray bytes = login.User.toLatin1() + '\n' + login.Password.toLatin1() + '\n';
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

LoginProblem CheckLogin(const QString &user, const QString &password)
{
    if (user.isEmpty()) return password.isEmpty() ? LoginProblem::None : LoginProblem::UserMissing;
    if (!IsUserName(user)) return LoginProblem::UserChars;
    if (password.isEmpty()) return LoginProblem::PasswordMissing;
    if (!IsPassword(password)) return LoginProblem::PasswordChars;
    return LoginProblem::None;
}
