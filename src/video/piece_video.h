#pragma once

#include "audio_export.h"
#include "frame_painter.h"
#include "music_settings.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace video {

// What a video of a piece shows and plays.
struct PieceVideo
{
    std::vector<std::uint8_t> notes;
    music::MusicSettings settings;
    // The picture the piece was walked on, side x side colours, row by row.
    int side = 0;
    std::vector<Pixel> picture;
    // The cell of each step of the walk, one per note.
    std::vector<PathCell> path;
    // As Export Audio levels it.
    music::AudioLevel level = music::AudioLevel::Normalised;
};

// A video is square and at least this many pixels a side: the picture
// scaled by the least whole factor that reaches it (400 cells: 1200 pixels).
inline constexpr int LeastVideoSide = 1080;
constexpr int VideoScale(int side)
{
    return (LeastVideoSide + side - 1) / side;
}

enum class VideoExportFault {
    None,
    UnknownFormat,   // the extension names neither container
    Sound,           // the sound could not be rendered: see soundFault
    NoVideoEncoder,  // FFmpeg has no encoder for the container's video; detail names those tried
    NoAudioEncoder,
    Refused,         // an encoder or the container refused its settings
    CannotCreate,    // no temporary file in the target's folder
    EncodingFailed,
    WriteFailed,     // writing, flushing or the final rename failed
    Cancelled,
};

struct VideoExportOutcome
{
    VideoExportFault fault = VideoExportFault::None;
    music::AudioExportFault soundFault = music::AudioExportFault::None;
    // FFmpeg's, the system's or the encoders' own words, if any.
    std::string detail;
};

// Renders the piece's sound as Export Audio does (normalised unless the
// piece says otherwise), and meanwhile its
// frames at FramesPerSecond, the path drawing itself with the ring exactly
// at the step that sounds, encoded with the sound into an MP4 (H.264, AAC)
// or WebM (VP9, Opus) file chosen by the target's extension. The file is
// written to a temporary file beside the target and renamed over it once
// complete, so a failure or a cancel leaves nothing behind.
VideoExportOutcome ExportPieceVideo(const PieceVideo& piece, const std::string& soundFontPath,
                                    const std::filesystem::path& target,
                                    const std::function<void(double fraction)>& progress = {},
                                    std::stop_token stop = {});

} // namespace video
