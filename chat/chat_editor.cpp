#include "chat_editor.h"

#include "cp932_validator.h"
#include "message_box.h"
#include "select_rows.h"
#include "string_grid.h"
#include "text_helpers.h"

#include <QComboBox>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kTable = QStringLiteral("CHAT");
const QStringList kColumns{QStringLiteral("N"), QStringLiteral("MN"), QStringLiteral("CTEXT"),
                           QStringLiteral("CDATE"), QStringLiteral("CTIME")};
const QString kNoAuthor = QStringLiteral("0:指定無し");
} // namespace

TForm11::TForm11(TForm1 &form1)
    : RegistrationDialog(form1, QStringLiteral("Form11"),
                         QStringLiteral("チャット内容（CHAT）の編集"), QSize(484, 277),
                         {QStringLiteral("番号"), QStringLiteral("作成者"), QStringLiteral("文章"),
                          QStringLiteral("日付"), QStringLiteral("時間")},
                         {34, 18, 248, 77, 70}, QSize(473, 120), QStringLiteral("番号"))
{
    // Whole rows, and a range of neighbouring rows for deleting several lines at once.
    SG1->setSelectionMode(QAbstractItemView::ContiguousSelection);

    Panel1->setGeometry(8, 152, 473, 89);
    Label2 = PlaceLabel(Panel1, QStringLiteral("作成者"), 136, 12);
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(184, 8, 185, 21);
    ComboBox1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Label4 = PlaceLabel(Panel1, QStringLiteral("文章"), 8, 36);
    Edit2 = PlaceEdit(Panel1, "Edit2", 48, 32, 417);
    LimitBytes(Edit2, 80);
    Label5 = PlaceLabel(Panel1, QStringLiteral("日付"), 48, 60);
    Edit3 = PlaceEdit(Panel1, "Edit3", 88, 56, 89);
    LimitBytes(Edit3, 8, true);
    OnDoubleClick(Edit3, [this] { Edit3DblClick(); });
    Label6 = PlaceLabel(Panel1, QStringLiteral("時間"), 192, 60);
    Edit4 = PlaceEdit(Panel1, "Edit4", 232, 56, 89);
    LimitBytes(Edit4, 6, true);
    OnDoubleClick(Edit4, [this] { Edit4DblClick(); });

    Button1->setGeometry(8, 248, 113, 25);
    Button4->setGeometry(128, 248, 113, 25);
    Button2->setGeometry(248, 248, 113, 25);
    Button3->setGeometry(368, 248, 113, 25);
    SetTabChain({SG1, Edit1, ComboBox1, Edit2, Edit3, Edit4, Button1, Button4, Button2, Button3});
}

bool TForm11::FormShow()
{
    for (QLineEdit *field : {Edit1, Edit2, Edit3, Edit4}) field->clear();
    SG1->Reset();
    if (!DatabaseReady()) return false;
    // The members are read here only: ones added meanwhile appear at the next showing.
    ComboBox1->clear();
    ComboBox1->addItem(kNoAuthor);
    if (Form1.TableExists(QStringLiteral("MEMBER"))) {
        const QList<QStringList> members = SelectRows(
            Db(), QStringLiteral("*"), QStringLiteral("MEMBER"), QString(), QStringLiteral("N"), 3);
        for (const QStringList &member : members)
            ComboBox1->addItem(member[0] + QLatin1Char(':') + member[2]);
    }
    ComboBox1->setCurrentIndex(0);
    RefreshGrid();
    if (ReportedUnreachable()) return false;
    SG1->SetRow(1);
    SG1Click();
    SG1->setFocus();
    return true;
}

void TForm11::RefreshGrid()
{
    const QList<QStringList> rows = SelectRows(Db(), QStringLiteral("*"), kTable, QString(),
                                               QStringLiteral("N"), int(kColumns.size()));
    // Lines that could not be read are not gone: the grid keeps showing the last ones.
    if (!Db().ServerUnreachable()) SG1->Fill(rows);
}

