#include "image_record_editor.h"

#include "cp932_validator.h"
#include "main_window.h"
#include "message_box.h"
#include "program_style.h"
#include "registration_dialog.h"
#include "select_rows.h"
#include "startup_dialog.h"
#include "text_helpers.h"

#include <QDate>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>

namespace {

const QString kTable = QStringLiteral("IMGLIST");
const QStringList kColumns{"N",     "MN", "INAME", "MEMO1", "MEMO2",
                           "MEMO3", "SX", "SY",    "DATE1", "DATE2"};
constexpr int kColumnCount = 10;
constexpr int kSmallestSide = 8;
constexpr int kLargestSide = 2000;

const QString kBadDate =
    QStringLiteral("日付は yyyymmdd形式（例：20100101）で有効な内容を入力して下さい。");
const QString kBadSize = QStringLiteral("画像の横サイズは8～2000の範囲内で入力して下さい。");

bool HasQuote(const QString &text)
{
    return text.contains(QLatin1Char('\'')) || text.contains(QLatin1Char('"'));
}

} // namespace

TForm6::TForm6(TForm1 &form1, QWidget *parent) : ChildForm(form1, parent)
{
    setObjectName(QStringLiteral("Form6"));
    setFont(ProgramFont());
    setFixedSize(448, 223);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 433, 177);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    QPalette grey = Panel1->palette();
    grey.setColor(QPalette::Window, QColor(235, 235, 235));
    Panel1->setPalette(grey);

    Label1 = PlaceLabel(Panel1, QStringLiteral("番号"), 8, 8);
    Edit1 = PlaceEdit(Panel1, "Edit1", 48, 4, 73);
    LimitBytes(Edit1, 8, true);
    Edit1->setFocusPolicy(Qt::ClickFocus); // the Tab key passes it by
    Button4 = PlaceButton(Panel1, "Button4", QStringLiteral("データ参照(&R)"), 128, 3, 113, 22);
    Label2 = PlaceLabel(Panel1, QStringLiteral("作成者："), 248, 8);
    Label4 = PlaceLabel(Panel1, QStringLiteral("名前"), 8, 32);
    Edit2 = PlaceEdit(Panel1, "Edit2", 48, 28, 345);
    LimitBytes(Edit2, 64);
    Label7 = PlaceLabel(Panel1, QStringLiteral("メモ"), 8, 56);
    Edit3 = PlaceEdit(Panel1, "Edit3", 48, 52, 377);
    Edit4 = PlaceEdit(Panel1, "Edit4", 48, 76, 377);
    Edit5 = PlaceEdit(Panel1, "Edit5", 48, 100, 377);
    for (QLineEdit *memo : {Edit3, Edit4, Edit5}) LimitBytes(memo, 80);
    Label8 = PlaceLabel(Panel1, QStringLiteral("画像"), 8, 132);
    Label9 = PlaceLabel(Panel1, QStringLiteral("横サイズ"), 48, 132);
    Edit6 = PlaceEdit(Panel1, "Edit6", 112, 128, 73);
    Label10 = PlaceLabel(Panel1, QStringLiteral("縦サイズ"), 192, 132);
    Edit7 = PlaceEdit(Panel1, "Edit7", 256, 128, 73);
    for (QLineEdit *size : {Edit6, Edit7}) LimitBytes(size, 4, true);
    Label12 = PlaceLabel(Panel1, QStringLiteral("作成日付"), 48, 156);
    Edit8 = PlaceEdit(Panel1, "Edit8", 112, 152, 73);
    Label13 = PlaceLabel(Panel1, QStringLiteral("更新日付"), 192, 156);
    Edit9 = PlaceEdit(Panel1, "Edit9", 256, 152, 73);
    for (QLineEdit *date : {Edit8, Edit9}) LimitBytes(date, 8, true);

    Button1 = PlaceButton(this, "Button1", QStringLiteral("登　録(&S)"), 8, 192, 105);
    Button2 = PlaceButton(this, "Button2", QStringLiteral("クリア(&C)"), 168, 192, 113);
    Button3 = PlaceButton(this, "Button3", QStringLiteral("閉じる(&X)"), 336, 192, 105);
    SetTabChain({Button4, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Button1, Button2,
                 Button3});

    OnDoubleClick(Edit1, [this] { Edit1DblClick(); });
    OnDoubleClick(Edit8, [this] { Edit8DblClick(Edit8); });
    OnDoubleClick(Edit9, [this] { Edit8DblClick(Edit9); });
    connect(Button4, &QPushButton::clicked, this, &TForm6::Button4Click);
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm6::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm6::Button3Click);
}

