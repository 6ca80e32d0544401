// The picture catalogue against a real database: pages of 100, the sort orders with their
// ties, the filter (quotes included), the openers, and deleting strokes while another PC's
// board shows the picture.

#include "drawing_board.h"
#include "image_list_browser.h"
#include "image_record_editor.h"
#include "image_windows.h"
#include "message_recorder.h"
#include "string_grid.h"
#include "test_database.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

class ImageListBrowserTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<MessageRecorder> messages;
    TForm1 &form1() { return *main->form1; }

    // Shows a main window as the program does, its settings file saying what it already holds,
    // so that the child windows in its MDI area come up and run their show handlers.
    static void Show(FreshMainWindow &pc)
    {
        pc.form1->setGeometry(0, 0, 900, 700);
        pc.Show();
        QVERIFY(pc.form1->Connected());
    }
    template <class Window> Window *Newest()
    {
        return qobject_cast<Window *>(form1().MdiArea()->subWindowList().last()->widget());
    }

    // Pictures 1..count, each 100 x 80, named p1, p2, ...
    void AddPictures(int count)
    {
        QVERIFY(form1().Db().ExecuteScript(
            {QString("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %1) DO BEGIN "
                     "INSERT INTO IMGLIST (N, MN, INAME, SX, SY) VALUES (:I, 1, 'p' || :I, 100, "
                     "80); I = I + 1; END END")
                 .arg(count)}));
    }
    void AddPicture(int n, const QString &name, const QString &memo, const QString &date1,
                    const QString &date2)
    {
        QVERIFY(form1().Db().InsertRow("IMGLIST", 8,
                                       {"N", "MN", "INAME", "MEMO1", "SX", "SY", "DATE1", "DATE2"},
                                       {QString::number(n), "1", "'" + name + "'", "'" + memo + "'",
                                        "40", "30", "'" + date1 + "'", "'" + date2 + "'"}));
    }
    TForm7 *Browser()
    {
        auto *browser = new TForm7(form1());
        browser->setAttribute(Qt::WA_DeleteOnClose);
        form1().MdiArea()->addSubWindow(browser)->show();
        return browser;
    }
    static QStringList Numbers(TForm7 *browser)
    {
        QStringList numbers;
        for (int r = 1; r <= 100 && !browser->SG1->Cell(0, r).isEmpty(); ++r)
            numbers << browser->SG1->Cell(0, r);
        return numbers;
    }
    static QString Range(int first, int last)
    {
        QStringList numbers;
        for (int n = first; n <= last; ++n) numbers << QString::number(n);
        return numbers.join(',');
    }
    // The page's first, number of rows and next start, e.g. "201+50>251".
    static QString Page(TForm7 *browser)
    {
        return QString("%1+%2>%3")
            .arg(browser->PageStart)
            .arg(Numbers(browser).size())
            .arg(browser->NextPageStart);
    }
    // Clicks the page buttons in turn and notes the page after each click.
    static QStringList Walk(TForm7 *browser, const QList<void (TForm7::*)()> &clicks)
    {
        QStringList pages;
        for (auto click : clicks) {
            (browser->*click)();
            pages << Page(browser);
        }
        return pages;
    }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        main->form1->settings().PcUserNumber = 1;
        QVERIFY(form1().Db().CreateImageListTable());
        QVERIFY(test_db::CreateMembers(form1().Db(), {{1, "山田"}}));
        messages = std::make_unique<MessageRecorder>();
        Show(*main);
    }
    void cleanup()
    {
        messages.reset();
        main.reset();
    }

    void pagesOfAHundred()
    {
        const auto first = &TForm7::Button1Click, previous = &TForm7::Button2Click,
                   next = &TForm7::Button3Click, reload = &TForm7::Button4Click;
        TForm7 *browser = Browser();
        QCOMPARE(Page(browser), QString("1+0>1"));
        QCOMPARE(Walk(browser, {next}), QStringList{"1+0>1"}); // the empty first page stays

        AddPictures(50); // previous from the empty page after a short first page
        QCOMPARE(Walk(browser, {reload, next, previous}),
                 QStringList({"1+50>51", "51+0>51", "1+50>51"}));
        QVERIFY(form1().Db().DeleteRows("IMGLIST", ""));
        AddPictures(100);
        QCOMPARE(Walk(browser, {reload, next, previous}),
                 QStringList({"1+100>101", "101+0>101", "1+100>101"}));

        QVERIFY(form1().Db().DeleteRows("IMGLIST", ""));
        AddPictures(250);
        QCOMPARE(Walk(browser, {first, next, next}),
                 QStringList({"1+100>101", "101+100>201", "201+50>251"}));
        QCOMPARE(browser->Edit2->text(), QString("p201")); // the details follow the page
        QCOMPARE(Numbers(browser).join(','), Range(201, 250));
        // The server sends the page alone: neither the rows before it nor those after. (An
        // empty page reads no details after it.)
        QCOMPARE(Walk(browser, {next}), QStringList{"251+0>251"});
        QCOMPARE(form1().Db().LastStatement(),
                 QStringList({"SELECT * FROM IMGLIST", "  ORDER BY N ROWS 251 TO 350;"}));
        // Previous on the first page reloads it.
        QCOMPARE(Walk(browser, {previous, first, previous}),
                 QStringList({"151+100>251", "1+100>101", "1+100>101"}));
        QVERIFY(messages->texts.isEmpty());
    }

    void sortOrdersBreakTiesByNumber()
    {
        AddPicture(1, "c", "m2", "20240102", "20240202");
        AddPicture(2, "a", "m1", "20240101", "20240201");
        AddPicture(3, "b", "m2", "20240102", "20240202");
        AddPicture(4, "d", "m1", "20240101", "20240201");
        TForm7 *browser = Browser();
        const QStringList expected{"1,2,3,4", "4,3,2,1", "2,3,1,4", "4,1,3,2", "2,4,1,3",
                                   "3,1,4,2", "2,4,1,3", "3,1,4,2", "2,4,1,3", "3,1,4,2"};
        for (int order = 0; order < 10; ++order) {
            browser->Button3Click(); // any page: a new order starts on the first
            browser->ComboBox1->setCurrentIndex(order);
            browser->ComboBox1Select();
            QCOMPARE(Numbers(browser).join(','), expected[order]);
        }
    }

    void filtersMatchSubstringsAndQuotesStayText()
    {
        AddPicture(1, "O''Brien", "memo x", "20240101", "20240301");
        AddPicture(2, "abc", "note", "20230505", "20240401");
        AddPicture(3, "zabcz", "memo y", "20240102", "20240302");
        TForm7 *browser = Browser();
        auto filter = [&](int column, const QString &text) {
            browser->Edit1->setText(text);
            browser->ComboBox2->setCurrentIndex(column);
            browser->ComboBox2Select();
            return Numbers(browser).join(',');
        };
        QCOMPARE(filter(1, "abc"), QString("2,3"));
        QCOMPARE(filter(2, "memo"), QString("1,3"));
        QCOMPARE(filter(3, "2023"), QString("2"));
        QCOMPARE(filter(4, "0401"), QString("2"));
        QCOMPARE(filter(1, "O'B"), QString("1")); // the quote is part of the text
        QCOMPARE(filter(1, "x' OR 'a'='a"), QString());
        QCOMPARE(filter(1, ""), QString("1,2,3")); // nothing typed: no filter
        QCOMPARE(filter(0, "abc"), QString("1,2,3"));
        QVERIFY(messages->texts.isEmpty());
    }

    void detailsAndOpeners()
    {
        AddPicture(7, "山の絵", "memo", "20240101", "20240202");
        TForm7 *browser = Browser();
        browser->SG1->SetRow(2);
        browser->SG1->SetRow(1);
        QCOMPARE(browser->Edit2->text(), QString("山の絵"));
        QCOMPARE(browser->LabelA->text(), QString("作成者：山田"));
        QCOMPARE(browser->LabelB->text(), QString("サイズ：40×30"));
        QCOMPARE(browser->LabelC->text(), QString("日　付：20240101　20240202"));
        browser->SG1SelectCell(0, 2); // an empty row clears the details
        QCOMPARE(browser->Edit2->text(), QString());
        QCOMPARE(browser->LabelA->text(), QString("作成者："));

        // The size the page showed when it was loaded, not what is stored now. (The main window
        // is as small as on a first start: the new windows are larger than its area.)
        QVERIFY(form1().Db().UpdateRows("IMGLIST", 1, {"SX"}, {"55"}, "N=7"));
        form1().resize(347, 246);
        browser->Button8Click();
        auto *board = Newest<TForm8>();
        QVERIFY(board);
        QCOMPARE(QSize(board->PictureWidth, board->PictureHeight), QSize(40, 30));
        QCOMPARE(board->windowTitle(), QString("お絵描きソフト － 山の絵(N:7)"));

        browser->Button7Click();
        auto *editor = Newest<TForm6>();
        QVERIFY(editor);
        QCOMPARE(editor->RecordMode, 1);
        QCOMPARE(editor->Edit2->text(), QString("山の絵"));
        QCOMPARE(editor->windowTitle(), QString("画像一覧データ編集"));

        // Both opened with their title bars in the main window's view.
        for (QMdiSubWindow *frame : form1().MdiArea()->subWindowList())
            QVERIFY2(frame->x() >= 0 && frame->y() >= 0, qPrintable(frame->windowTitle()));

        // After every load row 1 is current and the details panel shows it; a page without
        // rows has no current row, no details, and the buttons act on nothing.
        browser->SG1->SetRow(2);
        browser->Button4Click();
        QCOMPARE(browser->SG1->Row(), 1);
        QCOMPARE(browser->Edit2->text(), QString("山の絵"));
        browser->Button3Click();
        QCOMPARE((QList<int>{browser->PageStart, browser->SG1->Row()}), (QList<int>{2, 0}));
        QCOMPARE(browser->Edit2->text(), QString());
        QCOMPARE(browser->LabelA->text(), QString("作成者："));
        const int windows = int(form1().MdiArea()->subWindowList().size());
        browser->Button8Click();
        browser->Button7Click();
        browser->Button9Click();
        QCOMPARE(form1().MdiArea()->subWindowList().size(), windows);
        QVERIFY(messages->texts.isEmpty());
        browser->Button2Click();
        QCOMPARE(browser->Edit2->text(), QString("山の絵"));
    }

    void deletingStrokesUnderAnotherPcsBoard()
    {
        AddPicture(3, "絵", "", "20240101", "20240101");
        FreshMainWindow otherPc(*main, 2);
        Show(otherPc);
        TForm8 *board = OpenDrawingBoard(*otherPc.form1, 3, 40, 30, "絵");
        QVERIFY(board && form1().TableExists("IMG_3"));
        // The board's indexes are being added meanwhile; a deletion in that moment is refused
        // like one while any other PC changes the table, and can be asked again.
        QTRY_VERIFY_WITH_TIMEOUT(!otherPc.form1->Db().AdditionsUnderWay(), 30000);

        TForm7 *browser = Browser();
        browser->SG1->SetRow(1);
        browser->Button9Click();
        QCOMPARE(messages->Take(),
                 QStringList({"画像データ「絵」(N:3)を削除します。よろしいですか？",
                              "画像データ「絵」(N:3)を削除しました。"}));
        browser->Button9Click();
        QCOMPARE(messages->texts,
                 QStringList{"画像データ「絵」(N:3)のテーブルデータは存在しません。"});

        // The other PC's board goes on: its poll keeps it white, and its next stroke makes
        // the stroke table anew, stored from N 1.
        QElapsedTimer clock;
        clock.start();
        board->Timer1Timer();
        board->SpeedButton4Click();
        board->Image1MouseDown(Qt::LeftButton, Qt::LeftButton, 5, 5);
        board->Image1MouseUp(Qt::LeftButton, 6, 5);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(form1().TableExists("IMG_3"));
        QCOMPARE(form1().Db().SelectMax("IMG_3", "N", ""), QString("1"));

        // A board opened afterwards shows that stroke.
        TForm8 *fresh = OpenDrawingBoard(form1(), 3, 40, 30, "絵");
        QVERIFY(fresh);
        QCOMPARE(fresh->Picture(), board->Picture());
    }

    void sizesComeBackAsTheyWereLeft()
    {
        TForm7 *browser = Browser();
        browser->SG1->setColumnWidth(2, 123);
        browser->Button6Click();
        QCOMPARE(browser->PanelHeight(), 28);
        browser->parentWidget()->resize(500, 400);
        browser->parentWidget()->close();
        QCOMPARE(form1().settings().ImageListColumnWidths[2], 123);
        QCOMPARE(form1().settings().ImageListPanelHeight, 28);
        QCOMPARE(form1().settings().ImageListWidth, 500);

        TForm7 *again = Browser();
        QCOMPARE(again->SG1->columnWidth(2), 123);
        QCOMPARE(again->PanelHeight(), 28);
        QCOMPARE(again->parentWidget()->size(), QSize(500, 400));
    }
};

QTEST_MAIN(ImageListBrowserTest)
#include "test_image_list_browser.moc"
