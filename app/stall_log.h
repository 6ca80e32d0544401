#pragma once
// A watch on the user-interface thread, off unless asked for: a 50 ms timer notes the longest
// gap between two of its ticks, which is how long the longest handler kept the thread busy
// (plus one interval). The soak script reads it from each program copy it runs.
//
// The file: the longest gap in milliseconds on its first line, then one line for each gap of a
// second or more, "gap end", `end` in milliseconds since the watch began.

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QTimer;

class StallLog : public QObject {
    Q_OBJECT

public:
    // Writes the file whenever a gap grows the longest or lasts a second, and at the end.
    explicit StallLog(const QString &path, QObject *parent = nullptr);
    ~StallLog() override;

    // The file named by OEKAKI_STALL_LOG, or nothing when that is not set.
    static StallLog *FromEnvironment(QObject *parent);

    static constexpr int kTickMs = 50;
    static constexpr int kListedMs = 1000;
    qint64 LongestGapMs() const { return longest_; }

private:
    void Tick();
    void Write() const;

    QString path_;
    QTimer *timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    QByteArray listed_; // the lines of the long gaps
};
