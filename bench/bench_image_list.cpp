// What a page of the picture catalogue costs the user: the first page of a catalogue of 10,000
// pictures against one of 100, and the last page against the raw C-interface fetch of all
// 10,000 rows, in every sort order. The catalogue window itself loads each page (grid included).
// Needs the server named in OEKAKI_TEST_SERVER / OEKAKI_TEST_DATA (bench/run.sh starts one).

#include "bench_common.h"
#include "image_list_browser.h"
#include "image_list_page.h"
#include "main_window.h"
#include "raw_connection.h"
#include "stopwatch.h"
#include "string_grid.h"

#include <QApplication>
#include <QProcessEnvironment>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRounds = 15;

QString FreshPath(const char *name)
{
    const auto env = QProcessEnvironment::systemEnvironment();
    return env.value(QStringLiteral("OEKAKI_TEST_SERVER")) +
           env.value(QStringLiteral("OEKAKI_TEST_DATA")) +
           QStringLiteral("BENCH_%1_%2.FDB").arg(name).arg(QCoreApplication::applicationPid());
}

// A catalogue of `count` pictures in a database of its own, filled in one transaction.
struct Catalogue {
    QString path;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm7> browser;
    RawConnection raw;

    bool Make(const char *name, int count)
    {
        path = FreshPath(name);
        form1 = std::make_unique<TForm1>(QStringLiteral("/nonexistent/bench.dat"));
        form1->Db().CreateDatabaseFile(path);
        if (!form1->Connected() || !form1->Db().CreateImageListTable()) return false;
        const QString fill =
            QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %1) DO "
                           "BEGIN INSERT INTO IMGLIST VALUES (:I, 1, 'picture ' || :I, "
                           "'memo ' || MOD(:I * 7919, 997), 'second line', NULL, 640, 480, "
                           "'2024' || LPAD(MOD(:I, 12) + 1, 2, '0') || '15', '20250101'); "
                           "I = I + 1; END END")
                .arg(count);
        if (!form1->Db().ExecuteScript({fill})) return false;
        browser = std::make_unique<TForm7>(*form1);
        return raw.Attach(path.toLocal8Bit());
    }
    void Drop()
    {
        browser.reset();
        if (form1) form1->DisconnectDatabase();
        if (raw.Attached()) raw.Drop();
    }
};

// Median milliseconds of loading the page that starts at `start` in the given order.
double PageMs(TForm7 &browser, const QString &order, int start)
{
    std::vector<double> ms;
    for (int round = 0; round < kRounds; ++round) {
        browser.OrderText = order;
        browser.PageStart = start;
        Stopwatch clock;
        browser.ClearGrid();
        browser.LoadPage();
        ms.push_back(clock.Elapsed().wall * 1000);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

double RawAllMs(RawConnection &raw, const QString &order, long long &rows)
{
    const QByteArray select =
        (QStringLiteral("SELECT * FROM IMGLIST ORDER BY ") + order).toLatin1();
    std::vector<double> ms;
    for (int round = 0; round < kRounds; ++round) {
        ReadTally tally;
        Stopwatch clock;
        if (!RawReadAll(raw, select, tally)) return -1;
        ms.push_back(clock.Elapsed().wall * 1000);
        rows = tally.rows;
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Catalogue small, large;
    if (!small.Make("small", 100) || !large.Make("large", 10000)) {
        std::fprintf(stderr, "could not make the catalogues: %s\n",
                     qPrintable(large.form1 ? large.form1->Db().LastErrorText() : QString()));
        small.Drop();
        large.Drop();
        return 1;
    }
    // One unmeasured pass of each, so both start from the server's cache.
    PageMs(*small.browser, QStringLiteral("N"), 1);
    PageMs(*large.browser, QStringLiteral("N"), 1);

    const double first100 = PageMs(*small.browser, QStringLiteral("N"), 1);
    const double first10k = PageMs(*large.browser, QStringLiteral("N"), 1);
    std::printf("median of %d loads, milliseconds, the catalogue window loading the page\n\n",
                kRounds);
    std::printf("first page, order N: 100 pictures %.2f ms, 10,000 pictures %.2f ms, "
                "ratio %.2f (goal <= 1.5)\n\n",
                first100, first10k, first10k / first100);
    SummaryFigure(QStringLiteral("catalogue first page, 10,000 / 100 pictures"),
                  QString::number(first10k / first100, 'f', 2), QStringLiteral("<= 1.5"),
                  first10k / first100 <= 1.5);

    std::printf("%-22s %12s %12s %14s %8s\n", "order (10,000 rows)", "first page", "last page",
                "raw fetch all", "last/raw");
    bool rowsRight = true;
    for (const image_list::SortOrder &order : image_list::SortOrders()) {
        const QString text = QString::fromUtf8(order.orderText);
        const double first = PageMs(*large.browser, text, 1);
        const double last = PageMs(*large.browser, text, 9901);
        rowsRight = rowsRight && !large.browser->SG1->Cell(0, 100).isEmpty() &&
                    large.browser->NextPageStart == 10001;
        long long rows = 0;
        const double raw = RawAllMs(large.raw, text, rows);
        rowsRight = rowsRight && rows == 10000;
        std::printf("%-22s %12.2f %12.2f %14.2f %8.2f%s\n", order.orderText, first, last, raw,
                    last / raw, text == QStringLiteral("N") ? "  (goal <= 1.3)" : "");
        if (text == QStringLiteral("N"))
            SummaryFigure(QStringLiteral("catalogue last page / raw fetch of all, order N"),
                          QString::number(last / raw, 'f', 2), QStringLiteral("<= 1.3"),
                          last / raw <= 1.3);
    }
    if (!rowsRight) std::fprintf(stderr, "a last page did not hold rows 9901 to 10000\n");
    small.Drop();
    large.Drop();
    return rowsRight ? 0 : 1;
}
