#include "database_settings_dialog.h"

#include "cp932_validator.h"
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
                    QSize(251, 200))
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

    Button1 = PlaceButton(this, "Button1", QStringLiteral("OK(&Y)"), 8, 168, 113);
    Button1->setDefault(true);
    Button2 = PlaceButton(this, "Button2", QStringLiteral("キャンセル(&N)"), 128, 168, 113);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
}

bool TForm2::FormShow()
{
    Edit1->setText(settings().ServerPrefix);
    Edit2->setText(settings().DataFolder);
    Edit3->setText(settings().DatabaseFileName);
    Edit1->setFocus();
    return true;
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
    settings().ServerPrefix = Edit1->text();
    settings().DataFolder = Edit2->text();
    settings().DatabaseFileName = StoredDatabaseFileName(Edit3->text());

    // Creating fails quietly when the file exists; attaching then proves the settings.
    Form1.CreateDatabaseFile();
    Form1.ConnectDatabase();
    const bool attached = Form1.Connected();
    Form1.DisconnectDatabase();
    if (attached) {
        accept();
        return;
    }
    ShowMessage(QStringLiteral("データベースが作成・接続出来ません。設定を確認して下さい。"));
    Edit1->setFocus();
}

void TForm2::Button2Click()
{
    reject();
}
