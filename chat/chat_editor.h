#pragma once
// TForm11: the chat record editor. Lists every stored chat line and adds, changes and deletes
// lines by number, author, text, date and time; a range of lines can be deleted at once.

#include "registration_dialog.h"

class QComboBox;

class TForm11 : public RegistrationDialog {
    Q_OBJECT

public:
    explicit TForm11(TForm1 &form1);

    bool FormShow() override;
    void RefreshGrid() override;
    void SG1Click() override;
    void Edit1DblClick() override; // the next free number
    void Edit3DblClick();          // today
    void Edit4DblClick();          // now
    void Button1Click() override;  // add
    void Button4Click() override;  // change
    void Button2Click() override;  // delete the selected rows

    QLabel *Label2, *Label4, *Label5, *Label6;
    QComboBox *ComboBox1; // author: "0:指定無し", then "number:name" per member
    QLineEdit *Edit2;     // text, up to 80 bytes
    QLineEdit *Edit3;     // date "yyyymmdd"
    QLineEdit *Edit4;     // time "hhnnss"

private:
    int ChosenAuthor() const;
    // The checks add and change share, in their order, up to the author.
    bool InputValid(int &number);
    bool DateValid();
    bool TimeValid();
    bool TextsFreeOfQuotes();
    QStringList Values(int number) const;
};

namespace msg {
inline const QString kChatDate =
    QStringLiteral("日付は yyyymmdd形式（例：20100101）で有効な内容を入力して下さい。");
inline const QString kChatTime =
    QStringLiteral("時間は hhmmss形式（例13:02:00→130200）で有効な内容を入力して下さい。");
} // namespace msg
