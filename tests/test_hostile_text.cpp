// What users type and paste into every text field of every window: quotes, SQL fragments,
// over-long text, control characters, characters CP932 cannot hold. Each value is either
// refused with its message or stored exactly as the field shows it — never run as SQL — and
// another PC's session reads the rows back afterwards. One scenario per family of windows.

#include "chat_editor.h"
#include "chat_window.h"
#include "cp932.h"
#include "database_settings_dialog.h"
#include "image_list_browser.h"
#include "image_record_editor.h"
#include "member_dialog.h"
#include "message_recorder.h"
#include "pen_tip_dialog.h"
#include "section_dialog.h"
#include "string_grid.h"
#include "test_database.h"
#include "text_helpers.h"
#include "window_wiring.h"

#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QtTest>

namespace {

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Every one is entered twice into every field: typed key by key, and pasted at once.
QStringList HostileInputs()
{
    return {
        U("O'Brien"),
        U("say \"hi\""),
        U("x'); DROP TABLE SECTION; --"),
        U("' OR '1'='1"),
        U("a' || (SELECT FIRST 1 RDB$RELATION_NAME FROM RDB$RELATIONS) || '"),
        U("/* 注釈 */ -- 行末"),
        U("; COMMIT; DELETE FROM MEMBER;"),
        U("\\' \\\" \\\\"),
        U("%_[]^$?*"),
        U("NULL"),
        U("表ソ能十予"), // a trail byte 0x5C in each
        U("ｱｲｳｴｵﾞﾟ"),
        U("～－∥￠￡￢"),
        U("〜−‖¢£¬—"), // their look-alikes
        U("é¥€😀🎨"),
        U("①Ⅰ㈱纊褜"), // NEC and IBM codes
        U("tab\there"),
        U("bell\x07 esc\x1b del\x7f"),
        U("first\r\nsecond"),
        U("lone\rcarriage"),
        U("\u3000全角の空白\u3000"),
        U("   "),
        QString(200, QChar(0x9577)), // 長: 400 bytes
        QString(500, QLatin1Char('x')),
        QString(QChar(0xDC81)) + U("A"),
        U("ｶﾞ'\"ｷﾞ"),
    };
}

// Puts text into the edit as a user does: key by key, or pasted from the clipboard.
void Enter(QLineEdit *edit, const QString &text, bool paste)
{
    edit->clear();
    edit->setFocus();
    if (paste) {
        QGuiApplication::clipboard()->setText(text);
        edit->paste();
    } else {
        TypeInto(edit, text);
    }
}

bool HasQuote(const QString &text)
{
    return text.contains(QLatin1Char('\'')) || text.contains(QLatin1Char('"'));
}

// What a field may hold after any input: CP932 characters within its byte limit, on one line.
QString FieldFault(const QLineEdit *edit, int maxBytes)
{
    const QString text = edit->text();
    const int bytes = cp932::ByteLength(text);
    if (bytes < 0) return QStringLiteral("holds what CP932 cannot: ") + text;
    if (maxBytes > 0 && bytes > maxBytes) return QStringLiteral("over its limit: ") + text;
    for (QChar c : text)
        if (c.unicode() < 0x20) return QStringLiteral("holds a control character");
    return QString();
}

template <class Window> Window *Child(TForm1 &form1)
{
    for (QMdiSubWindow *frame : form1.MdiArea()->subWindowList())
        if (auto *window = qobject_cast<Window *>(frame->widget())) return window;
    return nullptr;
}

} // namespace

class HostileTextTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MessageRecorder> messages;
    std::unique_ptr<FreshMainWindow> pc, otherPc;
    TForm1 &form1() { return *pc->form1; }
    int tried = 0;
    QElapsedTimer clock;

    // One column of one row, as another PC reads it now; "<none>" when there is no row.
    QString Stored(const QString &column, const QString &table, const QString &where)
    {
        QStringList value{QString()};
        const int found = otherPc->form1->Db().SelectFirstRow(column, table, where, value);
        return found > 0 ? value[0] : QStringLiteral("<none>");
    }
    int Rows(const QString &table) { return otherPc->form1->Db().CountRows(table, QString()); }

    // Each input into `edit`, then `act`; `check` says what is wrong afterwards, if anything.
    void Fuzz(const char *name, QLineEdit *edit, int maxBytes, const std::function<void()> &act,
              const std::function<QString(const QString &input, const QString &shown)> &check)
    {
        for (const QString &input : HostileInputs()) {
            for (bool paste : {false, true}) {
                Enter(edit, input, paste);
                const QString shown = edit->text();
                QString fault = FieldFault(edit, maxBytes);
                messages->Clear();
                if (fault.isEmpty()) {
                    act();
                    fault = check(input, shown);
                }
                ++tried;
                QVERIFY2(fault.isEmpty(),
                         qPrintable(QStringLiteral("%1 %2 \"%3\": %4")
                                        .arg(QLatin1String(name), paste ? "pasted" : "typed", shown,
                                             fault)));
            }
        }
    }

