// The image record editor: proposing and loading numbers, the register checks in their order
// with their messages and focus, NULL for empty texts, authors kept on edit, byte limits, keys.

#include "image_record_editor.h"
#include "image_windows.h"
#include "message_recorder.h"
#include "own_server.h"
#include "select_rows.h"
#include "test_database.h"

#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

namespace {
const QString kAdded = QStringLiteral("画像一覧データを登録しました");
const QString kBadSize = QStringLiteral("画像の横サイズは8～2000の範囲内で入力して下さい。");
const QString kBadDate =
    QStringLiteral("日付は yyyymmdd形式（例：20100101）で有効な内容を入力して下さい。");
} // namespace

class ImageRecordEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<MessageRecorder> messages;
    TForm1 &form1() { return *main->form1; }
    DatabaseSession &Db() { return main->form1->Db(); }

    std::unique_ptr<TForm6> Open(int mode, int number = 0)
    {
        form1().ImageEditMode = mode;
        form1().CurrentImageNumber = number;
        auto editor = std::make_unique<TForm6>(form1());
        editor->show();
        return editor;
    }
    // Number, name, three memo lines, width, height, creation and update date.
    static QList<QLineEdit *> Edits(TForm6 &editor)
    {
        return {editor.Edit1, editor.Edit2, editor.Edit3, editor.Edit4, editor.Edit5,
                editor.Edit6, editor.Edit7, editor.Edit8, editor.Edit9};
    }
    static QStringList Fields(TForm6 &editor)
    {
        QStringList texts;
        for (QLineEdit *edit : Edits(editor)) texts << edit->text();
        return texts;
    }
    // Sets fields by their number: field number, text, field number, text...
    static void Set(TForm6 &editor, const QStringList &edits)
    {
        for (int i = 0; i < edits.size(); i += 2)
            Edits(editor)[edits[i].toInt() - 1]->setText(edits[i + 1]);
    }
    // A form that passes every check, in new mode.
    std::unique_ptr<TForm6> Valid()
    {
        auto editor = Open(0);
        Set(*editor,
            {"1", "10", "2", "絵", "6", "100", "7", "100", "8", "20240101", "9", "20240102"});
        return editor;
    }
    int Rows() { return Db().CountRows(QStringLiteral("IMGLIST"), QString()); }
    QStringList Row(int n)
    {
        return SelectRows(Db(), QStringLiteral("*"), QStringLiteral("IMGLIST"),
                          QStringLiteral("N=%1").arg(n), QString(), 10)
            .value(0);
    }

