#include "piece_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <vector>

namespace {

using Kind = RecordingMidiOut::Kind;

constexpr auto TickInterval = std::chrono::milliseconds(200);
constexpr double MessageToleranceMs = 2.0;
constexpr double EndToleranceMs = 5.0;

double Ms(TimingClock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Deviations
{
    std::vector<double> all;
    std::vector<int> ticks;
    double maxAbs = 0.0;
    int worstTick = 0;

    void Add(int tick, double ms)
    {
        if (std::abs(ms) > maxAbs) {
            maxAbs = std::abs(ms);
            worstTick = tick;
        }
        all.push_back(ms);
        ticks.push_back(tick);
    }

    double Percentile(double p) const
    {
        if (all.empty())
            return 0.0;
        auto sorted = all;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1))];
    }

    double Mean(bool absolute) const
    {
        double sum = 0.0;
        for (const double ms : all)
            sum += absolute ? std::abs(ms) : ms;
        return all.empty() ? 0.0 : sum / static_cast<double>(all.size());
    }

    long Over(double toleranceMs) const
    {
        return std::count_if(all.begin(), all.end(), [=](double ms) { return std::abs(ms) > toleranceMs; });
    }
};

double Deviation(const PieceTiming& timing, int tick, TimingClock::time_point at)
{
    return Ms(at - (timing.start + TickInterval * tick));
}

void PrintDeviations(std::ostream& out, const char* what, const Deviations& d)
{
    char line[512];
    std::snprintf(line, sizeof line,
                  "%-24s %5zu: max |dev| %7.3f ms (tick %d), mean |dev| %7.3f ms, mean %+7.3f ms\n"
                  "%-24s        range %+7.3f .. %+7.3f ms, median %+7.3f, p90 %+7.3f, p99 %+7.3f ms, "
                  "%ld beyond 2 ms\n",
                  what, d.all.size(), d.maxAbs, d.worstTick, d.Mean(true), d.Mean(false), "",
                  d.all.empty() ? 0.0 : *std::min_element(d.all.begin(), d.all.end()),
                  d.all.empty() ? 0.0 : *std::max_element(d.all.begin(), d.all.end()), d.Percentile(0.5),
                  d.Percentile(0.9), d.Percentile(0.99), d.Over(MessageToleranceMs));
    out << line;
    // Where they strayed, to tell a stray tick from a steady drift.
    int listed = 0;
    for (std::size_t i = 0; i < d.all.size() && listed < 10; ++i) {
        if (std::abs(d.all[i]) > MessageToleranceMs) {
            std::snprintf(line, sizeof line, "%s tick %d %+.3f ms", listed == 0 ? "    beyond 2 ms:" : ",", d.ticks[i],
                          d.all[i]);
            out << line;
            ++listed;
        }
    }
    if (listed > 0)
        out << "\n";
}

void PrintValue(std::ostream& out, const char* what, double ms)
{
    char line[128];
    std::snprintf(line, sizeof line, "%-24s %+8.3f ms\n", what, ms);
    out << line;
}

} // namespace

bool ReportPieceTiming(const PieceTiming& timing, std::ostream& out)
{
    const int length = timing.melodyLength;
    const int expectedTicks = length + 1;
    out << "melody length L = " << length << ", piece " << expectedTicks * 200 << " ms, ticks seen "
        << timing.ticks.size() << " of " << expectedTicks << "\n";
    if (static_cast<int>(timing.ticks.size()) != expectedTicks) {
        out << "FAILED: the piece did not tick L + 1 times\n";
        return false;
    }
    PrintValue(out, "timer start uncertainty", Ms(timing.pressReturned - timing.start));

    Deviations handled;
    for (int k = 1; k <= length; ++k)
        handled.Add(k, Deviation(timing, k, timing.ticks[k - 1]));

    // A message belongs to the first tick whose handler ended after it.
    Deviations messages;
    Deviations firstMessages;
    std::optional<TimingClock::time_point> endSilence;
    int tick = 1;
    int lastTickWithMessage = 0;
    for (const RecordingMidiOut::Call& call : timing.calls) {
        if (call.time <= timing.pressReturned)
            continue;
        while (tick <= expectedTicks && call.time > timing.ticks[tick - 1])
            ++tick;
        if (call.kind == Kind::Silence && !endSilence)
            endSilence = call.time;
        if (call.kind != Kind::Send || tick > length)
            continue;
        const double ms = Deviation(timing, tick, call.time);
        messages.Add(tick, ms);
        if (tick != lastTickWithMessage)
            firstMessages.Add(tick, ms);
        lastTickWithMessage = tick;
    }
    PrintDeviations(out, "tick handled (1..L)", handled);
    PrintDeviations(out, "every message", messages);
    PrintDeviations(out, "tick's first message", firstMessages);

    const double endTick = Deviation(timing, expectedTicks, timing.ticks.back());
    PrintValue(out, "end tick (L + 1) handled", endTick);
    if (!endSilence) {
        out << "FAILED: the piece never silenced the output\n";
        return false;
    }
    const double endOfPiece = Deviation(timing, expectedTicks, *endSilence);
    PrintValue(out, "end of piece (silence)", endOfPiece);

    const bool messagesKept = messages.maxAbs <= MessageToleranceMs;
    const bool ticksKept = handled.maxAbs <= MessageToleranceMs;
    const bool endKept = std::max(std::abs(endTick), std::abs(endOfPiece)) <= EndToleranceMs;
    out << "every message within 2 ms: " << (messagesKept ? "yes" : "NO")
        << "; every tick handled within 2 ms: " << (ticksKept ? "yes" : "NO")
        << "; end within 5 ms: " << (endKept ? "yes" : "NO") << "\n";
    return messagesKept && endKept;
}