private slots:
    void init()
    {
        messages = std::make_unique<MessageRecorder>();
        pc = std::make_unique<FreshMainWindow>();
        if (!pc->Ready()) QFAIL(qPrintable(test_db::WhyNoServer()));
        WireWindows(form1());
        form1().ShowModal = [](QDialog &dialog) { dialog.show(); };
        form1().settings().PcUserNumber = 1;
        form1().resize(1000, 760);
        pc->Show();
        otherPc = std::make_unique<FreshMainWindow>(*pc, 2);
        tried = 0;
        clock.start();
    }
    void cleanup()
    {
        qInfo("%d inputs tried in %lld ms", tried, static_cast<long long>(clock.elapsed()));
        otherPc.reset();
        pc.reset();
        messages.reset();
    }

    void sectionAndMemberFields()
    {
        form1().mnuAddTable1Click();
        auto *form3 = static_cast<TForm3 *>(form1().StartupDialog(PlacedDialog::Form3));
        QVERIFY(form3->isVisible());
        int number = 0;
        int rows = 0;
        int lastStored = 0;
        // A section name: the quote message and nothing stored, or stored as shown.
        auto storedOrRefused = [&](const QString &table, const QString &column) {
            return [&, table, column](const QString &, const QString &shown) -> QString {
                const QString where = QStringLiteral("N=%1").arg(number);
                const QString stored = Stored(column, table, where);
                if (HasQuote(shown)) {
                    if (messages->texts != QStringList{msg::kNoQuotes})
                        return QStringLiteral("not refused: ") + messages->texts.join('|');
                    return stored == QStringLiteral("<none>") ? QString()
                                                              : QStringLiteral("stored anyway");
                }
                ++rows;
                lastStored = number;
                if (messages->texts != QStringList{msg::kAdded})
                    return QStringLiteral("said ") + messages->texts.join('|');
                if (stored != shown) return QStringLiteral("stored as ") + stored;
                if (Rows(table) != rows) return QStringLiteral("rows: %1").arg(Rows(table));
                return QString();
            };
        };
        Fuzz(
            "section name", form3->Edit2, 32,
            [&] {
                form3->Edit1->setText(QString::number(++number));
                form3->Button1Click();
            },
            storedOrRefused("SECTION", "SNAME"));
        // The record number: anything but a positive number is refused with its message.
        Fuzz(
            "section number", form3->Edit1, 0,
            [&] {
                form3->Edit2->setText(QStringLiteral("番号"));
                form3->Button1Click();
            },
            [&](const QString &, const QString &) -> QString {
                if (Rows("SECTION") != rows) return QStringLiteral("stored");
                return messages->texts.size() == 1 ? QString() : QStringLiteral("no message");
            });
        // Renaming one section over and over: only its row changes.
        const QString renamed = QString::number(lastStored);
        Fuzz(
            "section name, changed", form3->Edit2, 32,
            [&] {
                form3->Edit1->setText(renamed);
                form3->Button4Click();
            },
            [&](const QString &, const QString &shown) -> QString {
                const QString stored = Stored("SNAME", "SECTION", "N=" + renamed);
                if (TrimBlanks(shown).isEmpty() || HasQuote(shown))
                    return messages->texts.size() == 1 ? QString() : QStringLiteral("no message");
                if (messages->texts != QStringList{msg::kChanged})
                    return QStringLiteral("said ") + messages->texts.join('|');
                return stored == shown ? QString() : QStringLiteral("stored as ") + stored;
            });
        QCOMPARE(Rows("SECTION"), rows);
        form3->hide();

        form1().mnuAddTable2Click();
        auto *form4 = static_cast<TForm4 *>(form1().StartupDialog(PlacedDialog::Form4));
        QVERIFY(form4->isVisible());
        number = 0;
        rows = 0;
        Fuzz(
            "member name", form4->Edit2, 16,
            [&] {
                form4->Edit1->setText(QString::number(++number));
                form4->Button1Click();
            },
            storedOrRefused("MEMBER", "PNAME"));
        form4->hide();
    }

    void databaseSettingsFields()
    {
        // The database settings try what they are given at once; here on a server that is not
        // there. The database login fields take plain letters only: everything else is refused
        // before anything is tried, and the login in use stays.
        form1().DisconnectDatabase();
        auto *form2 = static_cast<TForm2 *>(form1().StartupDialog(PlacedDialog::Form2));
        form2->show();
        const Settings nowhere = test_db::UnreachableSettings();
        const DatabaseLogin before = form1().Login();
        for (QLineEdit *field : {form2->Edit4, form2->Edit5}) {
            Fuzz(
                field == form2->Edit4 ? "database user" : "database password", field,
                field == form2->Edit4 ? 31 : 64,
                [&] {
                    form2->Edit1->setText(nowhere.ServerPrefix);
                    form2->Edit2->setText(nowhere.DataFolder);
                    if (field == form2->Edit5)
                        form2->Edit4->setText(QStringLiteral("OFFICE"));
                    else
                        form2->Edit5->clear();
                    form2->Button1Click();
                },
                [&, field](const QString &, const QString &shown) -> QString {
                    if (messages->texts.size() != 1) return QStringLiteral("no refusal");
                    if (field == form2->Edit4 && !shown.isEmpty() && !(form1().Login() == before))
                        return QStringLiteral("login changed");
                    return QString();
                });
        }
        // The folder and the file name go into the settings file as typed (the name upper-cased
        // and given its extension), and come back from it the same.
        for (QLineEdit *field : {form2->Edit2, form2->Edit3}) {
            Fuzz(
                field == form2->Edit2 ? "database folder" : "database file name", field, 0,
                [&] {
                    form2->Edit1->setText(nowhere.ServerPrefix);
                    if (field == form2->Edit3)
                        form2->Edit2->setText(nowhere.DataFolder);
                    else
                        form2->Edit3->setText(QStringLiteral("PAINT.FDB"));
                    form2->Edit4->clear();
                    form2->Edit5->clear();
                    form2->Button1Click();
                },
                [&, field](const QString &, const QString &shown) -> QString {
                    if (messages->texts.size() != 1) return QStringLiteral("no message");
                    if (TrimBlanks(shown).isEmpty()) return QString();
                    const Settings &s = form1().settings();
                    const QString kept = field == form2->Edit2 ? s.DataFolder : s.DatabaseFileName;
                    if (kept != (field == form2->Edit2 ? shown : StoredDatabaseFileName(shown)))
                        return QStringLiteral("kept as ") + kept;
                    const Settings back =
                        ParseSettingsFile(FormatSettingsFile(s, WindowPlacements()), true).settings;
                    if (back.DataFolder != s.DataFolder ||
                        back.DatabaseFileName != s.DatabaseFileName)
                        return QStringLiteral("settings file reads back otherwise");
                    return QString();
                });
        }
        form2->hide();
    }

    void pictureFields()
    {
        QVERIFY(form1().Db().CreateImageListTable());
        form1().mnuImageNewClick();
        TForm6 *form6 = Child<TForm6>(form1());
        QVERIFY(form6);
        int number = 0;
        // Name (64 bytes), then the three memo lines (80 bytes each), in new rows.
        const QList<std::pair<QLineEdit *, QString>> texts{{form6->Edit2, "INAME"},
                                                           {form6->Edit3, "MEMO1"},
                                                           {form6->Edit4, "MEMO2"},
                                                           {form6->Edit5, "MEMO3"}};
        for (const auto &[edit, column] : texts) {
            const bool isName = edit == form6->Edit2;
            Fuzz(
                qPrintable(column), edit, isName ? 64 : 80,
                [&, edit = edit] {
                    form6->Edit1->setText(QString::number(++number));
                    if (edit != form6->Edit2) form6->Edit2->setText(QStringLiteral("絵"));
                    for (QLineEdit *memo : {form6->Edit3, form6->Edit4, form6->Edit5})
                        if (memo != edit) memo->clear();
                    form6->Edit6->setText(QStringLiteral("64"));
                    form6->Edit7->setText(QStringLiteral("48"));
                    form6->Button1Click();
                },
                [&, column = column, isName](const QString &, const QString &shown) -> QString {
                    const QString stored =
                        Stored(column, "IMGLIST", QStringLiteral("N=%1").arg(number));
                    const bool refused = HasQuote(shown) || (isName && shown.contains(':')) ||
                                         (isName && TrimBlanks(shown).isEmpty());
                    if (refused)
                        return stored == "<none>" && messages->texts.size() == 1
                                   ? QString()
                                   : QStringLiteral("not refused");
                    if (messages->texts != QStringList{U("画像一覧データを登録しました")})
                        return QStringLiteral("said ") + messages->texts.join('|');
                    return stored == shown ? QString() : QStringLiteral("stored as ") + stored;
                });
        }
        // Number, sizes and dates: a number field keeps what it holds; anything that is not a
        // valid value is refused, and no row appears.
        const QList<QLineEdit *> checked{form6->Edit1, form6->Edit6, form6->Edit7, form6->Edit8,
                                         form6->Edit9};
        for (QLineEdit *memo : {form6->Edit3, form6->Edit4, form6->Edit5}) memo->clear();
        int before = 0;
        for (QLineEdit *edit : checked) {
            Fuzz(
                "picture number, size or date", edit,
                edit == form6->Edit6 || edit == form6->Edit7 ? 4 : 8,
                [&, edit] {
                    before = Rows("IMGLIST");
                    const QString kept = edit->text();
                    form6->Edit1->setText(QString::number(++number));
                    form6->Edit2->setText(QStringLiteral("絵"));
                    form6->Edit6->setText(QStringLiteral("64"));
                    form6->Edit7->setText(QStringLiteral("48"));
                    form6->Edit8->clear();
                    form6->Edit9->clear();
                    edit->setText(kept);
                    form6->Button1Click();
                },
                [&](const QString &, const QString &) -> QString {
                    const int added = Rows("IMGLIST") - before;
                    if (added == 1) // the value was a valid one
                        return messages->texts == QStringList{U("画像一覧データを登録しました")}
                                   ? QString()
                                   : QStringLiteral("said ") + messages->texts.join('|');
                    if (added != 0) return QStringLiteral("rows added: %1").arg(added);
                    // A number below 1 only empties the number field.
                    return messages->texts.size() <= 1
                               ? QString()
                               : QStringLiteral("messages: ") + messages->texts.join('|');
                });
        }

        // The catalogue's filter is not checked: it only ever filters.
        form1().mnuImageListClick();
        TForm7 *form7 = Child<TForm7>(form1());
        QVERIFY(form7);
        const int pictures = Rows("IMGLIST");
        for (int column = 1; column < form7->ComboBox2->count(); ++column) {
            Fuzz(
                "catalogue filter", form7->Edit1, 0,
                [&] {
                    form7->ComboBox2->setCurrentIndex(column);
                    form7->ComboBox2Select();
                },
                [&](const QString &, const QString &shown) -> QString {
                    if (Rows("IMGLIST") != pictures) return QStringLiteral("rows changed");
                    for (int r = 1; r < form7->SG1->RowCount(); ++r) {
                        if (form7->SG1->Cell(0, r).isEmpty()) continue;
                        // % and _ are the pattern's own wildcards.
                        const bool literal = !shown.contains('%') && !shown.contains('_');
                        if (column == 1 && literal && !form7->SG1->Cell(1, r).contains(shown))
                            return QStringLiteral("lists ") + form7->SG1->Cell(1, r);
                    }
                    return messages->texts.isEmpty() ? QString() : QStringLiteral("a message");
                });
        }
        // The pen size: a number from 1 to 300, or its message.
        auto *form9 = static_cast<TForm9 *>(form1().StartupDialog(PlacedDialog::Form9));
        form9->show();
        Fuzz(
            "pen size", form9->Edit1, 0, [&] { form9->Button1Click(); },
            [&](const QString &, const QString &shown) -> QString {
                const int size = StrToIntOrZero(shown);
                if (size >= 1 && size <= 300) return QString();
                return messages->texts.size() == 1 ? QString() : QStringLiteral("no message");
            });
        form9->hide();
    }

    void chatFields()
    {
        QVERIFY(form1().Db().CreateChatTable());
        QVERIFY(test_db::CreateMembers(form1().Db(), {{1, QStringLiteral("山田")}}));
        form1().mnuChatStartClick();
        TForm10 *form10 = Child<TForm10>(form1());
        QVERIFY(form10);
        // The input line drops quotes and control characters and sends the rest.
        int lines = 0;
        Fuzz(
            "chat line", form10->Edit1, 80, [&] { QTest::keyClick(form10->Edit1, Qt::Key_Return); },
            [&](const QString &, const QString &shown) -> QString {
                const QString sent = StripQuotes(shown);
                if (TrimBlanks(sent).isEmpty())
                    return Rows("CHAT") == lines ? QString() : QStringLiteral("sent a blank");
                ++lines;
                const QString stored = Stored("CTEXT", "CHAT", QStringLiteral("N=%1").arg(lines));
                if (stored != sent) return QStringLiteral("stored as ") + stored;
                if (!form10->Edit1->text().isEmpty()) return QStringLiteral("line kept");
                if (!form10->RichEdit1->toPlainText().contains(sent))
                    return QStringLiteral("not shown");
                return messages->texts.isEmpty() ? QString() : QStringLiteral("a message");
            });

        form1().mnuChatEditClick();
        auto *form11 = static_cast<TForm11 *>(form1().StartupDialog(PlacedDialog::Form11));
        QVERIFY(form11->isVisible());
        int number = 1000;
        Fuzz(
            "chat text", form11->Edit2, 80,
            [&] {
                form11->Edit1->setText(QString::number(++number));
                form11->Edit3->clear();
                form11->Edit4->clear();
                form11->Button1Click();
            },
            [&](const QString &, const QString &shown) -> QString {
                const QString stored = Stored("CTEXT", "CHAT", QStringLiteral("N=%1").arg(number));
                if (HasQuote(shown))
                    return stored == "<none>" && messages->texts == QStringList{msg::kNoQuotes}
                               ? QString()
                               : QStringLiteral("not refused");
                if (messages->texts != QStringList{msg::kAdded})
                    return QStringLiteral("said ") + messages->texts.join('|');
                return stored == shown ? QString() : QStringLiteral("stored as ") + stored;
            });
        for (QLineEdit *edit : {form11->Edit3, form11->Edit4}) {
            Fuzz(
                edit == form11->Edit3 ? "chat date" : "chat time", edit,
                edit == form11->Edit3 ? 8 : 6,
                [&, edit] {
                    const QString kept = edit->text();
                    form11->Edit1->setText(QString::number(++number));
                    form11->Edit2->setText(QStringLiteral("日時"));
                    form11->Edit3->clear();
                    form11->Edit4->clear();
                    edit->setText(kept);
                    form11->Button1Click();
                },
                [&, edit](const QString &, const QString &shown) -> QString {
                    const QString column = edit == form11->Edit3 ? "CDATE" : "CTIME";
                    const QString stored =
                        Stored(column, "CHAT", QStringLiteral("N=%1").arg(number));
                    if (messages->texts == QStringList{msg::kAdded})
                        return stored == shown ? QString() : QStringLiteral("stored as ") + stored;
                    return stored == "<none>" && messages->texts.size() == 1
                               ? QString()
                               : QStringLiteral("said ") + messages->texts.join('|');
                });
        }
        form11->hide();
        QVERIFY(form1().Db().TableExists("CHAT"));
    }
};

QTEST_MAIN(HostileTextTest)
#include "test_hostile_text.moc"
