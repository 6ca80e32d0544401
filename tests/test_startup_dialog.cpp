// What every start-up dialog does alike, on the real dialogs shown offscreen and driven by key
// events on the focused widget: Enter clicks the focused button or else the default button,
// Escape cancels, and restoring from minimised keeps what the user typed and chose.

#include "database_settings_dialog.h"
#include "message_recorder.h"
#include "pc_user_dialog.h"
#include "section_dialog.h"
#include "string_grid.h"
#include "test_database.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

void Show(QDialog &dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

void Press(QWidget *focus, Qt::Key key)
{
    focus->setFocus();
    QTest::keyClick(focus->window()->focusWidget(), key);
}

void MinimiseAndRestore(QDialog &dialog)
{
    dialog.showMinimized();
    QVERIFY(dialog.isMinimized());
    dialog.showNormal();
    QVERIFY(!dialog.isMinimized() && dialog.isVisible());
}

} // namespace

class StartupDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreshMainWindow> main;
    std::unique_ptr<MessageRecorder> messages;
    DatabaseSession &Db() { return main->form1->Db(); }
    Settings &settings() { return main->form1->settings(); }

private slots:
    void init()
    {
        main = std::make_unique<FreshMainWindow>();
        if (!main->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        messages.reset();
        main.reset();
    }

    void enterOnCancelCancelsAndEnterInAFieldRunsOk()
    {
        main->form1->DisconnectDatabase(); // as the menu command does
        TForm2 form2(*main->form1);
        const QString prefix = settings().ServerPrefix;
        Show(form2);
        TypeInto(form2.Edit1, "x");
        Press(form2.Button2, Qt::Key_Return); // not OK: nothing stored, nothing created
        QCOMPARE(form2.result(), int(QDialog::Rejected));
        QCOMPARE(settings().ServerPrefix, prefix);
        QVERIFY(messages->texts.isEmpty());
        Show(form2);
        Press(form2.Edit3, Qt::Key_Enter);
        QCOMPARE(form2.result(), int(QDialog::Accepted));
        Show(form2);
        TypeInto(form2.Edit1, "x");
        Press(form2.Edit2, Qt::Key_Escape);
        QCOMPARE(form2.result(), int(QDialog::Rejected));
        QCOMPARE(settings().ServerPrefix, prefix);

        main->form1->ConnectDatabase();
        QVERIFY(test_db::CreateMembers(Db(), {{3, "山田"}, {7, "山田"}}));
        TForm5 form5(*main->form1);
        Show(form5);
        form5.ComboBox1->setCurrentIndex(1);
        Press(form5.Button2, Qt::Key_Return);
        QCOMPARE(form5.result(), int(QDialog::Rejected));
        QCOMPARE(settings().PcUserNumber, 0);
        Show(form5);
        Press(form5.ComboBox1, Qt::Key_Down); // the first member
        Press(form5.ComboBox1, Qt::Key_Return);
        QCOMPARE(form5.result(), int(QDialog::Accepted));
        QCOMPARE(settings().PcUserNumber, 3);
    }

    void withoutADefaultOnlyAFocusedButtonTakesEnter()
    {
        QVERIFY(Db().CreateSectionTable());
        TForm3 form3(*main->form1);
        Show(form3);
        TypeInto(form3.Edit1, "5");
        TypeInto(form3.Edit2, QString::fromUtf8("総務"));
        Press(form3.Edit2, Qt::Key_Return);
        Press(form3.SG1, Qt::Key_Return);
        QVERIFY(messages->texts.isEmpty() && form3.isVisible());
        Press(form3.Button1, Qt::Key_Return);
        QCOMPARE(messages->texts, QStringList{"登録OK"});
        Press(form3.Button3, Qt::Key_Enter);
        QVERIFY(!form3.isVisible());
    }

    void restoringFromMinimisedKeepsTheShowing()
    {
        main->form1->DisconnectDatabase();
        TForm2 form2(*main->form1);
        Show(form2);
        form2.Edit1->clear();
        TypeInto(form2.Edit1, "typed");
        MinimiseAndRestore(form2);
        QCOMPARE(form2.Edit1->text(), QStringLiteral("typed"));
        main->form1->ConnectDatabase();

        QVERIFY(test_db::CreateMembers(Db(), {{3, "山田"}, {7, "山田"}}));
        TForm5 form5(*main->form1);
        Show(form5);
        form5.ComboBox1->setCurrentIndex(1);
        MinimiseAndRestore(form5);
        QCOMPARE(form5.ComboBox1->currentIndex(), 1);

        // The grid is not read again: a section another PC adds meanwhile shows at the next
        // showing, and the row chosen and the name typed stay.
        QVERIFY(Db().CreateSectionTable());
        QVERIFY(Db().InsertRow("SECTION", 2, {"N", "SNAME"}, {"1", "'営業'"}));
        TForm3 form3(*main->form1);
        Show(form3);
        QTest::mouseClick(form3.SG1->viewport(), Qt::LeftButton, {},
                          form3.SG1->visualItemRect(form3.SG1->item(0, 0)).center());
        TypeInto(form3.Edit2, "2");
        QVERIFY(Db().InsertRow("SECTION", 2, {"N", "SNAME"}, {"2", "'総務'"}));
        MinimiseAndRestore(form3);
        QCOMPARE(form3.SG1->RowCount(), 2);
        QCOMPARE(form3.Edit2->text(), QString::fromUtf8("営業2"));
        form3.reject();
        Show(form3);
        QCOMPARE(form3.SG1->RowCount(), 3);
    }
};

QTEST_MAIN(StartupDialogTest)
#include "test_startup_dialog.moc"
