#include "pen_tip_dialog.h"

#include "cp932_validator.h"
#include "message_box.h"
#include "text_helpers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kSmallestPen = 1;
constexpr int kLargestPen = 300;
} // namespace

TForm9::TForm9(TForm1 &form1)
    : StartupDialog(form1, QStringLiteral("Form9"), QStringLiteral("ペン先の設定"), QSize(270, 95))
{
    Label1 = PlaceLabel(this, QStringLiteral("ペン先："), 8, 12);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(72, 8, 145, 21);
    ComboBox1->addItems({QStringLiteral("●"), QStringLiteral("○"), QStringLiteral("■"),
                         QStringLiteral("□"), QStringLiteral("／"), QStringLiteral("＼")});
    Label2 = PlaceLabel(this, QStringLiteral("サイズ："), 8, 36);
    Edit1 = PlaceEdit(this, "Edit1", 72, 32, 57);
    LimitBytes(Edit1, 3, true);
    Label3 = PlaceLabel(this, QStringLiteral("ドット（ピクセル）"), 136, 40);
    Button1 = PlaceButton(this, "Button1", QStringLiteral("ＯＫ(&Y)"), 72, 64, 75);
    Button1->setDefault(true);
    Button2 = PlaceButton(this, "Button2", QStringLiteral("キャンセル(&N)"), 160, 64, 105);
    connect(Button1, &QPushButton::clicked, this, &TForm9::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm9::Button2Click);
    SetTabChain({ComboBox1, Edit1, Button1, Button2});
}

bool TForm9::FormShow()
{
    PenDialogAccepted = false;
    const bool known = DialogPenShape >= 0 && DialogPenShape < ComboBox1->count();
    ComboBox1->setCurrentIndex(known ? DialogPenShape : 0);
    Edit1->setText(QString::number(DialogPenSize));
    ComboBox1->setFocus();
    return true;
}

void TForm9::Button1Click()
{
    const int size = StrToIntOrZero(Edit1->text());
    if (size < kSmallestPen || size > kLargestPen) {
        ShowMessage(QStringLiteral("サイズは 1 ～ 300 の範囲内で入力して下さい"));
        Edit1->setFocus();
        return;
    }
    DialogPenShape = ComboBox1->currentIndex();
    DialogPenSize = size;
    PenDialogAccepted = true;
    accept();
}

void TForm9::Button2Click()
{
    reject();
}
