#include "audio_export.h"

#include "file_replacement.h"
#include "loudness.h"
#include "soft_synth.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

namespace music {

namespace {

// The lanes meet after every second of sound.
constexpr std::int64_t ChunkFrames = AudioSampleRate;
// The share of the progress the rendering takes; levelling and encoding the rest.
constexpr double RenderingShare = 0.8;
constexpr unsigned MaxLanes = 4;
constexpr int KeysPerChannel = 128;
static_assert(AudioSampleRate == SynthSampleRate, "the file's rate is the synthesizer's");

struct FormatName
{
    std::string_view extension;
    AudioFormat format;
};
constexpr std::array<FormatName, 4> FormatNames{{
    {".wav", AudioFormat::Wav},
    {".flac", AudioFormat::Flac},
    {".ogg", AudioFormat::OggVorbis},
    {".oga", AudioFormat::OggVorbis},
}};

int SndfileFormat(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Wav:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case AudioFormat::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case AudioFormat::OggVorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    }
    return 0;
}

// The system's words; nothing where no call failed (the target is not a file).
std::string ErrorText(const FileFailure& failure)
{
    return failure.error != 0 ? std::strerror(failure.error) : std::string{};
}

// What the synthesizers play, at its frame; a message or the release of every note.
struct FrameEvent
{
    std::int64_t frame = 0;
    MidiMessage message;
    bool releaseAll = false;
};

// Several synthesizers that share the notes between them, each rendering
// on its own core, and whose outputs add up to what one synthesizer would
// render: voices sound independently, and reverb and chorus are linear.
// A key always plays on the same lane, so a note-off finds its note and a
// repeated strike releases the one before, as in a single synthesizer.
// The lanes meet only once a chunk, so a busy core delays the others little.
class Ensemble
{
public:
    Ensemble(unsigned lanes, const std::vector<FrameEvent>& events, const std::string& soundFontPath)
        : events_(events)
    {
        for (unsigned i = 0; i < lanes; ++i)
            lanes_.push_back(std::make_unique<Lane>(soundFontPath));
    }

    bool Started() const
    {
        return std::all_of(lanes_.begin(), lanes_.end(), [](const auto& lane) { return lane->synth.IsStarted(); });
    }

    bool Loaded() const
    {
        return std::all_of(lanes_.begin(), lanes_.end(), [](const auto& lane) { return lane->synth.IsLoaded(); });
    }

    // The frames up to end, as interleaved stereo with the lanes mixed; the
    // caller may take the samples, the buffer is refilled next time.
    std::vector<float>& RenderUntil(std::int64_t end)
    {
        {
            std::vector<std::jthread> others;
            for (std::size_t lane = 1; lane < lanes_.size(); ++lane)
                others.emplace_back([this, lane, end] { RenderLane(lane, end); });
            RenderLane(0, end);
        }
        std::vector<float>& mix = lanes_[0]->buffer;
        for (std::size_t lane = 1; lane < lanes_.size(); ++lane)
            for (std::size_t i = 0; i < mix.size(); ++i)
                mix[i] += lanes_[lane]->buffer[i];
        return mix;
    }

private:
    struct Lane
    {
        explicit Lane(const std::string& soundFontPath) : synth(soundFontPath) {}

        SoftSynth synth;
        std::vector<float> buffer;
        std::int64_t rendered = 0;
        std::size_t nextEvent = 0;
    };

    bool Owns(std::size_t lane, const MidiMessage& message) const
    {
        if (message.Kind() != NoteOnKind && message.Kind() != NoteOffKind)
            return true;
        const std::size_t key = std::size_t{message.Channel()} * KeysPerChannel + message.data1;
        return key % lanes_.size() == lane;
    }

    void RenderLane(std::size_t index, std::int64_t end)
    {
        Lane& lane = *lanes_[index];
        const std::int64_t start = lane.rendered;
        lane.buffer.resize(static_cast<std::size_t>(end - start) * AudioChannels);
        auto renderTo = [&](std::int64_t frame) {
            float* into = lane.buffer.data() + (lane.rendered - start) * AudioChannels;
            lane.synth.RenderInterleaved(into, static_cast<int>(frame - lane.rendered));
            lane.rendered = frame;
        };
        for (; lane.nextEvent < events_.size() && events_[lane.nextEvent].frame < end; ++lane.nextEvent) {
            const FrameEvent& event = events_[lane.nextEvent];
            if (event.frame > lane.rendered)
                renderTo(event.frame);
            if (event.releaseAll)
                lane.synth.ReleaseAll();
            else if (Owns(index, event.message))
                lane.synth.Send(event.message);
        }
        if (end > lane.rendered)
            renderTo(end);
    }

