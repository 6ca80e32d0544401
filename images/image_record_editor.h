#pragma once
// TForm6: the image record editor. A child window in which a picture's catalogue row (IMGLIST)
// is created (new mode) or changed (edit mode): number, name, three memo lines, size and two
// dates. The opener sets ImageEditMode and CurrentImageNumber before creating it and the
// caption afterwards; several editors may be open at once.

#include "child_form.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class TForm6 : public ChildForm {
    Q_OBJECT

public:
    explicit TForm6(TForm1 &form1, QWidget *parent = nullptr);

    void FormShow() override;
    void Edit1DblClick();                // propose the next free number
    void Edit8DblClick(QLineEdit *date); // today, for Edit8 and Edit9
    void Button4Click();                 // load
    void Button1Click();                 // register
    void Button2Click();                 // clear
    void Button3Click();                 // close

    int RecordMode = 0; // 0 new row, 1 edit a row; fixed at show
    int StartNumber = 0;

    QFrame *Panel1;
    QLineEdit *Edit1; // number
    QPushButton *Button4;
    QLabel *Label2;                           // "作成者：" + author
    QLineEdit *Edit2, *Edit3, *Edit4, *Edit5; // name, memo lines
    QLineEdit *Edit6, *Edit7;                 // width, height
    QLineEdit *Edit8, *Edit9;                 // creation and update date
    QLabel *Label1, *Label4, *Label7, *Label8, *Label9, *Label10, *Label12, *Label13;
    QPushButton *Button1, *Button2, *Button3;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Shows the message and puts the focus on the field; always false.
    bool Refuse(QLineEdit *field, const QString &message);
    bool ChecksPass(int number, int &author);
    // After a read that came back empty: says so when the server could not be reached.
    bool ReportedUnreachable();
    QString AuthorCaption(const QString &name) const;
};
