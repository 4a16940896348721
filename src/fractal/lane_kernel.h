#pragma once

// The escape-time loop over batches of pixels, written once for any vector
// width. Each instruction set's source includes it and instantiates it with
// its own vector type from an unnamed namespace, so every instantiation is
// local to that source and compiled with that source's instruction set only;
// it calls nothing from other headers, whose inline copies could otherwise
// be compiled for a processor the program may not be running on.

#include <cstdint>

namespace fractal::kernel {

// Plain data, so the vector sources need no other header.
struct Job
{
    const double* columnReals = nullptr;      // cx of each column
    const double* rowImaginaries = nullptr;   // cy of each row
    int columnCount = 0;
    int rowCount = 0;
    int maxIterations = 0;
    int* counts = nullptr;                    // column by column, each top to bottom
    // When given, |z|^2 of the first point past radius 2 of each escaped
    // pixel, in the order of counts (others untouched): smooth colouring.
    double* escapeNorms = nullptr;
    bool (*stopRequested)(const void* context) = nullptr;
    const void* stopContext = nullptr;
};

bool CountEscapesSse2(const Job& job);
bool CountEscapesAvx2(const Job& job);

// The value a pixel that never escapes gets; NotEscaped in render.h.
inline constexpr int NeverEscapes = -1;

// Vectors interleaved per batch: the iteration is one long dependency
// chain, so a few independent ones keep the arithmetic units busy.
inline constexpr int Groups = 3;
// A lane's first saved point for periodicity, and how often saves may
// happen at all (they wait for the next multiple), in iterations. Brent's
// method doubles the distance between saves, so any cycle is caught once
// the distance has grown past its period.
inline constexpr std::int64_t FirstSave = 16;
inline constexpr std::int64_t SaveQuantum = 64;
// Iterations between looks at the stop request: well under a millisecond.
inline constexpr std::int64_t StopCheckInterval = 4096;
// Below this limit lanes are not refilled and orbits not saved: a pixel's
// few iterations cost less than its refill, and a cycle would rarely be
// caught soon enough to spare any.
inline constexpr int LongOrbitsFrom = 256;
inline constexpr std::int64_t ShortBatchesPerStopCheck = 256;

namespace {

// V supplies Real (a vector of V::Lanes doubles) and its operations.
template <class V>
class Batch
{
public:
    explicit Batch(const Job& job) : job_(job), pixelCount_(std::int64_t{job.columnCount} * job.rowCount) {}

    // False when stopped before the last count.
    bool Run()
    {
        if (job_.maxIterations < 0) {
            for (std::int64_t i = 0; i < pixelCount_; ++i)
                job_.counts[i] = NeverEscapes;
            return true;
        }
        if (job_.maxIterations < LongOrbitsFrom)
            return job_.escapeNorms != nullptr ? RunShort<true>() : RunShort<false>();
        for (int lane = 0; lane < LaneCount; ++lane)
            Refill(lane);
        const Real zero = V::Zero();
        const Real saveNone = V::AllBits();
        for (int g = 0; g < Groups; ++g) {
            zx_[g] = zy_[g] = x2_[g] = y2_[g] = zero;
            sx_[g] = sy_[g] = saveNone;
            cx_[g] = V::Load(cxs_ + g * V::Lanes);
            cy_[g] = V::Load(cys_ + g * V::Lanes);
        }
        std::int64_t nextStopCheck = StopCheckInterval;
        while (active_ > 0) {
            if (deadline_ == Unknown)
                deadline_ = NextDeadline();
            if (save_ == Unknown)
                save_ = NextSave();
            const std::int64_t deadline = deadline_;
            const std::int64_t save = save_;
            std::int64_t until = deadline < save ? deadline : save;
            until = until < nextStopCheck ? until : nextStopCheck;
            if (Iterate(until))
                FinishEscapedAndRepeating();
            if (step_ == deadline) {
                FinishAtLimit();
                deadline_ = Unknown;
            }
            if (step_ == save) {
                Save();
                save_ = Unknown;
            }
            if (step_ >= nextStopCheck) {
                if (job_.stopRequested && job_.stopRequested(job_.stopContext))
                    return false;
                nextStopCheck = step_ + StopCheckInterval;
            }
        }
        return true;
    }

private:
    using Real = typename V::Real;