    const std::vector<FrameEvent>& events_;
    std::vector<std::unique_ptr<Lane>> lanes_;
};

struct SoundFile
{
    SNDFILE* file = nullptr;
    ~SoundFile()
    {
        if (file)
            sf_close(file);
    }
    // sf_close reports whether the encoder could finish the file.
    std::string Close()
    {
        const int error = sf_close(file);
        file = nullptr;
        return error == 0 ? std::string{} : sf_error_number(error);
    }
};

// Floored, as whole milliseconds always were; a step may last a fraction of one.
std::int64_t FrameOfStep(int step, double stepMilliseconds)
{
    return static_cast<std::int64_t>(std::floor(std::max(step, 0) * stepMilliseconds * AudioSampleRate / 1000));
}

} // namespace

std::optional<AudioFormat> AudioFormatFor(const std::filesystem::path& target)
{
    std::string extension = target.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const FormatName& name : FormatNames)
        if (extension == name.extension)
            return name.format;
    return std::nullopt;
}

namespace {

// The piece's sound, rendered whole but not yet levelled, or why not.
struct Rendering
{
    AudioExportOutcome outcome;
    std::vector<float> sound;
};

// Once the synthesizers are ready, and before the long render, whoever
// writes the sound may still refuse (a folder with no room for a file).
using BeforeRendering = std::function<AudioExportOutcome()>;

Rendering RenderMessages(const std::vector<TimedMessage>& messages, int endStep, double stepMilliseconds,
                         const std::string& soundFontPath, const AudioProgress& progress, std::stop_token stop,
                         double share, const BeforeRendering& beforeRendering)
{
    if (stepMilliseconds < MinStepMilliseconds || stepMilliseconds > MaxStepMilliseconds)
        return {{AudioExportFault::InvalidStepLength, {}}, {}};

    // Checked first so that a missing file is not worth a line of FluidSynth's log.
    std::error_code unreadable;
    if (!std::filesystem::is_regular_file(soundFontPath, unreadable))
        return {{AudioExportFault::NoSoundFont, soundFontPath}, {}};
    std::vector<TimedMessage> ordered = messages;
    std::stable_sort(ordered.begin(), ordered.end(), [](const TimedMessage& a, const TimedMessage& b) {
        return std::max(a.step, 0) < std::max(b.step, 0);
    });
    std::vector<FrameEvent> events;
    for (const TimedMessage& timed : ordered) {
        events.push_back({FrameOfStep(timed.step, stepMilliseconds), timed.message});
        endStep = std::max(endStep, timed.step);
    }
    const std::int64_t releaseFrame = FrameOfStep(endStep, stepMilliseconds);
    const std::int64_t totalFrames = releaseFrame + std::int64_t{ReleaseTailMilliseconds} * AudioSampleRate / 1000;
    // What live playback silences at once is released here, so it rings out as in the MIDI file.
    events.push_back({releaseFrame, {}, true});

    Ensemble ensemble(std::clamp(std::thread::hardware_concurrency(), 1u, MaxLanes), events, soundFontPath);
    if (!ensemble.Started())
        return {{AudioExportFault::NoSynthesizer, {}}, {}};
    if (!ensemble.Loaded())
        return {{AudioExportFault::NoSoundFont, soundFontPath}, {}};
    if (beforeRendering) {
        if (AudioExportOutcome refused = beforeRendering(); refused.fault != AudioExportFault::None)
            return {std::move(refused), {}};
    }

    // The whole piece is rendered before any of it is written: how loud it
    // is, and so the gain it needs, is known only at its end.
    Rendering rendering;
    rendering.sound.reserve(static_cast<std::size_t>(totalFrames) * AudioChannels);
    for (std::int64_t rendered = 0; rendered < totalFrames;) {
        if (stop.stop_requested())
            return {{AudioExportFault::Cancelled, {}}, {}};
        const std::int64_t end = std::min(rendered + ChunkFrames, totalFrames);
        const std::vector<float>& chunk = ensemble.RenderUntil(end);
        rendering.sound.insert(rendering.sound.end(), chunk.begin(), chunk.end());
        rendered = end;
        if (progress)
            progress(share * static_cast<double>(rendered) / static_cast<double>(totalFrames));
    }
    return rendering;
}

Levelling LevellingFor(const std::vector<float>& sound, AudioLevel level)
{
    return level == AudioLevel::Normalised ? NormalisingLevelling(sound, AudioChannels, AudioSampleRate)
                                           : Levelling{};
}

} // namespace

