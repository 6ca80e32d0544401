#pragma once
// Wall-clock and this process's CPU seconds of one piece of work. The CPU figure leaves out the
// server, which does the same work for both sides, so it shows the client's own cost.

#include <chrono>
#include <ctime>

struct Timing {
    double wall = 0;
    double cpu = 0;

    Timing &operator+=(const Timing &other)
    {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

class Stopwatch {
public:
    Timing Elapsed() const { return {Wall() - wall_, Cpu() - cpu_}; }

private:
    static double Wall()
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    static double Cpu()
    {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    }

    double wall_ = Wall();
    double cpu_ = Cpu();
};