    // Short orbits: the lanes of a batch start together and the batch ends
    // with its slowest pixel. No lane is refilled, nothing is saved, and
    // each lane counts the iterations it survived, so nothing stops the
    // iteration on the way.
    template <bool KeepNorms>
    bool RunShort()
    {
        const Real four = V::Broadcast(4.0);
        const Real one = V::Broadcast(1.0);
        alignas(64) double survived[LaneCount];
        for (std::int64_t first = 0; first < pixelCount_; first += LaneCount) {
            // Past the last pixel c = 0, which never escapes.
            for (int lane = 0; lane < LaneCount; ++lane) {
                const bool pixel = first + lane < pixelCount_;
                cxs_[lane] = pixel ? job_.columnReals[nextColumn_] : 0.0;
                cys_[lane] = pixel ? job_.rowImaginaries[nextRow_] : 0.0;
                if (pixel && ++nextRow_ == job_.rowCount) {
                    nextRow_ = 0;
                    ++nextColumn_;
                }
            }
            Real zx[Groups], zy[Groups], x2[Groups], y2[Groups], cx[Groups], cy[Groups], count[Groups], inside[Groups];
            Real leftNorm[Groups];
#pragma GCC unroll 4
            for (int g = 0; g < Groups; ++g) {
                zx[g] = zy[g] = x2[g] = y2[g] = count[g] = leftNorm[g] = V::Zero();
                inside[g] = V::AllBits();
                cx[g] = V::Load(cxs_ + g * V::Lanes);
                cy[g] = V::Load(cys_ + g * V::Lanes);
            }
            for (int n = 0; n <= job_.maxIterations; ++n) {
                Real any = V::Zero();
#pragma GCC unroll 4
                for (int g = 0; g < Groups; ++g) {
                    // As in Iterate; lanes that left go on harmlessly, masked.
                    const Real nx = V::Add(V::Sub(x2[g], y2[g]), cx[g]);
                    const Real ny = V::Add(V::Mul(V::Add(zx[g], zx[g]), zy[g]), cy[g]);
                    x2[g] = V::Mul(nx, nx);
                    y2[g] = V::Mul(ny, ny);
                    zx[g] = nx;
                    zy[g] = ny;
                    const Real norm = V::Add(x2[g], y2[g]);
                    const Real outside = V::Greater(norm, four);
                    if constexpr (KeepNorms) {
                        const Real leaving = V::And(outside, inside[g]);
                        leftNorm[g] = V::Or(V::And(leaving, norm), V::AndNot(leaving, leftNorm[g]));
                    }
                    inside[g] = V::AndNot(outside, inside[g]);
                    count[g] = V::Add(count[g], V::And(inside[g], one));
                    any = V::Or(any, inside[g]);
                }
                if (V::Bits(any) == 0)
                    break;
            }
            int insideLanes = 0;
            alignas(64) double norms[LaneCount];
#pragma GCC unroll 4
            for (int g = 0; g < Groups; ++g) {
                V::Store(survived + g * V::Lanes, count[g]);
                V::Store(norms + g * V::Lanes, leftNorm[g]);
                insideLanes |= V::Bits(inside[g]) << g * V::Lanes;
            }
            for (int lane = 0; lane < LaneCount && first + lane < pixelCount_; ++lane) {
                const bool escaped = (insideLanes >> lane & 1) == 0;
                job_.counts[first + lane] = escaped ? static_cast<int>(survived[lane]) : NeverEscapes;
                if (KeepNorms && escaped)
                    job_.escapeNorms[first + lane] = norms[lane];
            }
            if ((first / LaneCount) % ShortBatchesPerStopCheck == 0 && job_.stopRequested &&
                job_.stopRequested(job_.stopContext))
                return false;
        }
        return true;
    }

    static constexpr int LaneCount = V::Lanes * Groups;
    static constexpr std::int64_t Idle = INT64_MAX / 4;
    // Not yet worked out; larger than every step.
    static constexpr std::int64_t Unknown = INT64_MAX / 2;

