#include "piece_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <vector>

namespace {

constexpr auto TickInterval = std::chrono::milliseconds(200);
constexpr double TickToleranceMs = 2.0;
constexpr double EndToleranceMs = 5.0;

double Ms(TimingClock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Deviations
{
    std::vector<double> all;
    int count = 0;
    double maxAbs = 0.0;
    double sumAbs = 0.0;
    double sum = 0.0;
    double earliest = 0.0;
    double latest = 0.0;
    int worstTick = 0;

    void Add(int tick, double ms)
    {
        if (count == 0 || ms < earliest)
            earliest = ms;
        if (count == 0 || ms > latest)
            latest = ms;
        if (std::abs(ms) > maxAbs) {
            maxAbs = std::abs(ms);
            worstTick = tick;
        }
        all.push_back(ms);
        sumAbs += std::abs(ms);
        sum += ms;
        ++count;
    }

    double Percentile(double p) const
    {
        if (all.empty())
            return 0.0;
        auto sorted = all;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1))];
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

// The first message sent within tick k, if the tick sent any: it lies after
// the end of the tick before.
std::optional<TimingClock::time_point> FirstMessageOfTick(const PieceTiming& timing, int tick)
{
    const auto after = tick == 1 ? timing.pressReturned : timing.ticks[tick - 2];
    const auto until = timing.ticks[tick - 1];
    for (const auto& call : timing.calls) {
        if (call.kind == recording_midi::Kind::ShortMsg && call.time > after && call.time <= until)
            return call.time;
    }
    return std::nullopt;
}

std::optional<TimingClock::time_point> FinalReset(const PieceTiming& timing)
{
    for (auto it = timing.calls.rbegin(); it != timing.calls.rend(); ++it) {
        if (it->kind == recording_midi::Kind::Reset)
            return it->time;
    }
    return std::nullopt;
}

void PrintDeviations(std::ostream& out, const char* what, const Deviations& d)
{
    char line[512];
    std::snprintf(line, sizeof line,
                  "%-28s over %4d ticks: max |dev| %7.3f ms (tick %d), mean |dev| %7.3f ms, mean %+7.3f ms\n"
                  "%-28s range %+7.3f .. %+7.3f ms, median %+7.3f, p90 %+7.3f, p99 %+7.3f ms, "
                  "%ld beyond 2 ms\n",
                  what, d.count, d.maxAbs, d.worstTick, d.count ? d.sumAbs / d.count : 0.0,
                  d.count ? d.sum / d.count : 0.0, "", d.earliest, d.latest, d.Percentile(0.5),
                  d.Percentile(0.9), d.Percentile(0.99), d.Over(TickToleranceMs));
    out << line;
}

void PrintValue(std::ostream& out, const char* what, double ms)
{
    char line[128];
    std::snprintf(line, sizeof line, "%-28s %+8.3f ms\n", what, ms);
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
    Deviations firstMessage;
    for (int k = 1; k <= length; ++k) {
        handled.Add(k, Deviation(timing, k, timing.ticks[k - 1]));
        if (const auto sent = FirstMessageOfTick(timing, k))
            firstMessage.Add(k, Deviation(timing, k, *sent));
    }
    PrintDeviations(out, "tick handled (1..L)", handled);
    PrintDeviations(out, "tick's first message", firstMessage);

    const double endTick = Deviation(timing, expectedTicks, timing.ticks.back());
    PrintValue(out, "end tick (L + 1) handled", endTick);
    const auto reset = FinalReset(timing);
    if (!reset) {
        out << "FAILED: the piece never reset the output\n";
        return false;
    }
    const double endReset = Deviation(timing, expectedTicks, *reset);
    PrintValue(out, "end of piece (reset)", endReset);

    // Judged on the handled stamps, which every tick has, silent ones too;
    // they come after the tick's messages and its progress-bar paint.
    const bool ticksKept = handled.maxAbs <= TickToleranceMs;
    const bool messagesKept = firstMessage.maxAbs <= TickToleranceMs;
    const bool endKept = std::max(std::abs(endTick), std::abs(endReset)) <= EndToleranceMs;
    out << "every tick handled within 2 ms: " << (ticksKept ? "yes" : "NO")
        << "; every first message within 2 ms: " << (messagesKept ? "yes" : "NO")
        << "; end within 5 ms: " << (endKept ? "yes" : "NO") << "\n";
    return ticksKept && endKept;
}