AudioExportOutcome ExportAudio(const std::vector<TimedMessage>& messages, int endStep, double stepMilliseconds,
                               const std::string& soundFontPath, const std::filesystem::path& target,
                               const AudioProgress& progress, std::stop_token stop, AudioLevel level)
{
    const std::optional<AudioFormat> format = AudioFormatFor(target);
    if (!format)
        return {AudioExportFault::UnknownFormat, {}};
    std::optional<FileReplacement> file;
    SoundFile sound;
    const auto openFile = [&]() -> AudioExportOutcome {
        file.emplace(target.string());
        if (const auto& failure = file->Failure())
            return {AudioExportFault::CannotCreate, ErrorText(*failure)};
        SF_INFO info{};
        info.samplerate = AudioSampleRate;
        info.channels = AudioChannels;
        info.format = SndfileFormat(*format);
        sound.file = sf_open_fd(file->Descriptor(), SFM_WRITE, &info, SF_FALSE);
        if (!sound.file)
            return {AudioExportFault::CannotCreate, sf_strerror(nullptr)};
        // Past the limiter nothing reaches full scale; were it to, it would clip rather than wrap around.
        sf_command(sound.file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        return {};
    };
    const Rendering rendering =
        RenderMessages(messages, endStep, stepMilliseconds, soundFontPath, progress, stop, RenderingShare, openFile);
    if (rendering.outcome.fault != AudioExportFault::None)
        return rendering.outcome;

    const Levelling levelling = LevellingFor(rendering.sound, level);
    const std::size_t frames = rendering.sound.size() / AudioChannels;
    std::size_t written = 0;
    bool writeFailed = false;
    const bool whole = Level(rendering.sound, AudioChannels, AudioSampleRate, levelling,
                             [&](const float* samples, std::size_t count) {
                                 if (stop.stop_requested())
                                     return false;
                                 const auto wanted = static_cast<sf_count_t>(count);
                                 writeFailed = sf_writef_float(sound.file, samples, wanted) != wanted;
                                 written += count;
                                 if (progress && !writeFailed)
                                     progress(written == frames ? 1.0
                                                                : RenderingShare + (1 - RenderingShare)
                                                                                       * static_cast<double>(written)
                                                                                       / static_cast<double>(frames));
                                 return !writeFailed;
                             });
    if (writeFailed)
        return {AudioExportFault::WriteFailed, sf_strerror(sound.file)};
    if (!whole)
        return {AudioExportFault::Cancelled, {}};

    if (std::string error = sound.Close(); !error.empty())
        return {AudioExportFault::WriteFailed, error};
    if (const auto failure = file->Commit())
        return {AudioExportFault::WriteFailed, ErrorText(*failure)};
    return {};
}

std::int64_t PieceSoundFrames(const std::vector<std::uint8_t>& notes, const MusicSettings& settings)
{
    // The piece's messages all lie before its end, which releases what still sounds.
    return FrameOfStep(PieceEndStep(notes), static_cast<double>(StepMicroseconds(settings)) / 1000)
           + std::int64_t{ReleaseTailMilliseconds} * AudioSampleRate / 1000;
}

PieceSound RenderPieceSound(const std::vector<std::uint8_t>& notes, const MusicSettings& settings,
                            const std::string& soundFontPath, const AudioProgress& progress, std::stop_token stop,
                            AudioLevel level)
{
    Rendering rendering = RenderMessages(PieceMessages(notes, settings), PieceEndStep(notes),
                                         static_cast<double>(StepMicroseconds(settings)) / 1000, soundFontPath,
                                         progress, stop, 1.0, {});
    PieceSound piece{rendering.outcome, {}};
    if (rendering.outcome.fault != AudioExportFault::None)
        return piece;
    piece.samples.reserve(rendering.sound.size());
    const bool whole = Level(rendering.sound, AudioChannels, AudioSampleRate, LevellingFor(rendering.sound, level),
                             [&](const float* samples, std::size_t frames) {
                                 piece.samples.insert(piece.samples.end(), samples, samples + frames * AudioChannels);
                                 return !stop.stop_requested();
                             });
    if (!whole)
        piece = {{AudioExportFault::Cancelled, {}}, {}};
    return piece;
}

AudioExportOutcome ExportPieceAudio(const std::vector<std::uint8_t>& notes, const MusicSettings& settings,
                                    const std::string& soundFontPath, const std::filesystem::path& target,
                                    const AudioProgress& progress, std::stop_token stop, AudioLevel level)
{
    return ExportAudio(PieceMessages(notes, settings), PieceEndStep(notes),
                       static_cast<double>(StepMicroseconds(settings)) / 1000, soundFontPath, target, progress, stop, level);
}

} // namespace music
