// Tries many hostile settings files on a main window wired as the program wires it: each is
// loaded, applied and written back, and checked (tools/settings_fuzz.h). Not a test: the suite
// runs a few hundred of the same files; this runs as many as asked and prints the figures.
//   fuzz_settings [COUNT (10000)] [FIRST_SEED (1)]
// Exit status 1 when a file failed; a file that takes over 10 s stops the run with its seed.

#include "main_window.h"
#include "message_box.h"
#include "settings_fuzz.h"
#include "window_wiring.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr qint64 kHangMs = 10000;

// Ends the run when one file takes too long: a hang is a fault the loop itself cannot report.
class HangWatch {
public:
    HangWatch()
        : thread_([this] {
              while (!done_) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(200));
                  const qint64 started = started_;
                  if (started > 0 && clock_.elapsed() - started > kHangMs) {
                      std::fprintf(stderr, "HANG: seed %u took over %lld ms\n", seed_.load(),
                                   static_cast<long long>(kHangMs));
                      std::_Exit(2);
                  }
              }
          })
    {
    }
    ~HangWatch()
    {
        done_ = true;
        thread_.join();
    }
    void Start(quint32 seed)
    {
        seed_ = seed;
        started_ = clock_.elapsed() + 1;
    }

private:
    QElapsedTimer clock_ = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    std::atomic<bool> done_{false};
    std::atomic<quint32> seed_{0};
    std::atomic<qint64> started_{0};
    std::thread thread_;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const quint32 count = argc > 1 ? quint32(std::strtoul(argv[1], nullptr, 10)) : 10000;
    const quint32 first = argc > 2 ? quint32(std::strtoul(argv[2], nullptr, 10)) : 1;

    // No box may wait for a click: every message is printed instead.
    SetMessageBoxHandler([](MessageKind, const QString &text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MessageAnswer::Yes;
    });

    QTemporaryDir dir;
    TForm1 form1(dir.filePath(QStringLiteral("absent.dat")));
    WireWindows(form1);
    form1.show();
    QApplication::processEvents();

    HangWatch watch;
    QMap<QString, int> triedByKind;
    QStringList faults;
    qint64 slowestMs = -1, bytesTried = 0;
    quint32 slowestSeed = 0;
    QElapsedTimer total;
    total.start();
    for (quint32 seed = first; seed < first + count; ++seed) {
        watch.Start(seed);
        QElapsedTimer one;
        one.start();
        const QByteArray bytes = settings_fuzz::GenerateFile(seed);
        const QString fault = settings_fuzz::TryFile(form1, dir.path(), bytes);
        const qint64 ms = one.elapsed();
        if (ms > slowestMs) {
            slowestMs = ms;
            slowestSeed = seed;
        }
        bytesTried += bytes.size();
        ++triedByKind[settings_fuzz::KindOf(seed)];
        if (!fault.isEmpty())
            faults << QStringLiteral("seed %1 (%2): %3")
                          .arg(seed)
                          .arg(settings_fuzz::KindOf(seed), fault);
    }
    const double seconds = std::max<qint64>(total.elapsed(), 1) / 1000.0;

    std::printf("settings files tried: %u (seeds %u..%u), %.1f MB\n", count, first,
                first + count - 1, bytesTried / 1e6);
    for (auto it = triedByKind.cbegin(); it != triedByKind.cend(); ++it)
        std::printf("  %-28s %d\n", qPrintable(it.key()), it.value());
    std::printf("time: %.1f s, %.0f files/s, slowest file %lld ms (seed %u)\n", seconds,
                count / seconds, static_cast<long long>(slowestMs), slowestSeed);
    std::printf("faults: %lld\n", static_cast<long long>(faults.size()));
    for (const QString &fault : faults.mid(0, 50)) std::printf("  %s\n", qPrintable(fault));
    return faults.isEmpty() ? 0 : 1;
}
