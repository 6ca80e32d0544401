// The image record editor: proposing and loading numbers, the register checks in their order
// with their messages and focus, NULL for empty texts, authors kept on edit, byte limits, keys.

#include "image_record_editor.h"
#include "image_windows.h"
#include "message_recorder.h"
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
    // A form that passes every check, in new mode.
    std::unique_ptr<TForm6> Valid()
    {
        auto editor = Open(0);
        editor->Edit1->setText(QStringLiteral("10"));
        editor->Edit2->setText(QStringLiteral("絵"));
        editor->Edit6->setText(QStringLiteral("100"));
        editor->Edit7->setText(QStringLiteral("100"));
        editor->Edit8->setText(QStringLiteral("20240101"));
        editor->Edit9->setText(QStringLiteral("20240102"));
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
        QVERIFY(Db().CreateMemberTable());
        QVERIFY(Db().InsertRow("MEMBER", 3, {"N", "SN", "PNAME"}, {"3", "0", "'山田'"}));
        QVERIFY(Db().InsertRow("MEMBER", 3, {"N", "SN", "PNAME"}, {"5", "0", "'佐藤'"}));
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
        editor->Edit2->setText(QStringLiteral(" 海 ")); // stored with its blanks
        editor->Edit4->setText(QStringLiteral("二行目"));
        editor->Edit6->setText(QStringLiteral("8"));
        editor->Edit7->setText(QStringLiteral("2000"));
        editor->Button1Click();
        QCOMPARE(messages->texts, QStringList{kAdded});
        QCOMPARE(Row(1), (QStringList{"1", "3", " 海 ", "", "二行目", "", "8", "2000", "", ""}));
        QCOMPARE(Db().CountRows(QStringLiteral("IMGLIST"),
                                QStringLiteral("MEMO1 IS NULL AND MEMO3 IS NULL AND DATE1 IS "
                                               "NULL AND DATE2 IS NULL")),
                 1);
        QCOMPARE(editor->Edit1->text(), QStringLiteral("1")); // the fields stay as they are
        QCOMPARE(editor->Edit2->text(), QStringLiteral(" 海 "));

        editor->Button1Click(); // the same number again
        QCOMPARE(messages->Last(),
                 QStringLiteral("指定した番号は既に存在します。再入力して下さい。"));
        QCOMPARE(editor->focusWidget(), editor->Edit1);
        editor->Edit1DblClick();
        QCOMPARE(editor->Edit1->text(), QStringLiteral("2"));

        editor->Edit1->setText(QStringLiteral("007"));
        editor->Edit2->setText(QStringLiteral("　　")); // ideographic spaces are a name
        editor->Button1Click();
        QCOMPARE(messages->Last(), kAdded);
        QCOMPARE(Row(7).value(2), QStringLiteral("　　"));
    }

    void checksInTheirOrder_data()
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
    }
    void checksInTheirOrder()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto editor = Valid();
        for (int i = 0; i < edits.size(); i += 2)
            editor->findChild<QLineEdit *>(QStringLiteral("Edit") + edits[i])
                ->setText(edits[i + 1]);
        editor->Button1Click();
        QCOMPARE(messages->texts, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(editor->focusWidget()->objectName(), focus);
        QCOMPARE(Rows(), 0);
        if (focus == QLatin1String("Edit1") && message.isEmpty())
            QCOMPARE(editor->Edit1->text(), QString());
    }

    void acceptedEdges_data()
    {
        QTest::addColumn<QStringList>("edits");
        QTest::newRow("full-width colon and quotes") << QStringList{"2", "絵：＂＇"};
        QTest::newRow("sizes 8 and 2000") << QStringList{"6", "2000", "7", "8"};
        QTest::newRow("creation date alone") << QStringList{"9", ""};
        QTest::newRow("equal dates") << QStringList{"8", "20240102"};
        QTest::newRow("no dates") << QStringList{"8", "", "9", ""};
    }
    void acceptedEdges()
    {
        QFETCH(QStringList, edits);
        auto editor = Valid();
        for (int i = 0; i < edits.size(); i += 2)
            editor->findChild<QLineEdit *>(QStringLiteral("Edit") + edits[i])
                ->setText(edits[i + 1]);
        editor->Button1Click();
        QCOMPARE(messages->texts, QStringList{kAdded});
        QCOMPARE(Rows(), 1);
    }

    void editingKeepsTheAuthor()
    {
        QVERIFY(Db().InsertRow(
            "IMGLIST", 10,
            {"N", "MN", "INAME", "MEMO1", "MEMO2", "MEMO3", "SX", "SY", "DATE1", "DATE2"},
            {"4", "5", "'港'", "NULL", "'m2'", "NULL", "640", "480", "'20200101'", "NULL"}));
        auto editor = Open(1, 4);
        QCOMPARE(editor->Edit2->text(), QStringLiteral("港"));
        QCOMPARE(editor->Edit3->text(), QString());
        QCOMPARE(editor->Edit6->text(), QStringLiteral("640"));
        QCOMPARE(editor->Label2->text(), QStringLiteral("作成者：佐藤"));
        QCOMPARE(editor->focusWidget(), editor->Edit2);
        editor->Edit3->setText(QStringLiteral("直した"));
        editor->Button1Click();
        QCOMPARE(messages->texts, QStringList{kAdded});
        QCOMPARE(Row(4),
                 (QStringList{"4", "5", "港", "直した", "m2", "", "640", "480", "20200101", ""}));

        // A number with no row: loading empties every field, the label stays.
        editor->Edit1->setText(QStringLiteral("99"));
        editor->Button4Click();
        for (QLineEdit *field : editor->findChildren<QLineEdit *>())
            QCOMPARE(field->text(), QString());
        QCOMPARE(editor->Label2->text(), QStringLiteral("作成者：佐藤"));
        messages->Clear();
        editor->Edit1->setText(QStringLiteral("99"));
        editor->Edit2->setText(QStringLiteral("x"));
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
        TypeInto(editor->Edit2, QString(40, QChar(0x6F22))); // 漢: two bytes each
        QCOMPARE(editor->Edit2->text().size(), 32);
        TypeInto(editor->Edit3, QStringLiteral("a") + QString(45, QChar(0x3042)));
        QCOMPARE(editor->Edit3->text().size(), 40); // 1 + 2 x 39 = 79 bytes; one more is 81
        editor->Edit1->clear();
        TypeInto(editor->Edit1, QStringLiteral("1234567890"));
        QCOMPARE(editor->Edit1->text(), QStringLiteral("12345678"));
        TypeInto(editor->Edit6, QStringLiteral("12345"));
        QCOMPARE(editor->Edit6->text(), QStringLiteral("1234"));
        TypeInto(editor->Edit8, QStringLiteral("202401011"));
        QCOMPARE(editor->Edit8->text(), QStringLiteral("20240101"));
        editor->Edit4->clear();
        TypeInto(editor->Edit4, QStringLiteral("café"));
        QCOMPARE(editor->Edit4->text(), QStringLiteral("caf")); // no CP932 form
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
        for (QLineEdit *field : editor->findChildren<QLineEdit *>())
            QCOMPARE(field->text(), QString());
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
        auto editing = Open(1, 4);
        QCOMPARE(editing->Edit2->text(), QString());
    }

    void openedByTheMenuAndByTheCatalogue()
    {
        form1().SetChildWindowFactory(ChildWindow::ImageEditor,
                                      [](TForm1 &owner) { return new TForm6(owner); });
        const Settings kept = form1().settings();
        form1().SaveSettings(main->dir.filePath(QStringLiteral("oekaki.dat")));
        form1().show();
        form1().settings() = kept;
        form1().mnuImageNewClick();
        form1().mnuImageEditClick();
        QVERIFY(Db().InsertRow("IMGLIST", 3, {"N", "MN", "INAME"}, {"6", "3", "'空'"}));
        TForm6 *fromCatalogue = OpenImageRecordEditor(form1(), 6);
        const QList<QMdiSubWindow *> windows = form1().MdiArea()->subWindowList();
        QCOMPARE(windows.size(), 3); // several at once
        auto *created = qobject_cast<TForm6 *>(windows[0]->widget());
        auto *edited = qobject_cast<TForm6 *>(windows[1]->widget());
        QCOMPARE(created->windowTitle(), QStringLiteral("画像一覧データ新規作成"));
        QCOMPARE(created->RecordMode, 0);
        QCOMPARE(edited->windowTitle(), QStringLiteral("画像一覧データ編集"));
        QCOMPARE(edited->RecordMode, 1);
        QCOMPARE(edited->Edit1->text(), QString());
        QCOMPARE(fromCatalogue->windowTitle(), QStringLiteral("画像一覧データ編集"));
        QCOMPARE(fromCatalogue->Edit2->text(), QStringLiteral("空"));
        fromCatalogue->Button3Click();
        QTRY_COMPARE(form1().MdiArea()->subWindowList().size(), 2);
    }
};

QTEST_MAIN(ImageRecordEditorTest)
#include "test_image_record_editor.moc"
