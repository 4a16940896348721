#include "frame_steps.h"

#include <algorithm>

namespace video {

namespace {

constexpr std::int64_t MicrosecondsPerSecond = 1'000'000;

} // namespace

std::int64_t TickAtFrame(std::int64_t frame, std::int64_t stepMicroseconds)
{
    // frame / fps seconds, over the step: one exact integer division.
    return frame * MicrosecondsPerSecond / (FramesPerSecond * stepMicroseconds);
}

FrameContent FrameShows(std::int64_t frame, std::int64_t stepMicroseconds, int length)
{
    const std::int64_t tick = TickAtFrame(frame, stepMicroseconds);
    const int last = std::max(length - 1, 0);
    // The tick after the last byte's ends the piece: the playhead goes.
    if (tick > length)
        return {last, std::nullopt};
    // After the last byte's tick its cell stays ringed until the end.
    const int step = static_cast<int>(std::min<std::int64_t>(tick, last));
    return {step, step};
}

std::int64_t FrameCount(std::int64_t soundFrames, int sampleRate)
{
    return (soundFrames * FramesPerSecond + sampleRate - 1) / sampleRate;
}

} // namespace video
