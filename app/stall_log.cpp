#include "stall_log.h"

#include <QFile>
#include <QTimer>

StallLog::StallLog(const QString &path, QObject *parent)
    : QObject(parent), path_(path), timer_(new QTimer(this))
{
    timer_->setTimerType(Qt::PreciseTimer); // a coarse timer alone may be 5 % late
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &StallLog::Tick);
    clock_.start();
    timer_->start();
    Write();
}

StallLog::~StallLog()
{
    Tick();
    Write();
}

StallLog *StallLog::FromEnvironment(QObject *parent)
{
    const QString path = qEnvironmentVariable("OEKAKI_STALL_LOG");
    return path.isEmpty() ? nullptr : new StallLog(path, parent);
}

void StallLog::Tick()
{
    const qint64 now = clock_.elapsed();
    const qint64 gap = now - last_;
    last_ = now;
    const bool listed = gap >= kListedMs && listed_.count('\n') < 100;
    if (listed) listed_ += QByteArray::number(gap) + ' ' + QByteArray::number(now) + '\n';
    if (gap > longest_)
        longest_ = gap;
    else if (!listed)
        return;
    Write(); // at once: a copy that crashes still leaves its figures
}

void StallLog::Write() const
{
    QFile file(path_);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QByteArray::number(longest_) + '\n' + listed_);
}
