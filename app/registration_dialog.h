#pragma once
// The registration dialog pattern: a read-only grid of the table's rows on top, a panel with a
// number field and value fields below, and add, delete, change and close buttons. Every action
// is one database operation, every outcome a message, and the grid is reloaded after each add,
// change or delete. The section dialog is the plain case; members and chat lines add fields.

#include "startup_dialog.h"

class QFrame;
class StringGrid;

class RegistrationDialog : public StartupDialog {
    Q_OBJECT

public:
    virtual void RefreshGrid() = 0;
    virtual void SG1Click() = 0;
    virtual void Edit1DblClick() = 0;
    virtual void Button1Click() = 0;  // add
    virtual void Button2Click() = 0;  // delete
    virtual void Button4Click() = 0;  // change
    void Button3Click() { reject(); } // close

    QLabel *Label1 = nullptr;
    StringGrid *SG1 = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Edit1 = nullptr; // the record number
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button4 = nullptr, *Button3 = nullptr;

protected:
    RegistrationDialog(TForm1 &form1, const QString &objectName, const QString &caption,
                       QSize clientSize, const QStringList &headings, const QList<int> &widths,
                       QSize gridSize, const QString &numberCaption);

    // The checks shared by add and change; each failure shows its message, puts the focus on
    // the field and answers false.
    bool NumberEntered();
    bool NumberPositive(int &number);
    // A change needs a value that is more than blanks; `message` names the field and its limit.
    bool ValueEntered(QLineEdit *field, const QString &message);
    bool FreeOfQuotes(const QString &text, QWidget *field);
    bool NumberInUse(const QString &table, int number);

    // Edit1 := the largest number in the table plus one (1 for an empty table); nothing at the top.
    void ProposeNextNumber(const QString &table);
    // "OK" or "failed" after an action, then the grid reload.
    void ReportAndRefresh(bool succeeded, const QString &okText, const QString &failedText);
    // The question asked before a row is deleted.
    static QString DeleteQuestion(const QString &number, const QString &name);
};

// A user's text as an SQL value: in single quotes, or NULL when empty.
QString QuotedOrNull(const QString &text);

namespace msg {
inline const QString kEnterNumber = QStringLiteral("番号を入力して下さい（正の整数値入力）");
inline const QString kNumberPositive = QStringLiteral("番号は正の整数で入力して下さい");
inline const QString kNoQuotes = QStringLiteral("引用符「'」「\"」を入力しないで下さい");
inline const QString kNumberUnused =
    QStringLiteral("入力した番号は未使用ですので変更は出来ません。再入力して下さい");
inline const QString kAdded = QStringLiteral("登録OK");
inline const QString kAddFailed = QStringLiteral("登録失敗");
inline const QString kChanged = QStringLiteral("変更OK");
inline const QString kChangeFailed = QStringLiteral("変更失敗");
inline const QString kDeleted = QStringLiteral("削除OK");
inline const QString kDeleteFailed = QStringLiteral("削除失敗");
} // namespace msg
