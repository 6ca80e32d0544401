#pragma once
// The database user and password this PC logs in with. By default the server's administrator
// with the password every installation has always used; an office may choose a user of its
// own. That choice is kept apart from the 39-line settings file (which older builds on other
// PCs read as well) in a small file beside it that only its owner may read or write.

#include <QString>

struct DatabaseLogin {
    QString User; // empty: the built-in administrator login
    QString Password;
    bool IsDefault() const { return User.isEmpty(); }
    bool operator==(const DatabaseLogin &other) const
    {
        return User == other.User && Password == other.Password;
    }
    bool operator!=(const DatabaseLogin &other) const { return !(*this == other); }
};

// Beside the settings file: same folder and base name, extension ".login".
QString LoginFilePath(const QString &settingsFilePath);

// The login the file holds; the default when there is no file or it holds no usable user.
DatabaseLogin ReadLoginFile(const QString &path);
// Writes the file for its owner's eyes only (0600) and replaces an old one only once the new
// one is complete; a default login removes the file instead. False on failure.
bool WriteLoginFile(const QString &path, const DatabaseLogin &login);

// What is wrong with a user name and a password as typed, in the order a dialog checks them.
// A user name is a plain identifier (a letter, then letters, digits or "_", at most 31); a
// password is 1 to 64 visible ASCII characters. Both travel to the server as the bytes typed.
enum class LoginProblem { None, UserMissing, UserChars, PasswordMissing, PasswordChars };
LoginProblem CheckLogin(const QString &user, const QString &password);
