#include "image_list_browser.h"

#include "cp932_validator.h"
#include "image_list_page.h"
#include "image_windows.h"
#include "main_window.h"
#include "message_box.h"
#include "program_style.h"
#include "select_rows.h"
#include "startup_dialog.h"
#include "string_grid.h"
#include "text_helpers.h"

#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>

namespace {

constexpr int kColumns = 7;
constexpr int kHighPanel = 100;
constexpr int kLowPanel = 28; // only the panel's top line stays visible
const char *const kShownFields[kColumns] = {"N", "INAME", "MEMO1", "SX", "SY", "DATE1", "DATE2"};

void Colour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLineEdit *ReadOnlyEdit(QWidget *parent, const char *name, int left, int top)
{
    QLineEdit *edit = PlaceEdit(parent, name, left, top, 377);
    edit->setReadOnly(true);
    return edit;
}

} // namespace

TForm7::TForm7(TForm1 &form1, QWidget *parent) : ChildForm(form1, parent)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("画像一覧表示"));
    setFont(ProgramFont());
    resize(632, 451);

    BuildTopPanel();
    SG1 = new StringGrid({"番号", "名前", "メモ１", "横サイズ", "縦サイズ", "作成日付", "更新日付"},
                         QList<int>(kColumns, 80), this);
    SG1->horizontalHeader()->setDefaultSectionSize(80);
    SG1->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(133, 182, 235); }"));
    SG1->setShowGrid(true);
    SG1->SetRowCount(PageSize + 1);
    connect(SG1, &StringGrid::RowChosen, this,
            [this] { SG1SelectCell(std::max(SG1->currentColumn(), 0), SG1->Row()); });
    connect(SG1, &QTableWidget::cellDoubleClicked, this, [this] { Button8Click(); });
    BuildDetailPanel();

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(SG1);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 1); // the grid takes what the window gains or loses
    Splitter1->setStretchFactor(1, 0);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel2);
    layout->addWidget(Splitter1, 1);

    SetTabChain({Button1, Button2, Button3, Button4, ComboBox1, Edit1, ComboBox2, Button9});
}

void TForm7::BuildTopPanel()
{
    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(57);
    Colour(Panel2, QColor(140, 186, 236));
    Button1 = PlaceButton(Panel2, "Button1", QStringLiteral("最初(&F)"), 8, 4, 75);
    Button2 = PlaceButton(Panel2, "Button2", QStringLiteral("前頁(&P)"), 88, 4, 75);
    Button3 = PlaceButton(Panel2, "Button3", QStringLiteral("次頁(&N)"), 168, 4, 75);
    Button4 = PlaceButton(Panel2, "Button4", QStringLiteral("更新(&U)"), 248, 4, 75);
    Button9 = PlaceButton(Panel2, "Button9", QStringLiteral("画像データ削除"), 352, 4, 121);
    Label1 = PlaceLabel(Panel2, QStringLiteral("並び順："), 8, 36);
    ComboBox1 = new QComboBox(Panel2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(64, 32, 105, 21);
    for (const image_list::SortOrder &order : image_list::SortOrders())
        ComboBox1->addItem(QString::fromUtf8(order.item));
    Label2 = PlaceLabel(Panel2, QStringLiteral("絞り込み："), 176, 36);
    Edit1 = PlaceEdit(Panel2, "Edit1", 248, 32, 121);
    // No limit, but the stored names are CP932: a look-alike the input method gives (〜 for
    // ～) finds what the other PCs wrote, and a character no PC can store would only empty
    // the page.
    LimitBytes(Edit1, 0);
    ComboBox2 = new QComboBox(Panel2);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setGeometry(368, 32, 105, 21);
    for (const image_list::FilterColumn &column : image_list::FilterColumns())
        ComboBox2->addItem(QString::fromUtf8(column.item));
    // Neither list shows a choice until the user makes one.
    ComboBox1->setCurrentIndex(-1);
    ComboBox2->setCurrentIndex(-1);

    connect(Button1, &QPushButton::clicked, this, &TForm7::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm7::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm7::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm7::Button4Click);
    connect(Button9, &QPushButton::clicked, this, &TForm7::Button9Click);
    connect(ComboBox1, QOverload<int>::of(&QComboBox::activated), this, &TForm7::ComboBox1Select);
    connect(ComboBox2, QOverload<int>::of(&QComboBox::activated), this, &TForm7::ComboBox2Select);
}

void TForm7::BuildDetailPanel()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMinimumHeight(kLowPanel);
    Colour(Panel1, QColor(133, 182, 235));
    Label4 = PlaceLabel(Panel1, QStringLiteral("名前"), 8, 8);
    Edit2 = ReadOnlyEdit(Panel1, "Edit2", 48, 4);
    Label7 = PlaceLabel(Panel1, QStringLiteral("メモ"), 8, 32);
    Edit3 = ReadOnlyEdit(Panel1, "Edit3", 48, 28);
    Edit4 = ReadOnlyEdit(Panel1, "Edit4", 48, 52);
    Edit5 = ReadOnlyEdit(Panel1, "Edit5", 48, 76);
    Button5 = PlaceButton(Panel1, "Button5", QStringLiteral("▲"), 428, 4, 25, 22);
    Button6 = PlaceButton(Panel1, "Button6", QStringLiteral("▼"), 456, 4, 25, 22);
    Button7 = PlaceButton(Panel1, "Button7", QStringLiteral("編集(&E)"), 484, 4, 65, 22);
    Button8 = PlaceButton(Panel1, "Button8", QStringLiteral("詳細(&D)"), 552, 4, 65, 22);
    LabelA = PlaceLabel(Panel1, QStringLiteral("作成者："), 432, 32);
    LabelB = PlaceLabel(Panel1, QStringLiteral("サイズ："), 432, 56);
    LabelC = PlaceLabel(Panel1, QStringLiteral("日　付："), 432, 80);
    connect(Button5, &QPushButton::clicked, this, &TForm7::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TForm7::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TForm7::Button7Click);
    connect(Button8, &QPushButton::clicked, this, &TForm7::Button8Click);
}

