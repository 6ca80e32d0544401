#include "member_dialog.h"

#include "cp932_validator.h"
#include "message_box.h"
#include "select_rows.h"
#include "string_grid.h"
#include "text_helpers.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kTable = QStringLiteral("MEMBER");
const QStringList kColumns{QStringLiteral("N"), QStringLiteral("SN"), QStringLiteral("PNAME")};
const QString kNoSection = QStringLiteral("0:指定無し");
} // namespace

QList<QStringList> MemberGridRows(const QList<QStringList> &joined)
{
    QList<QStringList> rows;
    for (QStringList row : joined) {
        if (StrToIntOrZero(row.value(1)) == 0 && row.size() > 2) row[2].clear();
        if (!rows.isEmpty() && StrToIntOrZero(row.value(0)) == StrToIntOrZero(rows.last().value(0)))
            continue;
        rows << row;
    }
    return rows;
}

TForm4::TForm4(TForm1 &form1)
    : RegistrationDialog(form1, QStringLiteral("Form4"), QStringLiteral("メンバー（MEMBER）の登録"),
                         QSize(390, 277),
                         {QStringLiteral("番号"), QStringLiteral("所属No"), QStringLiteral("所属"),
                          QStringLiteral("氏名")},
                         {57, 10, 130, 153}, QSize(377, 120), QStringLiteral("番号："))
{
    Panel1->setGeometry(8, 152, 225, 89);
    Label2 = PlaceLabel(Panel1, QStringLiteral("所属："), 8, 36);
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(48, 32, 169, 21);
    ComboBox1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Label4 = PlaceLabel(Panel1, QStringLiteral("氏名："), 8, 60);
    Edit2 = PlaceEdit(Panel1, "Edit2", 48, 56, 169);
    LimitBytes(Edit2, 16);

    Button1->setGeometry(8, 248, 225, 25);
    Button2->setGeometry(248, 152, 137, 25);
    Button4->setGeometry(248, 200, 137, 25);
    Button3->setGeometry(248, 248, 137, 25);
    SetTabChain({SG1, Edit1, ComboBox1, Edit2, Button1, Button2, Button4, Button3});
}

bool TForm4::FormShow()
{
    SG1->Reset();
    if (!DatabaseReady()) return false;
    // The sections are read here only: ones added meanwhile appear at the next showing.
    ComboBox1->clear();
    ComboBox1->addItem(kNoSection);
    if (Form1.TableExists(QStringLiteral("SECTION"))) {
        const QList<QStringList> sections =
            SelectRows(Db(), QStringLiteral("*"), QStringLiteral("SECTION"), QString(),
                       QStringLiteral("N"), 2);
        for (const QStringList &section : sections)
            ComboBox1->addItem(section[0] + QLatin1Char(':') + section[1]);
    }
    ComboBox1->setCurrentIndex(0);
    RefreshGrid();
    if (ReportedUnreachable()) return false;
    SG1->setFocus();
    return true;
}

void TForm4::RefreshGrid()
{
    // A product of the two tables with a condition: a member of section 0 meets every section,
    // so while SECTION is empty no member is listed, and a member of a missing section never is.
    const QList<QStringList> joined = SelectRows(
        Db(), QStringLiteral("MEMBER.N,MEMBER.SN,SECTION.SNAME,MEMBER.PNAME"),
        QStringLiteral("MEMBER,SECTION"), QStringLiteral("MEMBER.SN=SECTION.N OR MEMBER.SN=0"),
        QStringLiteral("MEMBER.N"), 4);
    // Rows that could not be read are not gone: the grid keeps showing the last ones.
    if (!Db().ServerUnreachable()) SG1->Fill(MemberGridRows(joined));
}

void TForm4::SG1Click()
{
    const int r = SG1->Row();
    if (SG1->Cell(0, r).isEmpty()) return;
    Edit1->setText(SG1->Cell(0, r));
    Edit2->setText(SG1->Cell(3, r));
    const int section = StrToIntOrZero(SG1->Cell(1, r));
    ComboBox1->setCurrentIndex(0);
    for (int i = 1; i < ComboBox1->count(); ++i) {
        if (StrToIntOrZero(TextBeforeColon(ComboBox1->itemText(i))) == section) {
            ComboBox1->setCurrentIndex(i);
            break;
        }
    }
}

void TForm4::Edit1DblClick()
{
    ProposeNextNumber(kTable);
}

int TForm4::ChosenSection() const
{
    return StrToIntOrZero(TextBeforeColon(ComboBox1->currentText()));
}

void TForm4::Button1Click()
{
    int n = 0;
    if (!NumberEntered() || !NumberPositive(n)) return;
    const int section = ChosenSection();
    const QString name = Edit2->text();
    if (!FreeOfQuotes(name, Edit2)) return;
    const bool added = Db().InsertRow(
        kTable, 3, kColumns, {QString::number(n), QString::number(section), QuotedOrNull(name)});
    ReportAndRefresh(added, msg::kAdded, msg::kAddFailed);
}

void TForm4::Button4Click()
{
    if (!NumberEntered() ||
        !ValueEntered(Edit2, QStringLiteral("氏名を入力して下さい（半角16文字まで）")))
        return;
    int n = 0;
    if (!NumberPositive(n)) return;
    const int section = ChosenSection();
    if (!NumberInUse(kTable, n)) return;
    const QString name = Edit2->text();
    if (!FreeOfQuotes(name, Edit2)) return;
    const QString number = QString::number(n);
    const bool changed =
        Db().UpdateRows(kTable, 3, kColumns, {number, QString::number(section), QuotedOrNull(name)},
                        QStringLiteral("N=") + number);
    ReportAndRefresh(changed, msg::kChanged, msg::kChangeFailed);
}

void TForm4::Button2Click()
{
    const int r = SG1->Row();
    if (SG1->Cell(0, r).isEmpty()) return;
    if (!Confirm(DeleteQuestion(SG1->Cell(0, r), SG1->Cell(3, r)))) return;
    // Pictures, strokes and chat lines keep the number of a deleted member.
    const QString number = QString::number(StrToIntOrZero(SG1->Cell(0, r)));
    ReportAndRefresh(Db().DeleteRows(kTable, QStringLiteral("N=") + number), msg::kDeleted,
                     msg::kDeleteFailed);
}
