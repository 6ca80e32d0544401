#pragma once
// TForm2: the database settings dialog. The user names the server prefix, the folder on the
// server and the database file; OK stores them, creates the file when it is missing and proves
// that it can be attached. Below them, an office that has its own database user types that
// user and its password once per PC; left empty, the built-in administrator login is used.

#include "startup_dialog.h"

class TForm2 : public StartupDialog {
    Q_OBJECT

public:
    explicit TForm2(TForm1 &form1);

    bool FormShow() override;
    void Button1Click(); // OK
    void Button2Click(); // Cancel

    QLabel *Label1, *Label5, *Label2, *Label3, *Label6, *Label7;
    QLineEdit *Edit1; // server prefix, e.g. "localhost:" or "192.168.0.10:"
    QLineEdit *Edit2; // folder on the server, ending in its separator
    QLineEdit *Edit3; // database file name
    QLineEdit *Edit4; // the office's database user; empty for the built-in login
    QLineEdit *Edit5; // its password, shown as dots
    QPushButton *Button1, *Button2;

private:
    bool LoginAcceptable(); // says what is wrong with the user fields and focuses it
};

// The file name as stored: ASCII letters in upper case, and ".FDB" appended when the name has
// no extension (its last ".", "\", "/" or ":" is not a ".").
QString StoredDatabaseFileName(const QString &typed);
