#include "database_settings_dialog.h"

#include "cp932_validator.h"
#include "database_login.h"
#include "message_box.h"
#include "text_helpers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QString StoredDatabaseFileName(const QString &typed)
{
    QString name = typed;
    // Only ASCII letters change: double-byte characters pass as they are.
    for (QChar &c : name)
        if (c.unicode() >= 'a' && c.unicode() <= 'z') c = QChar(c.unicode() - 'a' + 'A');
    for (int i = int(name.size()) - 1; i >= 0; --i) {
        const QChar c = name.at(i);
        if (c == QLatin1Char('.')) return name;
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':')) break;
    }
    return name + QStringLiteral(".FDB");
}

TForm2::TForm2(TForm1 &form1)
    : StartupDialog(form1, QStringLiteral("Form2"), QStringLiteral("データベース設定"),
                    QSize(251, 300))
{
    SetWhiteBackground();

    Label1 = PlaceLabel(this, QStringLiteral("サーバー名（IPアドレス＋':'"), 8, 8);
    Label5 = PlaceLabel(this, QStringLiteral("　又は、'localhost:'）"), 72, 24);
    Edit1 = PlaceEdit(this, "Edit1", 24, 44, 209);
    Edit1->setToolTip(
        QStringLiteral("1台で運用する場合は「localhost:」、サーバーの場合はそのIPアドレス＋':'"
                       "（例：「192.168.0.0:」等）を入力して下さい。"));
    Label2 = PlaceLabel(this, QStringLiteral("サーバーのデータのフォルダ"), 8, 70);
    Edit2 = PlaceEdit(this, "Edit2", 24, 88, 209);
    Edit2->setToolTip(
        QStringLiteral("データベースファイルを作成するサーバー上のフォルダ名を入力して下さい。最後"
                       "は必ず「\\」で終わって下さい。例：「C:\\data\\」"));
    Label3 = PlaceLabel(this, QStringLiteral("データベース名"), 8, 120);
    Edit3 = PlaceEdit(this, "Edit3", 24, 136, 209);
    Edit3->setToolTip(QStringLiteral("データベース名（ファイル名）を入力して下さい。拡張子は「."
                                     "FDB」となります。フォルダ名は入力しないで下さい。"));
    // No length limit, but the path must reach the server as CP932 bytes.
    for (QLineEdit *edit : {Edit1, Edit2, Edit3}) LimitBytes(edit, 0);

    // The office's own login, under the three documented fields, in the same rhythm.
    Label6 = PlaceLabel(this, QStringLiteral("ユーザー名（空欄：既定のユーザー）"), 8, 168);
    Edit4 = PlaceEdit(this, "Edit4", 24, 186, 209);
    Edit4->setToolTip(QStringLiteral("サーバーの設定で作成したユーザー名を入力して下さい。"
                                     "空欄の場合は既定のユーザーで接続します。"));
    Label7 = PlaceLabel(this, QStringLiteral("パスワード"), 8, 218);
    Edit5 = PlaceEdit(this, "Edit5", 24, 236, 209);
    Edit5->setToolTip(QStringLiteral("そのユーザーのパスワードを入力して下さい。"));
    Edit5->setEchoMode(QLineEdit::Password);
    LimitBytes(Edit4, 31);
    LimitBytes(Edit5, 64);
    for (QLineEdit *edit : {Edit4, Edit5}) {
        // Half-width letters only: an input method would hand the server other bytes.
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setInputMethodHints(edit->inputMethodHints() | Qt::ImhLatinOnly |
                                  Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    }

    Button1 = PlaceButton(this, "Button1", QStringLiteral("OK(&Y)"), 8, 268, 113);
    Button1->setDefault(true);
    Button2 = PlaceButton(this, "Button2", QStringLiteral("キャンセル(&N)"), 128, 268, 113);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
}

bool TForm2::FormShow()
{
    Edit1->setText(settings().ServerPrefix);
    Edit2->setText(settings().DataFolder);
    Edit3->setText(settings().DatabaseFileName);
    Edit4->setText(Form1.Login().User);
    Edit5->setText(Form1.Login().Password);
    Edit1->setFocus();
    return true;
}

bool TForm2::LoginAcceptable()
{
    switch (CheckLogin(Edit4->text(), Edit5->text())) {
    case LoginProblem::None: return true;
    case LoginProblem::UserMissing:
        ShowMessage(QStringLiteral("ユーザー名を入力して下さい"));
        Edit4->setFocus();
        return false;
    case LoginProblem::UserChars:
        ShowMessage(QStringLiteral(
            "ユーザー名は半角の英字で始まる英数字と「_」（31文字まで）で入力して下さい"));
        Edit4->setFocus();
        return false;
    case LoginProblem::PasswordMissing:
        ShowMessage(QStringLiteral("パスワードを入力して下さい"));
        Edit5->setFocus();
        return false;
    case LoginProblem::PasswordChars:
        ShowMessage(QStringLiteral(
            "パスワードは空白以外の半角の英数字・記号（64文字まで）で入力して下さい"));
        Edit5->setFocus();
        return false;
    }
    return false;
}

void TForm2::Button1Click()
{
    if (TrimBlanks(Edit2->text()).isEmpty()) {
        ShowMessage(QStringLiteral("サーバーのデータのフォルダを入力して下さい"));
        Edit2->setFocus();
        return;
    }
    if (TrimBlanks(Edit3->text()).isEmpty()) {
        ShowMessage(QStringLiteral("データベース名を入力して下さい"));
        Edit3->setFocus();
        return;
    }
    if (!LoginAcceptable()) return;
    settings().ServerPrefix = Edit1->text();
    settings().DataFolder = Edit2->text();
    settings().DatabaseFileName = StoredDatabaseFileName(Edit3->text());
    Form1.SetLogin({Edit4->text(), Edit5->text()});

    // Creating fails quietly when the file exists; attaching then proves the settings.
    Form1.CreateDatabaseFile();
    Form1.ConnectDatabase();
    const bool attached = Form1.Connected();
    const bool loginRefused = Form1.Db().LoginRefused();
    Form1.DisconnectDatabase();
    if (attached) {
        accept();
        return;
    }
    // The server answered but would not take this user and password: say so, rather than
    // send the user looking for a fault in the server name.
    if (loginRefused) {
        ShowMessage(QStringLiteral("ユーザー名またはパスワードが違います。設定を確認して下さい。"));
        Edit4->setFocus();
        return;
    }
    ShowMessage(QStringLiteral("データベースが作成・接続出来ません。設定を確認して下さい。"));
    Edit1->setFocus();
}

void TForm2::Button2Click()
{
    reject();
}