QString TForm6::AuthorCaption(const QString &name) const
{
    return QStringLiteral("作成者：") + name;
}

void TForm6::showEvent(QShowEvent *event)
{
    // A fixed border with a system menu and a minimise box, inside the main window.
    auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!Shown() && frame) {
        frame->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        frame->adjustSize();
        frame->setFixedSize(frame->size());
    }
    ChildForm::showEvent(event); // the show handler, once
}

void TForm6::keyPressEvent(QKeyEvent *event)
{
    // Enter registers unless a button has the focus (then it presses that one); Escape closes.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
            button->click();
        else
            Button1Click();
        return;
    case Qt::Key_Escape: Button3Click(); return;
    default: QWidget::keyPressEvent(event);
    }
}

void TForm6::FormShow()
{
    RecordMode = Form1.ImageEditMode;
    StartNumber = Form1.CurrentImageNumber;
    Edit1->clear();
    if (RecordMode == 0) Edit1DblClick();
    Label2->setText(AuthorCaption(settings().PcUserName));
    Label2->adjustSize();
    if (RecordMode == 0) {
        Edit2->setFocus();
        return;
    }
    Edit1->setFocus();
    if (StartNumber > 0) {
        Edit1->setText(QString::number(StartNumber));
        Button4Click();
    }
}

bool TForm6::ReportedUnreachable()
{
    // Without a connection at all the editor stays as quiet as ever.
    if (!Form1.Connected() || !Db().ServerUnreachable()) return false;
    ShowMessage(msg::kCannotConnect);
    return true;
}

void TForm6::Edit1DblClick()
{
    int next = 0;
    const QString max = Db().SelectMax(kTable, QStringLiteral("N"), QString());
    if (max.isEmpty() && ReportedUnreachable()) return; // not "1": the table may well have rows
    if (NextNumberAfter(max, next)) Edit1->setText(QString::number(next));
}