    // Iterates every lane until step_ reaches until or some lane escapes or
    // returns to its saved real part; true for the latter.
    bool Iterate(std::int64_t until)
    {
        const Real four = V::Broadcast(4.0);
        Real zx[Groups], zy[Groups], x2[Groups], y2[Groups];
#pragma GCC unroll 4
        for (int g = 0; g < Groups; ++g) {
            zx[g] = zx_[g];
            zy[g] = zy_[g];
            x2[g] = x2_[g];
            y2[g] = y2_[g];
        }
        bool hit = false;
        while (step_ < until) {
            Real any = V::Zero();
#pragma GCC unroll 4
            for (int g = 0; g < Groups; ++g) {
                // The order of EscapeCount: nx = zx*zx - zy*zy + cx,
                // ny = 2*zx*zy + cy (zx + zx is 2*zx exactly), and the
                // squares of the test are the next iteration's squares.
                const Real nx = V::Add(V::Sub(x2[g], y2[g]), cx_[g]);
                const Real ny = V::Add(V::Mul(V::Add(zx[g], zx[g]), zy[g]), cy_[g]);
                x2[g] = V::Mul(nx, nx);
                y2[g] = V::Mul(ny, ny);
                zx[g] = nx;
                zy[g] = ny;
                any = V::Or(any, V::Or(V::Greater(V::Add(x2[g], y2[g]), four), V::Equal(nx, sx_[g])));
            }
            ++step_;
            if (V::Bits(any) != 0) {
                hit = true;
                break;
            }
        }
#pragma GCC unroll 4
        for (int g = 0; g < Groups; ++g) {
            zx_[g] = zx[g];
            zy_[g] = zy[g];
            x2_[g] = x2[g];
            y2_[g] = y2[g];
        }
        return hit;
    }

    void FinishEscapedAndRepeating()
    {
        const Real four = V::Broadcast(4.0);
        Real done[Groups];
        int escapedLanes = 0;
        int doneLanes = 0;
#pragma GCC unroll 4
        for (int g = 0; g < Groups; ++g) {
            const Real escaped = V::Greater(V::Add(x2_[g], y2_[g]), four);
            // Equal doubles here mean an equal orbit from here on: a zero's
            // sign only ever reaches other zeros and squares.
            const Real repeated = V::And(V::Equal(zx_[g], sx_[g]), V::Equal(zy_[g], sy_[g]));
            done[g] = V::Or(escaped, repeated);
            escapedLanes |= V::Bits(escaped) << g * V::Lanes;
            doneLanes |= V::Bits(done[g]) << g * V::Lanes;
        }
        alignas(64) double norms[LaneCount];
        if (job_.escapeNorms != nullptr && escapedLanes != 0) {
#pragma GCC unroll 4
            for (int g = 0; g < Groups; ++g)
                V::Store(norms + g * V::Lanes, V::Add(x2_[g], y2_[g]));
        }
        // Set bits one by one: fewer unpredictable branches than a test per lane.
        for (int lanes = doneLanes; lanes != 0; lanes &= lanes - 1) {
            const int lane = __builtin_ctz(static_cast<unsigned>(lanes));
            const int count = static_cast<int>(step_ - 1 - start_[lane]);
            const bool escaped = (escapedLanes >> lane & 1) != 0;
            if (escaped && job_.escapeNorms != nullptr)
                job_.escapeNorms[pixel_[lane]] = norms[lane];
            Finish(lane, escaped ? count : NeverEscapes);
        }
        // Every group, whether or not it has finished lanes: cheaper than
        // a branch that guesses wrong.
#pragma GCC unroll 4
        for (int g = 0; g < Groups; ++g)
            Restart(g, done[g]);
    }

    void FinishAtLimit()
    {
        for (int g = 0; g < Groups; ++g) {
            int done = 0;
            for (int i = 0; i < V::Lanes; ++i) {
                const int lane = g * V::Lanes + i;
                if (start_[lane] + job_.maxIterations + 1 == step_) {
                    Finish(lane, NeverEscapes);
                    done |= 1 << i;
                }
            }
            if (done != 0)
                Restart(g, V::Mask(done));
        }
    }

