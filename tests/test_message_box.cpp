// The real message boxes (no recorder): each is wide enough for its whole caption, however short
// its message, so the title bar never cuts the caption down.

#include "message_box.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QtTest>

class MessageBoxTest : public QObject {
    Q_OBJECT

private slots:
    void wideEnoughForTheCaption()
    {
        QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        title.setBold(true);
        const QList<std::pair<MessageKind, QString>> boxes{{MessageKind::Plain, ApplicationTitle()},
                                                           {MessageKind::Question, "確認"}};
        for (const auto &[kind, caption] : boxes) {
            QString seen;
            int width = 0;
            QTimer::singleShot(200, [&] {
                QWidget *box = QApplication::activeModalWidget();
                if (!box) return;
                seen = box->windowTitle();
                width = box->width();
                box->close();
            });
            ShowMessageBox(kind, QStringLiteral("済"));
            QCOMPARE(seen, caption);
            // The caption and the title bar's icon and buttons.
            const int needed = QFontMetrics(title).horizontalAdvance(caption) + 100;
            QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
        }
    }
};

QTEST_MAIN(MessageBoxTest)
#include "test_message_box.moc"