private slots:
    // One database for all: making one per case would cost more than the cases.
    void initTestCase()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        QVERIFY(Db().CreateImageListTable());
        QVERIFY(test_db::CreateMembers(Db(), {{3, "山田"}, {5, "佐藤"}}));
    }
    void cleanupTestCase() { main.reset(); }
    void init()
    {
        if (!form1().Connected()) form1().ConnectDatabase();
        QVERIFY(Db().DeleteRows(QStringLiteral("IMGLIST"), QString()));
        form1().settings().PcUserNumber = 3;
        form1().settings().PcUserName = QStringLiteral("山田");
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup() { messages.reset(); }

    void newRecordFromProposalToStoredRow()
    {
        auto editor = Open(0);
        QCOMPARE(editor->Edit1->text(), QStringLiteral("1")); // an empty catalogue
        QCOMPARE(editor->Label2->text(), QStringLiteral("作成者：山田"));
        QCOMPARE(editor->focusWidget(), editor->Edit2);
        // The name is stored with its blanks.
        Set(*editor, {"2", " 海 ", "4", "二行目", "6", "8", "7", "2000"});
        editor->Button1Click();
        QCOMPARE(messages->texts, QStringList{kAdded});
        QCOMPARE(Row(1), (QStringList{"1", "3", " 海 ", "", "二行目", "", "8", "2000", "", ""}));
        QCOMPARE(Db().CountRows(QStringLiteral("IMGLIST"),
                                QStringLiteral("MEMO1 IS NULL AND MEMO3 IS NULL AND DATE1 IS "
                                               "NULL AND DATE2 IS NULL")),
                 1);
        // The fields stay as they are.
        QCOMPARE(Fields(*editor),
                 (QStringList{"1", " 海 ", "", "二行目", "", "8", "2000", "", ""}));

        editor->Button1Click(); // the same number again
        QCOMPARE(messages->Last(),
                 QStringLiteral("指定した番号は既に存在します。再入力して下さい。"));
        QCOMPARE(editor->focusWidget(), editor->Edit1);
        editor->Edit1DblClick();
        QCOMPARE(editor->Edit1->text(), QStringLiteral("2"));

        Set(*editor, {"1", "007", "2", "　　"}); // ideographic spaces are a name
        editor->Button1Click();
        QCOMPARE(messages->Last(), kAdded);
        QCOMPARE(Row(7).value(2), QStringLiteral("　　"));
    }

    // A valid form with some fields changed, registered: refused with the first check's message
    // (none for the number) and focus, or stored.
    void registerChecksInTheirOrder_data()
    {
        QTest::addColumn<QStringList>("edits"); // field number, text, field number, text...
        QTest::addColumn<QString>("message");   // empty: refused silently
        QTest::addColumn<QString>("focus");
        auto row = [](const char *name, QStringList edits, QString message, QString focus) {
            QTest::newRow(name) << edits << message << focus;
        };
        row("no number", {"1", ""}, "", "Edit1");
        row("zero", {"1", "0"}, "", "Edit1");
        row("negative", {"1", "-3"}, "", "Edit1");
        row("not a number", {"1", "1a"}, "", "Edit1");
        row("blank name", {"2", " \t "}, "プロジェクト名を入力して下さい。", "Edit2");
        const QString quoteColon =
            QStringLiteral("プロジェクト名に引用符「'」「\"」「:」を入力しないで下さい");
        row("quote in name", {"2", "a'b"}, quoteColon, "Edit2");
        row("double quote in name", {"2", "a\"b"}, quoteColon, "Edit2");
        row("colon in name", {"2", "a:b"}, quoteColon, "Edit2");
        row("width 7", {"6", "7"}, kBadSize, "Edit6");
        row("width 2001", {"6", "2001"}, kBadSize, "Edit6");
        row("no width", {"6", ""}, kBadSize, "Edit6");
        row("height 7", {"7", "7"}, kBadSize, "Edit7"); // the message names the width
        row("30 February", {"8", "20100230"}, kBadDate, "Edit8");
        row("seven digits", {"8", "2010010"}, kBadDate, "Edit8");
        row("bad update date", {"9", "20101301"}, kBadDate, "Edit9");
        row("update date alone", {"8", ""},
            "更新日付が指定されているのに作成日付が指定されていません", "Edit8");
        row("created after updated", {"8", "20240103"}, "作成日付の方が後の日付になっています",
            "Edit8");
        row("double quote in a memo", {"4", "x\"y"}, "引用符「'」「\"」を入力しないで下さい",
            "Edit2");
        row("name checked before size", {"2", "", "6", "1"}, "プロジェクト名を入力して下さい。",
            "Edit2");
        row("width before dates", {"6", "5", "8", "x"}, kBadSize, "Edit6");
        row("full-width colon and quotes", {"2", "絵：＂＇"}, kAdded, "Edit2");
        row("sizes 8 and 2000", {"6", "2000", "7", "8"}, kAdded, "Edit2");
        row("creation date alone", {"9", ""}, kAdded, "Edit2");
        row("equal dates", {"8", "20240102"}, kAdded, "Edit2");
        row("no dates", {"8", "", "9", ""}, kAdded, "Edit2");
    }
    void registerChecksInTheirOrder()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto editor = Valid();
        Set(*editor, edits);
        editor->Button1Click();
        QCOMPARE(messages->texts, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(editor->focusWidget()->objectName(), focus);
        QCOMPARE(Rows(), message == kAdded ? 1 : 0);
        if (message.isEmpty()) QCOMPARE(editor->Edit1->text(), QString());
    }

    void editingKeepsTheAuthor()
    {
        QVERIFY(Db().InsertRow(
            "IMGLIST", 10,
            {"N", "MN", "INAME", "MEMO1", "MEMO2", "MEMO3", "SX", "SY", "DATE1", "DATE2"},
            {"4", "5", "'港'", "NULL", "'m2'", "NULL", "640", "480", "'20200101'", "NULL"}));
        auto editor = Open(1, 4);
        QCOMPARE(Fields(*editor),
                 (QStringList{"4", "港", "", "m2", "", "640", "480", "20200101", ""}));
        QCOMPARE(editor->Label2->text(), QStringLiteral("作成者：佐藤"));
        QCOMPARE(editor->focusWidget(), editor->Edit2);
        editor->Edit3->setText(QStringLiteral("直した"));
        editor->Button1Click();
        QCOMPARE(messages->Take(), QStringList{kAdded});
        QCOMPARE(Row(4),
                 (QStringList{"4", "5", "港", "直した", "m2", "", "640", "480", "20200101", ""}));

        // A number with no row: loading empties every field, the label stays.
        editor->Edit1->setText(QStringLiteral("99"));
        editor->Button4Click();
        QCOMPARE(Fields(*editor), QStringList(9, QString()));
        QCOMPARE(editor->Label2->text(), QStringLiteral("作成者：佐藤"));
        Set(*editor, {"1", "99", "2", "x"});
        editor->Button1Click();
        QCOMPARE(messages->texts, QStringList{"指定した番号は存在しません。再入力して下さい。"});
        QCOMPARE(editor->focusWidget(), editor->Edit1);

        // Opened from the menu: no number yet, the focus on it.
        auto fromMenu = Open(1, 0);
        QCOMPARE(fromMenu->Edit1->text(), QString());
        QCOMPARE(fromMenu->focusWidget(), fromMenu->Edit1);
        QCOMPARE(fromMenu->Label2->text(), QStringLiteral("作成者：山田"));
    }

    void fieldsTakeBytesOfTheirColumn()
    {
        auto editor = Open(0);
        const QChar kan(0x6F22), a(0x3042); // two bytes each
        const QList<std::tuple<QLineEdit *, QString, QString>> typedAndKept{
            {editor->Edit1, "1234567890", "12345678"},
            {editor->Edit2, QString(40, kan), QString(32, kan)},
            {editor->Edit3, "a" + QString(45, a), "a" + QString(39, a)}, // 79 bytes; one more: 81
            {editor->Edit6, "12345", "1234"},
            {editor->Edit8, "202401011", "20240101"},
            {editor->Edit4, "café", "caf"}, // no CP932 form
        };
        for (const auto &[edit, typed, kept] : typedAndKept) {
            edit->clear();
            TypeInto(edit, typed);
            QCOMPARE(edit->text(), kept);
        }
    }

    void keysTodayAndClear()
    {
        auto editor = Valid();
        editor->Edit8DblClick(editor->Edit9);
        QCOMPARE(editor->Edit9->text(), QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
        editor->Edit2->setFocus();
        QTest::keyClick(editor->Edit2, Qt::Key_Return); // the default button
        QCOMPARE(messages->texts, QStringList{kAdded});
        editor->Button2->setFocus();
        QTest::keyClick(editor->Button2, Qt::Key_Return); // a focused button presses itself
        QCOMPARE(Fields(*editor), QStringList(9, QString()));
        QCOMPARE(editor->Label2->text(), QStringLiteral("作成者：山田"));
        QCOMPARE(messages->texts.size(), 1);
        QTest::keyClick(editor->Edit3, Qt::Key_Escape);
        QVERIFY(!editor->isVisible());
    }

    void withoutAConnection()
    {
        form1().DisconnectDatabase();
        auto editor = Valid();
        QCOMPARE(Open(0)->Edit1->text(), QStringLiteral("1"));
        editor->Button1Click();
        QCOMPARE(messages->texts, QStringList{"画像一覧データが登録出来ませんでした"});
        QCOMPARE(Open(1, 4)->Edit2->text(), QString());
    }

    void openedByTheMenuAndByTheCatalogue()
    {
        form1().SetChildWindowFactory(ChildWindow::ImageEditor,
                                      [](TForm1 &owner) { return new TForm6(owner); });
        const Settings kept = form1().settings();
        main->Show();
        form1().settings() = kept;
        form1().mnuImageNewClick();
        form1().mnuImageEditClick();
        QVERIFY(Db().InsertRow("IMGLIST", 3, {"N", "MN", "INAME"}, {"6", "3", "'空'"}));
        TForm6 *fromCatalogue = OpenImageRecordEditor(form1(), 6);
        const QList<QMdiSubWindow *> windows = form1().MdiArea()->subWindowList();
        QCOMPARE(windows.size(), 3); // several at once
        auto *created = qobject_cast<TForm6 *>(windows[0]->widget());
        auto *edited = qobject_cast<TForm6 *>(windows[1]->widget());
        QCOMPARE(
            (QStringList{created->windowTitle(), edited->windowTitle(),
                         fromCatalogue->windowTitle()}),
            (QStringList{"画像一覧データ新規作成", "画像一覧データ編集", "画像一覧データ編集"}));
        QCOMPARE((QList<int>{created->RecordMode, edited->RecordMode}), (QList<int>{0, 1}));
        QCOMPARE(edited->Edit1->text(), QString());
        QCOMPARE(fromCatalogue->Edit2->text(), QStringLiteral("空"));
        fromCatalogue->Button3Click();
        QTRY_COMPARE(form1().MdiArea()->subWindowList().size(), 2);
    }

    void aServerThatIsAwayIsNamedNotBlamedOnTheNumber()
    {
        OwnServer server;
        QVERIFY(server.Running());
        FreshMainWindow pc(server.FreshSettings());
        QVERIFY(pc.Ready() && pc.form1->Db().CreateImageListTable());
        QVERIFY(pc.form1->Db().InsertRow("IMGLIST", 3, {"N", "MN", "INAME"}, {"7", "3", "'海'"}));
        const QString kCannotConnect =
            QStringLiteral("データベースに接続出来ません。設定を確認して下さい。");
        pc.form1->ImageEditMode = 1;
        pc.form1->CurrentImageNumber = 0;
        TForm6 editor(*pc.form1);
        editor.show();
        editor.Edit1->setText("7");
        QVERIFY(server.Kill());

        editor.Button4Click(); // what was typed stays
        QCOMPARE(messages->Take(), QStringList{kCannotConnect});
        QCOMPARE(editor.Edit1->text(), QStringLiteral("7"));
        Set(editor, {"2", "絵", "6", "100", "7", "100"});
        editor.Button1Click(); // not "the number does not exist"
        QCOMPARE(messages->Take(), QStringList{kCannotConnect});
        editor.RecordMode = 0;
        editor.Button1Click(); // nor "registered" or "could not be registered" after the check
        QCOMPARE(messages->Take(), QStringList{kCannotConnect});
        editor.Edit1DblClick(); // not 1: the catalogue may well have rows
        QCOMPARE(messages->Take(), QStringList{kCannotConnect});
        QCOMPARE(editor.Edit1->text(), QStringLiteral("7"));

        QVERIFY(server.Start());
        editor.Edit1DblClick();
        QCOMPARE(editor.Edit1->text(), QStringLiteral("8"));
        QVERIFY(messages->texts.isEmpty());
    }
};

QTEST_MAIN(ImageRecordEditorTest)
#include "test_image_record_editor.moc"