    void Save()
    {
        for (int g = 0; g < Groups; ++g) {
            int due = 0;
            for (int i = 0; i < V::Lanes; ++i) {
                const int lane = g * V::Lanes + i;
                if (nextSave_[lane] == step_) {
                    saveGap_[lane] *= 2;
                    nextSave_[lane] = Quantized(step_ + saveGap_[lane]);
                    due |= 1 << i;
                }
            }
            if (due != 0) {
                const Real mask = V::Mask(due);
                sx_[g] = V::Or(V::And(mask, zx_[g]), V::AndNot(mask, sx_[g]));
                sy_[g] = V::Or(V::And(mask, zy_[g]), V::AndNot(mask, sy_[g]));
            }
        }
    }

    void Finish(int lane, int count)
    {
        // A new pixel's deadline is later than every other, but its first
        // save may come before the others' next.
        if (start_[lane] + job_.maxIterations + 1 == deadline_)
            deadline_ = Unknown;
        if (nextSave_[lane] == save_)
            save_ = Unknown;
        job_.counts[pixel_[lane]] = count;
        --active_;
        Refill(lane);
    }

    // The lanes of group g under mask start their new pixels at z = 0,
    // with nothing saved yet (all bits set is a NaN, equal to nothing).
    void Restart(int g, Real mask)
    {
        zx_[g] = V::AndNot(mask, zx_[g]);
        zy_[g] = V::AndNot(mask, zy_[g]);
        x2_[g] = V::AndNot(mask, x2_[g]);
        y2_[g] = V::AndNot(mask, y2_[g]);
        sx_[g] = V::Or(mask, sx_[g]);
        sy_[g] = V::Or(mask, sy_[g]);
        // Element by element: a whole-vector load right after the
        // stores of single elements would wait for them to reach the cache.
        cx_[g] = V::Elements(cxs_ + g * V::Lanes);
        cy_[g] = V::Elements(cys_ + g * V::Lanes);
    }

    // The next pixel into the lane, or c = 0 when none is left: its z stays
    // 0 and, with nothing saved, it never stops an iteration.
    void Refill(int lane)
    {
        if (nextPixel_ == pixelCount_) {
            pixel_[lane] = -1;
            cxs_[lane] = cys_[lane] = 0.0;
            start_[lane] = nextSave_[lane] = Idle;
            return;
        }
        pixel_[lane] = nextPixel_++;
        cxs_[lane] = job_.columnReals[nextColumn_];
        cys_[lane] = job_.rowImaginaries[nextRow_];
        if (++nextRow_ == job_.rowCount) {
            nextRow_ = 0;
            ++nextColumn_;
        }
        start_[lane] = step_;
        saveGap_[lane] = FirstSave;
        nextSave_[lane] = Quantized(step_ + FirstSave);
        if (save_ != Unknown && nextSave_[lane] < save_)
            save_ = nextSave_[lane];
        ++active_;
    }

    static std::int64_t Quantized(std::int64_t step) { return (step + SaveQuantum - 1) / SaveQuantum * SaveQuantum; }

    std::int64_t NextDeadline() const
    {
        std::int64_t next = Idle;
        for (const std::int64_t start : start_)
            next = start < next ? start : next;
        return next + job_.maxIterations + 1;
    }

    std::int64_t NextSave() const
    {
        std::int64_t next = Idle;
        for (const std::int64_t save : nextSave_)
            next = save < next ? save : next;
        return next;
    }

    const Job& job_;
    const std::int64_t pixelCount_;
    std::int64_t nextPixel_ = 0;
    int nextColumn_ = 0;
    int nextRow_ = 0;
    int active_ = 0;
    std::int64_t step_ = 0;
    // The earliest step at which some lane reaches the limit, and at which
    // some lane saves its point.
    std::int64_t deadline_ = Unknown;
    std::int64_t save_ = Unknown;

    Real zx_[Groups], zy_[Groups], x2_[Groups], y2_[Groups], sx_[Groups], sy_[Groups], cx_[Groups], cy_[Groups];
    alignas(64) double cxs_[LaneCount];
    alignas(64) double cys_[LaneCount];
    std::int64_t pixel_[LaneCount];
    std::int64_t start_[LaneCount];
    std::int64_t nextSave_[LaneCount];
    std::int64_t saveGap_[LaneCount];
};

} // namespace

} // namespace fractal::kernel
