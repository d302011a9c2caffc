#pragma once
// How the benchmarks compare two ways of doing the same work: the sides run alternately,
// several rounds each, and the ratio printed is the median of the per-round ratios, with
// both sides' median times; memory is the growth of the resident set over the process at
// rest, never a ratio of whole-process peaks.
#include <QByteArray>
#include <QFile>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace benchmisure {

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Seconds a piece of work takes.
inline double Time(const std::function<void()> &work)
{
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The median of the per-round ratios a / b.
inline double RatioMediano(const std::vector<double> &a, const std::vector<double> &b)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (b[i] > 0)
            ratios.push_back(a[i] / b[i]);
    return Median(ratios);
}

// Rounds of several sides, one after another, the side that opens a round rotating. Each side
// answers the seconds of its timed part; the answer holds each side's seconds per round.
inline std::vector<std::vector<double>> Giri(int rounds, const std::vector<std::function<double()>> &sides)
{
    std::vector<std::vector<double>> times(sides.size());
    for (int i = 0; i < rounds; ++i)
        for (size_t k = 0; k < sides.size(); ++k) {
            const size_t side = (k + size_t(i)) % sides.size();
            times[side].push_back(sides[side]());
        }
    return times;
}

struct Confronto {
    std::vector<double> layer, raw; // seconds, per round
    double LayerMs() const { return Median(layer) * 1000; }
    double RawMs() const { return Median(raw) * 1000; }
    double Ratio() const { return RatioMediano(layer, raw); }
    // "1.23x (median of 5 interleaved rounds: 12.0 ms / 9.8 ms)"
    void Print(const char *label, const char *what) const
    {
        std::printf("  %-8s %s: %.2fx (median of %zu interleaved rounds: %.1f ms / %.1f ms)\n", label, what, Ratio(),
                    layer.size(), LayerMs(), RawMs());
    }
};

// The layer's side and the raw side, alternately, rounds times each.
inline Confronto Alterna(int rounds, const std::function<double()> &layer, const std::function<double()> &raw)
{
    std::vector<std::vector<double>> times = Giri(rounds, {layer, raw});
    return Confronto{std::move(times[0]), std::move(times[1])};
}

// Resident memory of the process, now and at its peak (kB), from /proc; -1 where there is none.
inline long StatusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}

// The peak growth of the resident set while the work runs, over the process at rest before
// it, in MB; -1 where the system does not let the peak be reset.
inline double CrescitaMb(const std::function<void()> &work)
{
    malloc_trim(0); // what earlier work freed goes back: the rest is what the process holds
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        return -1;
    clear.close(); // what earlier work freed goes back: the rest is what the process holds
    const long rest = StatusKb("VmRSS:");
    work();
    const long peak = StatusKb("VmHWM:");
    return rest < 0 || peak < 0 ? -1 : double(peak - rest) / 1024.0;
}

} // namespace benchmisure
