#include "piece_video.h"

#include "file_replacement.h"
#include "frame_steps.h"
#include "video_encoder.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <cstring>

namespace video {

namespace {

// The share of the progress the sound's rendering takes; the frames the rest.
constexpr double SoundShare = 0.3;

std::string ErrorText(const music::FileFailure& failure)
{
    return failure.error != 0 ? std::strerror(failure.error) : std::string{};
}

VideoExportOutcome FromEncoder(const EncoderOutcome& outcome)
{
    switch (outcome.fault) {
    case EncoderFault::None:
        return {};
    case EncoderFault::NoVideoEncoder:
        return {VideoExportFault::NoVideoEncoder, {}, outcome.detail};
    case EncoderFault::NoAudioEncoder:
        return {VideoExportFault::NoAudioEncoder, {}, outcome.detail};
    case EncoderFault::Refused:
        return {VideoExportFault::Refused, {}, outcome.detail};
    case EncoderFault::EncodingFailed:
        return {VideoExportFault::EncodingFailed, {}, outcome.detail};
    case EncoderFault::WriteFailed:
        return {VideoExportFault::WriteFailed, {}, outcome.detail};
    }
    return {VideoExportFault::EncodingFailed, {}, outcome.detail};
}

} // namespace

VideoExportOutcome ExportPieceVideo(const PieceVideo& piece, const std::string& soundFontPath,
                                    const std::filesystem::path& target,
                                    const std::function<void(double fraction)>& progress, std::stop_token stop)
{
    const std::optional<Container> container = ContainerFor(target);
    if (!container)
        return {VideoExportFault::UnknownFormat, {}, {}};
    music::FileReplacement file(target.string());
    if (const auto& failure = file.Failure())
        return {VideoExportFault::CannotCreate, {}, ErrorText(*failure)};
    const int scale = VideoScale(piece.side);
    EncoderOutcome opened;
    const std::unique_ptr<VideoEncoder> encoder =
        VideoEncoder::Open(file.Descriptor(), {*container, piece.side * scale, FramesPerSecond, music::AudioSampleRate},
                           opened);
    if (!encoder)
        return FromEncoder(opened);

    // The sound renders on a thread of its own while the frames are encoded;
    // the muxer holds the frames' packets until the sound's come to join them.
    std::atomic<double> soundDone{0.0};
    std::atomic<double> framesDone{0.0};
    const auto report = [&] {
        if (progress)
            progress(SoundShare * soundDone + (1 - SoundShare) * framesDone);
    };
    music::PieceSound sound;
    std::atomic<bool> soundFinished{false};
    std::jthread soundRenderer([&](std::stop_token stopSound) {
        sound = music::RenderPieceSound(
            piece.notes, piece.settings, soundFontPath, [&](double fraction) { soundDone = fraction; }, stopSound,
            piece.level);
        soundFinished = true;
    });
    std::stop_callback stopBoth(stop, [&] { soundRenderer.request_stop(); });

    FramePainter painter(piece.picture, piece.side, scale, piece.path);
    const std::int64_t stepMicroseconds = music::StepMicroseconds(piece.settings);
    const std::int64_t frames = FrameCount(music::PieceSoundFrames(piece.notes, piece.settings), music::AudioSampleRate);
    const int length = static_cast<int>(piece.notes.size());
    std::optional<FrameContent> shown;
    // A sound that failed (no SoundFont) ends the frames early.
    for (std::int64_t k = 0; k < frames && !(soundFinished && sound.outcome.fault != music::AudioExportFault::None);
         ++k) {
        if (stop.stop_requested())
            return {VideoExportFault::Cancelled, {}, {}};
        const FrameContent content = FrameShows(k, stepMicroseconds, length);
        const bool unchanged = shown == content;
        if (!unchanged)
            painter.Frame(content.lastStep, content.playhead);
        shown = content;
        if (EncoderOutcome added = encoder->AddFrame(painter.Current(), unchanged); added.fault != EncoderFault::None)
            return FromEncoder(added);
        framesDone = static_cast<double>(k + 1) / static_cast<double>(frames);
        report();
    }
    soundRenderer.join();
    if (sound.outcome.fault == music::AudioExportFault::Cancelled || stop.stop_requested())
        return {VideoExportFault::Cancelled, {}, {}};
    if (sound.outcome.fault != music::AudioExportFault::None)
        return {VideoExportFault::Sound, sound.outcome.fault, sound.outcome.detail};
    if (EncoderOutcome added = encoder->AddSound(sound.samples.data(), sound.samples.size() / music::AudioChannels);
        added.fault != EncoderFault::None)
        return FromEncoder(added);
    if (EncoderOutcome finished = encoder->Finish(); finished.fault != EncoderFault::None)
        return FromEncoder(finished);
    if (const auto failure = file.Commit())
        return {VideoExportFault::WriteFailed, {}, ErrorText(*failure)};
    return {};
}

} // namespace video
