#include "section_dialog.h"

#include "cp932_validator.h"
#include "message_box.h"
#include "select_rows.h"
#include "string_grid.h"
#include "text_helpers.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kTable = QStringLiteral("SECTION");
const QStringList kColumns{QStringLiteral("N"), QStringLiteral("SNAME")};
} // namespace

TForm3::TForm3(TForm1 &form1)
    : RegistrationDialog(form1, QStringLiteral("Form3"), QStringLiteral("所属（SECTION）の登録"),
                         QSize(390, 261), {QStringLiteral("番号"), QStringLiteral("名称")},
                         {57, 294}, QSize(377, 120), QStringLiteral("番号："))
{
    Panel1->setGeometry(8, 152, 225, 73);
    Label4 = PlaceLabel(Panel1, QStringLiteral("名称："), 8, 36);
    Edit2 = PlaceEdit(Panel1, "Edit2", 48, 32, 169);
    LimitBytes(Edit2, 32);

    Button1->setGeometry(8, 232, 225, 25);
    Button2->setGeometry(248, 152, 137, 25);
    Button4->setGeometry(248, 192, 137, 25);
    Button3->setGeometry(248, 232, 137, 25);
    SetTabChain({SG1, Edit1, Edit2, Button1, Button2, Button4, Button3});
}

bool TForm3::FormShow()
{
    SG1->Reset();
    if (!DatabaseReady()) return false;
    RefreshGrid();
    if (ReportedUnreachable()) return false;
    SG1->setFocus();
    return true;
}

void TForm3::RefreshGrid()
{
    const QList<QStringList> rows =
        SelectRows(Db(), QStringLiteral("*"), kTable, QString(), QStringLiteral("N"), 2);
    // Rows that could not be read are not gone: the grid keeps showing the last ones.
    if (!Db().ServerUnreachable()) SG1->Fill(rows);
}

void TForm3::SG1Click()
{
    const int r = SG1->Row();
    if (SG1->Cell(0, r).isEmpty()) return; // the blank row of an empty table
    Edit1->setText(SG1->Cell(0, r));
    Edit2->setText(SG1->Cell(1, r));
}

void TForm3::Edit1DblClick()
{
    ProposeNextNumber(kTable);
}

void TForm3::Button1Click()
{
    int n = 0;
    if (!NumberEntered() || !NumberPositive(n)) return;
    const QString name = Edit2->text();
    if (!FreeOfQuotes(name, Edit2)) return;
    // A number already in use is refused by the table's UNIQUE constraint.
    const bool added =
        Db().InsertRow(kTable, 2, kColumns, {QString::number(n), QuotedOrNull(name)});
    ReportAndRefresh(added, msg::kAdded, msg::kAddFailed);
}

void TForm3::Button4Click()
{
    if (!NumberEntered() ||
        !ValueEntered(Edit2, QStringLiteral("名称を入力して下さい（半角32文字まで）")))
        return;
    int n = 0;
    if (!NumberPositive(n) || !NumberInUse(kTable, n)) return;
    const QString name = Edit2->text();
    if (!FreeOfQuotes(name, Edit2)) return;
    const QString number = QString::number(n);
    const bool changed = Db().UpdateRows(kTable, 2, kColumns, {number, QuotedOrNull(name)},
                                         QStringLiteral("N=") + number);
    ReportAndRefresh(changed, msg::kChanged, msg::kChangeFailed);
}

void TForm3::Button2Click()
{
    const int r = SG1->Row();
    if (SG1->Cell(0, r).isEmpty()) return;
    if (!Confirm(DeleteQuestion(SG1->Cell(0, r), SG1->Cell(1, r)))) return;
    const int n = StrToIntOrZero(SG1->Cell(0, r));
    if (Form1.TableExists(QStringLiteral("MEMBER")) &&
        Db().KeyExists(QStringLiteral("MEMBER"), QStringLiteral("SN"), QString(), n)) {
        ShowMessage(QStringLiteral("メンバーデータで既に使用されていますので削除出来ません。"));
        return;
    }
    const bool deleted = Db().DeleteRows(kTable, QStringLiteral("N=") + QString::number(n));
    ReportAndRefresh(deleted, msg::kDeleted, msg::kDeleteFailed);
}
