#include "bench_common.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <vector>

bool ParseCounts(const QCoreApplication &app, const QString &description,
                 std::initializer_list<CountOption> counts)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    std::vector<QCommandLineOption> options;
    for (const CountOption &count : counts)
        options.emplace_back(QString::fromLatin1(count.name), QString::fromUtf8(count.help),
                             QStringLiteral("n"));
    for (const QCommandLineOption &option : options) parser.addOption(option);
    parser.process(app);
    bool ok = true;
    size_t i = 0;
    for (const CountOption &count : counts) {
        const QCommandLineOption &option = options[i++];
        if (!parser.isSet(option)) continue;
        bool number = false;
        *count.value = parser.value(option).toInt(&number);
        ok = ok && number && *count.value > 0;
    }
    if (!ok) std::fprintf(stderr, "every count must be a positive whole number\n");
    return ok;
}

QString BenchDatabasePath(const char *name)
{
    const QString server = qEnvironmentVariable("OEKAKI_TEST_SERVER");
    const QString folder = qEnvironmentVariable("OEKAKI_TEST_DATA");
    if (server.isEmpty() || folder.isEmpty()) return QString();
    return server + folder +
           QStringLiteral("BENCH_%1_%2.FDB")
               .arg(QLatin1String(name))
               .arg(QCoreApplication::applicationPid());
}

QByteArray LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0) : "unknown";
}

void SummaryFigure(const QString &figure, const QString &value, const QString &goal, bool met)
{
    const QString path = qEnvironmentVariable("OEKAKI_BENCH_SUMMARY");
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text)) return;
    const QString verdict = goal.isEmpty() ? QStringLiteral("-")
                            : met          ? QStringLiteral("met")
                                           : QStringLiteral("NOT met");
    file.write(QStringList{figure, value, goal.isEmpty() ? QStringLiteral("-") : goal, verdict}
                   .join(QLatin1Char('\t'))
                   .toUtf8() +
               '\n');
}
