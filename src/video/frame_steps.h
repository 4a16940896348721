#pragma once

#include <cstdint>
#include <optional>

namespace video {

inline constexpr int FramesPerSecond = 30;

// What frame k of a piece's video shows: the walk's path from its start
// cell up to the step that sounds at the frame's time, k / FramesPerSecond
// seconds from the start, with the ring round that step's cell, as the
// window's playhead stands then. Tick s comes s steps after the start and
// the piece ends at tick length + 1; after that the whole path shows, with
// no ring, while the last notes ring out.
struct FrameContent
{
    // Steps 0 to lastStep of the path are drawn.
    int lastStep = 0;
    std::optional<int> playhead;

    friend bool operator==(const FrameContent&, const FrameContent&) = default;
};

// The tick whose step sounds at frame k: the last one at or before its
// time, computed in whole microseconds, so a frame on a tick's time shows it.
std::int64_t TickAtFrame(std::int64_t frame, std::int64_t stepMicroseconds);

// For a piece of length bytes (its walk has as many steps).
FrameContent FrameShows(std::int64_t frame, std::int64_t stepMicroseconds, int length);

// Frames enough to cover the sound: sample frames at sampleRate, rounded up.
std::int64_t FrameCount(std::int64_t soundFrames, int sampleRate);

} // namespace video