void TForm6::Edit8DblClick(QLineEdit *date)
{
    date->setText(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
}

void TForm6::Button4Click()
{
    const int number = StrToIntOrZero(Edit1->text());
    if (number <= 0) {
        Edit1->clear();
        Edit1->setFocus();
        return;
    }
    const QList<QStringList> rows =
        SelectRows(Db(), QStringLiteral("*"), kTable, QStringLiteral("N=%1").arg(number), QString(),
                   kColumnCount);
    if (rows.isEmpty() && ReportedUnreachable()) return; // what the user typed stays
    const QStringList row = rows.isEmpty() ? QStringList(kColumnCount, QString()) : rows.first();
    const QList<QLineEdit *> fields{Edit1, nullptr, Edit2, Edit3, Edit4,
                                    Edit5, Edit6,   Edit7, Edit8, Edit9};
    for (int i = 0; i < kColumnCount; ++i)
        if (fields[i]) fields[i]->setText(row[i]);

    const int author = row[0].isEmpty() ? 0 : StrToIntOrZero(row[1]);
    if (author > 0) {
        const QList<QStringList> members =
            SelectRows(Db(), QStringLiteral("*"), QStringLiteral("MEMBER"),
                       QStringLiteral("N=%1").arg(author), QString(), 3);
        Label2->setText(AuthorCaption(members.isEmpty() ? QString() : members.first()[2]));
        Label2->adjustSize();
    }
    Edit2->setFocus();
}

bool TForm6::Refuse(QLineEdit *field, const QString &message)
{
    ShowMessage(message);
    field->setFocus();
    return false;
}

// The register checks, in their fixed order; the first that fails says so and ends.
bool TForm6::ChecksPass(int number, int &author)
{
    if (RecordMode == 1) {
        QStringList row(kColumnCount, QString());
        if (Db().SelectFirstRow(QStringLiteral("*"), kTable, QStringLiteral("N=%1").arg(number),
                                row) <= 0) {
            if (ReportedUnreachable()) return false;
            return Refuse(Edit1, QStringLiteral("指定した番号は存在しません。再入力して下さい。"));
        }
        author = StrToIntOrZero(row[1]); // an edited row keeps its author
    } else {
        if (Db().KeyExists(kTable, QStringLiteral("N"), QString(), number))
            return Refuse(Edit1,
                          QStringLiteral("指定した番号は既に存在します。再入力して下さい。"));
        if (ReportedUnreachable()) return false;
        author = settings().PcUserNumber;
    }

    const QString name = Edit2->text();
    if (TrimBlanks(name).isEmpty())
        return Refuse(Edit2, QStringLiteral("プロジェクト名を入力して下さい。"));
    if (HasQuote(name) || name.contains(QLatin1Char(':')))
        return Refuse(Edit2,
                      QStringLiteral("プロジェクト名に引用符「'」「\"」「:」を入力しないで下さい"));

    const int width = StrToIntOrZero(Edit6->text());
    const int height = StrToIntOrZero(Edit7->text());
    if (width < kSmallestSide || width > kLargestSide) return Refuse(Edit6, kBadSize);
    if (height < kSmallestSide || height > kLargestSide) return Refuse(Edit7, kBadSize);

    const QString created = Edit8->text();
    const QString updated = Edit9->text();
    if (!created.isEmpty() && !IsValidDate8(created)) return Refuse(Edit8, kBadDate);
    if (!updated.isEmpty() && !IsValidDate8(updated)) return Refuse(Edit9, kBadDate);
    if (created.isEmpty() && !updated.isEmpty())
        return Refuse(Edit8,
                      QStringLiteral("更新日付が指定されているのに作成日付が指定されていません"));
    if (!created.isEmpty() && !updated.isEmpty() && created > updated)
        return Refuse(Edit8, QStringLiteral("作成日付の方が後の日付になっています"));

    for (const QLineEdit *text : {Edit2, Edit3, Edit4, Edit5, Edit8, Edit9})
        if (HasQuote(text->text())) return Refuse(Edit2, msg::kNoQuotes);
    return true;
}

void TForm6::Button1Click()
{
    const int number = StrToIntOrZero(Edit1->text());
    if (number <= 0) {
        Edit1->clear();
        Edit1->setFocus();
        return;
    }
    int author = 0;
    if (!ChecksPass(number, author)) return;

    const QStringList values{QString::number(number),
                             QString::number(author),
                             QuotedOrNull(Edit2->text()),
                             QuotedOrNull(Edit3->text()),
                             QuotedOrNull(Edit4->text()),
                             QuotedOrNull(Edit5->text()),
                             QString::number(StrToIntOrZero(Edit6->text())),
                             QString::number(StrToIntOrZero(Edit7->text())),
                             QuotedOrNull(Edit8->text()),
                             QuotedOrNull(Edit9->text())};
    const bool stored = RecordMode == 1 ? Db().UpdateRows(kTable, kColumnCount, kColumns, values,
                                                          QStringLiteral("N=%1").arg(number))
                                        : Db().InsertRow(kTable, kColumnCount, kColumns, values);
    ShowMessage(stored ? QStringLiteral("画像一覧データを登録しました")
                       : QStringLiteral("画像一覧データが登録出来ませんでした"));
}

void TForm6::Button2Click()
{
    for (QLineEdit *field : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9})
        field->clear();
    Label2->setText(AuthorCaption(settings().PcUserName));
    Label2->adjustSize();
}

void TForm6::Button3Click()
{
    // Inside the main window the frame closes, and takes the editor with it.
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->close();
    else
        close();
}