int TForm7::PanelHeight() const
{
    return Panel1->height();
}

void TForm7::SetPanelHeight(int height)
{
    layout()->activate(); // the splitter's own height must be current to share it out
    const int total = Splitter1->height() - Splitter1->handleWidth();
    Splitter1->setSizes({std::max(total - height, 0), height});
}

// --- showing and closing --------------------------------------------------------------------

void TForm7::FormShow()
{
    Frame()->resize(settings().ImageListWidth, settings().ImageListHeight);
    for (int c = 0; c < kColumns; ++c) SG1->setColumnWidth(c, settings().ImageListColumnWidths[c]);
    SetPanelHeight(settings().ImageListPanelHeight);
    PageSize = image_list::kPageSize;
    PageStart = 1;
    NextPageStart = 0;
    FilterText.clear();
    OrderText = QStringLiteral("N");
    SG1->SetRowCount(PageSize + 1);
    ClearGrid();
    Button4Click();
    Button1->setFocus();
}

void TForm7::FormClose()
{
    settings().ImageListWidth = Frame()->width();
    settings().ImageListHeight = Frame()->height();
    for (int c = 0; c < kColumns; ++c) settings().ImageListColumnWidths[c] = SG1->columnWidth(c);
    settings().ImageListPanelHeight = PanelHeight();
}

// --- the page -------------------------------------------------------------------------------

void TForm7::ClearGrid()
{
    const QSignalBlocker quiet(SG1);
    for (int r = 1; r <= PageSize; ++r) SG1->ClearRow(r);
    SG1->setCurrentCell(-1, -1);
    SG1->clearSelection();
}

void TForm7::LoadPage()
{
    // Only the page itself is read: the server leaves out the rows before it and after it.
    QStringList columns;
    QList<QStringList> rows;
    Db().ReadPage(image_list::PageStatement(FilterText, OrderText, PageStart, PageSize), PageSize,
                  columns, rows); // a failure keeps the rows read so far, silently
    int shown[kColumns];
    for (int c = 0; c < kColumns; ++c) shown[c] = int(columns.indexOf(kShownFields[c]));
    {
        const QSignalBlocker quiet(SG1);
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < kColumns; ++c) SG1->SetCell(c, r + 1, rows[r].value(shown[c]));
        // Row 1 is current after a load, and the details panel shows it: the panel and 詳細,
        // 編集 and 画像データ削除 always name the same picture. A page without rows has none.
        if (!rows.isEmpty()) SG1->SetRow(1);
    }
    NextPageStart = PageStart + int(rows.size());
    SG1SelectCell(0, SG1->Row());
}

void TForm7::Button1Click()
{
    ClearGrid();
    PageStart = 1;
    LoadPage();
}

