#include "pc_user_dialog.h"

#include "message_box.h"
#include "select_rows.h"
#include "text_helpers.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

TForm5::TForm5(TForm1 &form1)
    : StartupDialog(form1, QStringLiteral("Form5"), QStringLiteral("PC利用者名の登録"),
                    QSize(280, 72))
{
    SetWhiteBackground();
    Label1 = PlaceLabel(this, QStringLiteral("PC利用者名："), 8, 12);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(96, 8, 177, 21);
    Button1 = PlaceButton(this, "Button1", QStringLiteral("OK(&Y)"), 40, 40, 113);
    Button1->setDefault(true);
    Button2 = PlaceButton(this, "Button2", QStringLiteral("キャンセル(&N)"), 160, 40, 113);
    connect(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm5::Button2Click);
}

bool TForm5::FormShow()
{
    if (!DatabaseReady()) return false;
    ComboBox1->clear();
    if (Form1.TableExists(QStringLiteral("MEMBER"))) {
        const QList<QStringList> members = SelectRows(
            Db(), QStringLiteral("*"), QStringLiteral("MEMBER"), QString(), QStringLiteral("N"), 3);
        for (const QStringList &member : members)
            ComboBox1->addItem(member[0] + QLatin1Char(':') + member[2]);
    }
    // Not "register the members first": they may well be there, out of reach.
    if (ReportedUnreachable()) return false;
    // The current PC user is chosen again; nobody when that member is gone or none was set.
    ComboBox1->setCurrentIndex(-1);
    for (int i = 0; i < ComboBox1->count(); ++i) {
        if (StrToIntOrZero(TextBeforeColon(ComboBox1->itemText(i))) == settings().PcUserNumber) {
            ComboBox1->setCurrentIndex(i);
            break;
        }
    }
    ComboBox1->setFocus();
    return true;
}

void TForm5::Button1Click()
{
    if (ComboBox1->count() == 0) {
        ShowMessage(QStringLiteral("最初にメンバーの登録を行って下さい"));
        return;
    }
    if (ComboBox1->currentIndex() < 0) {
        ShowMessage(QStringLiteral("PC利用者名を指定して下さい"));
        return;
    }
    const QString item = ComboBox1->currentText();
    settings().PcUserNumber = StrToIntOrZero(TextBeforeColon(item));
    settings().PcUserName = TextAfterColon(item);
    accept();
}

void TForm5::Button2Click()
{
    reject();
}
