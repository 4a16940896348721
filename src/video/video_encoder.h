#pragma once

#include "frame_painter.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace video {

// H.264 with AAC in an MP4 file, or VP9 with Opus in a WebM file.
enum class Container { Mp4, WebM };

// By the file's extension, whatever its case: .mp4 (or .m4v), .webm.
std::optional<Container> ContainerFor(const std::filesystem::path& target);

enum class EncoderFault {
    None,
    NoVideoEncoder,  // the FFmpeg libraries have none of the container's video encoders
    NoAudioEncoder,  // nor of its audio encoders
    Refused,         // an encoder or the container refused the settings
    EncodingFailed,
    WriteFailed,
};

struct EncoderOutcome
{
    EncoderFault fault = EncoderFault::None;
    // FFmpeg's or the system's own words, or the encoders tried.
    std::string detail;
};

// Encodes square frames and stereo sound into one file through FFmpeg's
// libraries, writing to a descriptor that is open for writing and seeking
// (the muxers go back to fill in sizes). Encoders are chosen by name with
// a fallback: libx264 then any H.264 encoder, libvpx-vp9 then any VP9
// encoder, FFmpeg's own AAC, libopus then FFmpeg's own Opus. Frames and
// sound are given in time order, each as far as the other.
class VideoEncoder
{
public:
    struct Settings
    {
        Container container = Container::Mp4;
        int side = 0;  // pixels, even
        int framesPerSecond = 30;
        int sampleRate = 44100;  // of the sound given, interleaved stereo floats
    };

    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Opens the encoders and writes the container's header.
    static std::unique_ptr<VideoEncoder> Open(int descriptor, const Settings& settings, EncoderOutcome& outcome);

    // The next frame, side x side pixels; unchanged says it is the one
    // given before, which saves converting it again.
    EncoderOutcome AddFrame(const std::vector<Pixel>& frame, bool unchanged);
    // The next stretch of sound.
    EncoderOutcome AddSound(const float* samples, std::size_t frames);
    // Flushes the encoders and finishes the file; the descriptor is then whole.
    EncoderOutcome Finish();

    // The encoders in use, by FFmpeg's names.
    std::string VideoEncoderName() const;
    std::string AudioEncoderName() const;

private:
    struct Parts;
    explicit VideoEncoder(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

} // namespace video