void TForm7::Button2Click()
{
    ClearGrid();
    PageStart = image_list::PreviousPageStart(PageStart);
    LoadPage();
}

void TForm7::Button3Click()
{
    ClearGrid();
    PageStart = NextPageStart;
    LoadPage();
}

void TForm7::Button4Click()
{
    ClearGrid();
    LoadPage();
}

void TForm7::ComboBox1Select()
{
    const int index = ComboBox1->currentIndex();
    if (index < 0) return;
    OrderText = QString::fromUtf8(image_list::SortOrders()[index].orderText);
    Button1Click();
}

void TForm7::ComboBox2Select()
{
    const int index = ComboBox2->currentIndex();
    if (index < 0) return;
    FilterText = image_list::FilterCondition(
        QString::fromUtf8(image_list::FilterColumns()[index].column), Edit1->text());
    Button1Click();
}

// --- the selected picture -------------------------------------------------------------------

void TForm7::SG1SelectCell(int, int row)
{
    for (QLineEdit *edit : {Edit2, Edit3, Edit4, Edit5}) edit->clear();
    LabelA->setText(QStringLiteral("作成者："));
    LabelB->setText(QStringLiteral("サイズ："));
    LabelC->setText(QStringLiteral("日　付："));
    const int number = StrToIntOrZero(SG1->Cell(0, row));
    if (number <= 0) return;

    // Read afresh: another PC may have changed the record since the page was loaded.
    QStringList picture(10);
    Db().OpenSelect(QStringLiteral("*"), QStringLiteral("IMGLIST"),
                    QStringLiteral("N=") + QString::number(number), QString());
    Db().ReadFirstRow(picture);
    Db().CloseSelect();
    Edit2->setText(picture[2]);
    Edit3->setText(picture[3]);
    Edit4->setText(picture[4]);
    Edit5->setText(picture[5]);
    LabelB->setText(QStringLiteral("サイズ：") + picture[6] + QStringLiteral("×") + picture[7]);
    LabelC->setText(QStringLiteral("日　付：") + picture[8] + QStringLiteral("　") + picture[9]);
    for (QLabel *label : {LabelA, LabelB, LabelC}) label->adjustSize();

    const int author = picture[0].isEmpty() ? 0 : StrToIntOrZero(picture[1]);
    QStringList member(3);
    Db().OpenSelect(QStringLiteral("*"), QStringLiteral("MEMBER"),
                    QStringLiteral("N=") + QString::number(author), QString());
    Db().ReadFirstRow(member);
    Db().CloseSelect();
    LabelA->setText(QStringLiteral("作成者：") + member[2]);
    LabelA->adjustSize();
}

int TForm7::SelectedNumber() const
{
    return StrToIntOrZero(SG1->Cell(0, SG1->Row()));
}

void TForm7::Button5Click()
{
    SetPanelHeight(kHighPanel);
}

void TForm7::Button6Click()
{
    SetPanelHeight(kLowPanel);
}

void TForm7::Button7Click()
{
    const int number = SelectedNumber();
    if (number > 0) OpenImageRecordEditor(Form1, number);
}

void TForm7::Button8Click()
{
    const int number = SelectedNumber();
    if (number <= 0) return;
    // The size as the page showed it when it was loaded.
    const int row = SG1->Row();
    OpenDrawingBoard(Form1, number, StrToIntOrZero(SG1->Cell(3, row)),
                     StrToIntOrZero(SG1->Cell(4, row)), SG1->Cell(1, row));
}

void TForm7::Button9Click()
{
    const int row = SG1->Row();
    const int number = StrToIntOrZero(SG1->Cell(0, row));
    if (number <= 0) return;
    const QString table = QStringLiteral("IMG_") + QString::number(number);
    const QString subject = QStringLiteral("画像データ「") + SG1->Cell(1, row) +
                            QStringLiteral("」(N:") + QString::number(number) + QLatin1Char(')');
    if (!Form1.TableExists(table)) {
        ShowMessage(subject + QStringLiteral("のテーブルデータは存在しません。"));
        return;
    }
    if (!Confirm(subject + QStringLiteral("を削除します。よろしいですか？"))) return;
    if (Db().DropTable(table))
        ShowMessage(subject + QStringLiteral("を削除しました。"));
    else
        ShowMessage(subject + QStringLiteral("が削除出来ませんでした。"));
}
