#include "registration_dialog.h"

#include "cp932_validator.h"
#include "message_box.h"
#include "string_grid.h"
#include "text_helpers.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

RegistrationDialog::RegistrationDialog(TForm1 &form1, const QString &objectName,
                                       const QString &caption, QSize clientSize,
                                       const QStringList &headings, const QList<int> &widths,
                                       QSize gridSize, const QString &numberCaption)
    : StartupDialog(form1, objectName, caption, clientSize)
{
    Label1 = PlaceLabel(this, QStringLiteral("現在の登録内容"), 0, 8);
    SG1 = new StringGrid(headings, widths, this);
    SG1->setGeometry(8, 24, gridSize.width(), gridSize.height());
    connect(SG1, &StringGrid::RowChosen, this, [this] { SG1Click(); });

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Label3 = PlaceLabel(Panel1, numberCaption, 8, 12);
    Edit1 = PlaceEdit(Panel1, "Edit1", 48, 8, 81);
    LimitBytes(Edit1, 16, true);
    OnDoubleClick(Edit1, [this] { Edit1DblClick(); });

    // Each dialog places the four buttons where its layout wants them.
    Button1 = PlaceButton(this, "Button1", QStringLiteral("追加登録(&A)"), 0, 0, 113);
    Button4 = PlaceButton(this, "Button4", QStringLiteral("データ変更(&E)"), 0, 0, 113);
    Button2 = PlaceButton(this, "Button2", QStringLiteral("データ削除(&D)"), 0, 0, 113);
    Button3 = PlaceButton(this, "Button3", QStringLiteral("閉じる(&C)"), 0, 0, 113);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
}

bool RegistrationDialog::NumberEntered()
{
    if (!TrimBlanks(Edit1->text()).isEmpty()) return true;
    ShowMessage(msg::kEnterNumber);
    Edit1->setFocus();
    return false;
}

bool RegistrationDialog::NumberPositive(int &number)
{
    number = StrToIntOrZero(Edit1->text());
    if (number > 0) return true;
    ShowMessage(msg::kNumberPositive);
    Edit1->setFocus();
    return false;
}

bool RegistrationDialog::ValueEntered(QLineEdit *field, const QString &message)
{
    if (!TrimBlanks(field->text()).isEmpty()) return true;
    ShowMessage(message);
    field->setFocus();
    return false;
}

bool RegistrationDialog::FreeOfQuotes(const QString &text, QWidget *field)
{
    if (!text.contains(QLatin1Char('\'')) && !text.contains(QLatin1Char('"'))) return true;
    ShowMessage(msg::kNoQuotes);
    field->setFocus();
    return false;
}

bool RegistrationDialog::NumberInUse(const QString &table, int number)
{
    if (Db().KeyExists(table, QStringLiteral("N"), QString(), number)) return true;
    if (!ReportedUnreachable()) ShowMessage(msg::kNumberUnused);
    Edit1->setFocus();
    return false;
}

void RegistrationDialog::ProposeNextNumber(const QString &table)
{
    int next = 0;
    const QString max = Db().SelectMax(table, QStringLiteral("N"), QString());
    if (max.isEmpty() && ReportedUnreachable()) return; // not "1": the table may well have rows
    // At the top of the range there is no number to propose: the field stays as it is.
    if (NextNumberAfter(max, next)) Edit1->setText(QString::number(next));
}

void RegistrationDialog::ReportAndRefresh(bool succeeded, const QString &okText,
                                          const QString &failedText)
{
    ShowMessage(succeeded ? okText : failedText);
    RefreshGrid();
}

QString RegistrationDialog::DeleteQuestion(const QString &number, const QString &name)
{
    return QStringLiteral("「No.") + number + QStringLiteral("：") + name +
           QStringLiteral("」を削除します。\r\nよろしいですか？");
}

QString QuotedOrNull(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + text + QLatin1Char('\'');
}