void TForm11::SG1Click()
{
    const int r = SG1->Row();
    if (SG1->Cell(0, r).isEmpty()) return; // the blank row of an empty table
    Edit1->setText(SG1->Cell(0, r));
    Edit2->setText(SG1->Cell(2, r));
    Edit3->setText(SG1->Cell(3, r));
    Edit4->setText(SG1->Cell(4, r));
    // An author who is no longer a member (or none) shows as "0:指定無し".
    const int author = StrToIntOrZero(SG1->Cell(1, r));
    ComboBox1->setCurrentIndex(0);
    for (int i = 1; i < ComboBox1->count(); ++i) {
        if (StrToIntOrZero(TextBeforeColon(ComboBox1->itemText(i))) == author) {
            ComboBox1->setCurrentIndex(i);
            break;
        }
    }
}

void TForm11::Edit1DblClick()
{
    ProposeNextNumber(kTable);
}

void TForm11::Edit3DblClick()
{
    Edit3->setText(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
}

void TForm11::Edit4DblClick()
{
    Edit4->setText(QTime::currentTime().toString(QStringLiteral("HHmmss")));
}

int TForm11::ChosenAuthor() const
{
    return StrToIntOrZero(TextBeforeColon(ComboBox1->currentText()));
}

bool TForm11::DateValid()
{
    const QString date = Edit3->text();
    if (date.isEmpty() || IsValidDate8(date)) return true;
    ShowMessage(msg::kChatDate);
    Edit3->setFocus();
    return false;
}

bool TForm11::TimeValid()
{
    // Only the characters are checked: the field holds at most six of them.
    if (IsAllDigits(Edit4->text())) return true;
    ShowMessage(msg::kChatTime);
    Edit4->setFocus();
    return false;
}

bool TForm11::InputValid(int &number)
{
    return NumberEntered() && NumberPositive(number) && DateValid() && TimeValid();
}

bool TForm11::TextsFreeOfQuotes()
{
    for (const QLineEdit *field : {Edit2, Edit3, Edit4})
        if (!FreeOfQuotes(field->text(), Edit2)) return false;
    return true;
}

QStringList TForm11::Values(int number) const
{
    return {QString::number(number), QString::number(ChosenAuthor()), QuotedOrNull(Edit2->text()),
            QuotedOrNull(Edit3->text()), QuotedOrNull(Edit4->text())};
}

void TForm11::Button1Click()
{
    int n = 0;
    if (!InputValid(n) || !TextsFreeOfQuotes()) return;
    // A number in use is refused by the table's UNIQUE constraint.
    const bool added = Db().InsertRow(kTable, int(kColumns.size()), kColumns, Values(n));
    ReportAndRefresh(added, msg::kAdded, msg::kAddFailed);
}

void TForm11::Button4Click()
{
    int n = 0;
    if (!InputValid(n) || !NumberInUse(kTable, n) || !TextsFreeOfQuotes()) return;
    const bool changed = Db().UpdateRows(kTable, int(kColumns.size()), kColumns, Values(n),
                                         QStringLiteral("N=") + QString::number(n));
    ReportAndRefresh(changed, msg::kChanged, msg::kChangeFailed);
}

void TForm11::Button2Click()
{
    if (SG1->RowCount() == 2 && StrToIntOrZero(SG1->Cell(0, 1)) == 0) return; // empty table
    const int top = SG1->SelectionTop();
    const int bottom = SG1->SelectionBottom();
    const QString question = top == bottom
                                 ? DeleteQuestion(SG1->Cell(0, top), SG1->Cell(2, top))
                                 : QStringLiteral("No.") + SG1->Cell(0, top) +
                                       QStringLiteral("～") + SG1->Cell(0, bottom) +
                                       QStringLiteral(" を削除します。\r\nよろしいですか？");
    // The numbers are taken before the question: the grid is what the user saw and agreed to.
    QList<int> numbers;
    for (int row = top; row <= bottom; ++row) numbers << StrToIntOrZero(SG1->Cell(0, row));
    if (!Confirm(question)) return;
    // Each listed line by its own number: lines other PCs wrote in between stay.
    bool unreachable = false;
    for (int k : numbers) {
        if (k <= 0) continue;
        Db().DeleteRows(kTable, QStringLiteral("N=") + QString::number(k));
        unreachable = unreachable || Db().ServerUnreachable();
    }
    RefreshGrid();
    // No outcome message; but when nothing could reach the server, the user learns why.
    if (unreachable) ShowMessage(msg::kCannotConnect);
}
