// Faults that hostile input found, each shown on its own: a main window size no desktop holds,
// a picture size no editor allows, pointer positions at the ends of INTEGER, a pasted half of
// a surrogate pair, and the catalogue filter's look-alikes.

#include "board_fixture.h"
#include "cp932.h"
#include "cp932_validator.h"
#include "image_list_browser.h"
#include "message_recorder.h"
#include "name_balloon.h"
#include "pointer_window.h"
#include "string_grid.h"
#include "test_database.h"

#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

class FuzzFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void aMainWindowLargerThanTheDesktopIsLoweredToIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("oekaki.dat");
        WindowPlacements windows;
        windows.mainWindow = QRect(-50, 61893, 210, 313076635); // from a damaged file
        QVERIFY(WriteSettingsFile(path, Settings(), windows));
        QElapsedTimer clock;
        clock.start();
        TForm1 form1(path);
        form1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        QCoreApplication::processEvents();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        const QSize desktop = form1.screen()->virtualSize();
        QCOMPARE(form1.size(), QSize(210, desktop.height()));
        QCOMPARE(form1.pos(), QPoint(-50, 61893)); // positions are applied as read
        // The usual sizes stay as they are.
        windows.mainWindow = QRect(10, 20, 400, 300);
        QVERIFY(WriteSettingsFile(path, Settings(), windows));
        form1.LoadSettings(path);
        QCOMPARE(form1.geometry().size(), QSize(400, 300));
    }

    void aStrayByteKeepsTheCharacterAfterIt()
    {
        // EE opens no character before ED; ED A0 (NEC's code of an IBM character) is written
        // in its IBM code FA xx, and EE FA is a character: the settings file's database name
        // read back otherwise. Found among damaged settings files (seeds 10050 and 31500).
        for (const QByteArray &bytes :
             {QByteArray("\xEE\xED\xA0\x84\x35"), QByteArray("\x85\xEE\xED\x6F\xDF"),
              QByteArray("\x81\xED\x40"), QByteArray("\xEE\x87\x90")}) {
            const QString text = cp932::Decode(bytes);
            QByteArray out;
            QVERIFY(cp932::Encode(text, out));
            QCOMPARE(cp932::Decode(out), text);
            QCOMPARE(cp932::EncodeLossy(text), out);
            const QByteArray file = bytes + "\r\n";
            const Settings read = ParseSettingsFile(file, true).settings;
            QCOMPARE(ParseSettingsFile(FormatSettingsFile(read, WindowPlacements()), true)
                         .settings.ServerPrefix,
                     text);
        }
        // Elsewhere such a character is written as Windows writes it, as before.
        QCOMPARE(cp932::EncodeLossy(cp932::Decode("\xED\x40")), QByteArray("\xFA\x5C"));
        QCOMPARE(cp932::EncodeLossy(cp932::Decode("A\xED\x40")), QByteArray("A\xFA\x5C"));
    }

    void aPastedHalfOfAPairIsLeftOut()
    {
        // U+DC81 stands for the stray byte 0x81 read from the database; pasted, it was stored
        // as that byte, which with the "A" after it reads back as "、".
        QLineEdit edit;
        LimitBytes(&edit, 16);
        for (const QString &pasted : {QString(QChar(0xDC81)) + "A", "A" + QString(QChar(0xDC81)),
                                      QString(QChar(0xD83D)) + "B"}) {
            edit.clear();
            QGuiApplication::clipboard()->setText(pasted);
            edit.paste();
            QCOMPARE(edit.text().size(), 1);
            QVERIFY(edit.text() == "A" || edit.text() == "B");
        }
        // Text the program sets, read from the database, keeps its stray byte.
        edit.setText("A" + QString(QChar(0xDC81)));
        QCOMPARE(edit.text().size(), 2);
    }

    void theCatalogueFilterFindsWhatALookAlikeStandsFor()
    {
        MessageRecorder messages;
        FreshMainWindow pc;
        QVERIFY2(pc.Ready(), qPrintable(test_db::WhyNoServer()));
        QVERIFY(pc.form1->Db().CreateImageListTable());
        for (const auto &[n, name] : {std::pair{1, "波～線"}, std::pair{2, "波線"}})
            QVERIFY(pc.form1->Db().InsertRow(
                "IMGLIST", 5, {"N", "MN", "INAME", "SX", "SY"},
                {QString::number(n), "1", "'" + QString::fromUtf8(name) + "'", "40", "30"}));
        TForm7 browser(*pc.form1);
        browser.show();
        browser.Edit1->setFocus();
        TypeInto(browser.Edit1, QString::fromUtf8("〜")); // U+301C, as an input method gives it
        QCOMPARE(browser.Edit1->text(), QString::fromUtf8("～"));
        browser.ComboBox2->setCurrentIndex(1); // 名前
        browser.ComboBox2Select();
        QCOMPARE(browser.SG1->Cell(0, 1), QStringLiteral("1"));
        QCOMPARE(browser.SG1->Cell(0, 2), QString());
    }

    void aPictureLargerThanAnyRegisteredShowsItsTopLeft()
    {
        MessageRecorder messages;
        FreshMainWindow pc;
        QVERIFY2(pc.Ready(), qPrintable(test_db::WhyNoServer()));
        QVERIFY(pc.form1->Db().CreateImageTable("IMG_7"));
        QVERIFY(StorePoint(pc.form1->Db(), "IMG_7", {1, 1, 1, 2, 3, 255, 1999, 1999}));
        // 100000 x 100000 would be 40 GB; INT_MAX a side not even that.
        for (const QSize size : {QSize(100000, 100000), QSize(INT_MAX, 2001), QSize(50, INT_MAX)}) {
            auto board = ShowBoard(*pc.form1, 7, size.width(), size.height());
            QCOMPARE(board->Picture().size(), size.boundedTo(QSize(2000, 2000)));
            if (size.width() > 2000) QCOMPARE(board->Picture().pixel(1999, 1999), qRgb(255, 0, 0));
        }
        auto small = ShowBoard(*pc.form1, 7, 64, 48); // the usual sizes are kept
        QCOMPARE(small->Picture().size(), QSize(64, 48));
    }

    void pointersAtTheEndsOfIntegerStayOutOfSight()
    {
        MessageRecorder messages;
        FreshMainWindow pc;
        QVERIFY2(pc.Ready(), qPrintable(test_db::WhyNoServer()));
        DatabaseSession &db = pc.form1->Db();
        QVERIFY(db.CreateMousePosTable() &&
                test_db::CreateMembers(db, {{1, "A"}, {2, "B"}, {3, "C"}}));
        QVERIFY(db.InsertRow("MOUSEPOS", 4, {"MN", "ST", "MX", "MY"},
                             {"2", "1", "2147483647", "-2147483648"}));
        QVERIFY(db.InsertRow("MOUSEPOS", 4, {"MN", "ST", "MX", "MY"},
                             {"3", "1", "-2147483648", "40000"}));
        pc.form1->settings().PcUserNumber = 1;
        pc.form1->SetChildWindowFactory(ChildWindow::Pointer,
                                        [](TForm1 &owner) { return new TForm12(owner); });
        pc.Show();
        pc.form1->move(300, 200); // a corner that would overflow the sums
        pc.form1->mnuMousePointerClick();
        auto *window = qobject_cast<TForm12 *>(pc.form1->MdiArea()->subWindowList()[0]->widget());
        window->Timer1Timer();
        window->Timer1Timer(); // placed again: the same place
        QCOMPARE(window->PointerEntries.size(), size_t(2));
        const QPoint b = window->PointerEntries[0].Balloon->geometry().topLeft();
        const QPoint c = window->PointerEntries[1].Balloon->geometry().topLeft();
        QCOMPARE(b, QPoint(32767, -32768));
        QCOMPARE(c, QPoint(-32768, 32767));
        pc.form1->MdiArea()->closeAllSubWindows();
    }
};

QTEST_MAIN(FuzzFaultsTest)
#include "test_fuzz_faults.moc"
