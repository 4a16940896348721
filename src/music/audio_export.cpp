#include "audio_export.h"

#include <fluidsynth.h>
#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

namespace music {

namespace {

constexpr int BlockFrames = 4096;
constexpr mode_t ReadableFileMode = 0644;

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

std::string ErrnoText()
{
    return std::strerror(errno);
}

// The synthesizer and its settings, released together.
struct Synthesizer
{
    Synthesizer()
    {
        settings = new_fluid_settings();
        if (!settings)
            return;
        fluid_settings_setnum(settings, "synth.sample-rate", AudioSampleRate);
        // The same loudness as live playback.
        fluid_settings_setnum(settings, "synth.gain", 0.5);
        // Only the samples of the presets a piece uses are read from the SoundFont.
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        synth = new_fluid_synth(settings);
    }
    ~Synthesizer()
    {
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;

    void Play(const MidiMessage& message) const
    {
        const int channel = message.Channel();
        switch (message.Kind()) {
        case NoteOnKind:
            fluid_synth_noteon(synth, channel, message.data1, message.data2);
            break;
        case NoteOffKind:
            fluid_synth_noteoff(synth, channel, message.data1);
            break;
        case ProgramChangeKind:
            fluid_synth_program_change(synth, channel, message.data1);
            break;
        case ControlChangeKind:
            fluid_synth_cc(synth, channel, message.data1, message.data2);
            break;
        default:
            break;
        }
    }

    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
};

// A temporary file beside the target that disappears unless it is kept.
class TemporaryFile
{
public:
    explicit TemporaryFile(const std::filesystem::path& target)
    {
        const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
        std::string name = ".";
        name += target.filename().string();
        name += ".XXXXXX";
        std::string pattern = (folder / name).string();
        fd_ = mkstemp(pattern.data());
        if (fd_ >= 0)
            path_ = pattern;
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            close(fd_);
        if (!path_.empty())
            unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Descriptor() const { return fd_; }

    // Flushes to disk, closes and renames over the target; an empty text means success.
    std::string MoveTo(const std::filesystem::path& target)
    {
        // mkstemp makes the file private; a sound file is for others to read too.
        fchmod(fd_, ReadableFileMode);
        if (fsync(fd_) != 0)
            return ErrnoText();
        const int closed = close(fd_);
        fd_ = -1;
        if (closed != 0)
            return ErrnoText();
        if (rename(path_.c_str(), target.c_str()) != 0)
            return ErrnoText();
        path_.clear();
        return {};
    }

private:
    int fd_ = -1;
    std::string path_;
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

std::int64_t FrameOfStep(int step, int stepMilliseconds)
{
    return std::int64_t{std::max(step, 0)} * stepMilliseconds * AudioSampleRate / 1000;
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

AudioExportOutcome ExportAudio(const std::vector<TimedMessage>& messages, int endStep, int stepMilliseconds,
                               const std::string& soundFontPath, const std::filesystem::path& target,
                               const AudioProgress& progress, std::stop_token stop)
{
    const std::optional<AudioFormat> format = AudioFormatFor(target);
    if (!format)
        return {AudioExportFault::UnknownFormat, {}};
    if (stepMilliseconds < MinStepMilliseconds || stepMilliseconds > MaxStepMilliseconds)
        return {AudioExportFault::InvalidStepLength, {}};

    // Checked first so that a missing file is not worth a line of FluidSynth's log.
    std::error_code error;
    if (!std::filesystem::is_regular_file(soundFontPath, error))
        return {AudioExportFault::NoSoundFont, soundFontPath};
    Synthesizer synthesizer;
    if (!synthesizer.synth)
        return {AudioExportFault::NoSynthesizer, {}};
    if (fluid_synth_sfload(synthesizer.synth, soundFontPath.c_str(), 1) == FLUID_FAILED)
        return {AudioExportFault::NoSoundFont, soundFontPath};

    std::vector<TimedMessage> ordered = messages;
    std::stable_sort(ordered.begin(), ordered.end(), [](const TimedMessage& a, const TimedMessage& b) {
        return std::max(a.step, 0) < std::max(b.step, 0);
    });
    for (const TimedMessage& timed : ordered)
        endStep = std::max(endStep, timed.step);
    const std::int64_t releaseFrame = FrameOfStep(endStep, stepMilliseconds);
    const std::int64_t totalFrames = releaseFrame + std::int64_t{ReleaseTailMilliseconds} * AudioSampleRate / 1000;

    TemporaryFile temporary(target);
    if (temporary.Descriptor() < 0)
        return {AudioExportFault::CannotCreate, ErrnoText()};
    SF_INFO info{};
    info.samplerate = AudioSampleRate;
    info.channels = AudioChannels;
    info.format = SndfileFormat(*format);
    SoundFile sound;
    sound.file = sf_open_fd(temporary.Descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (!sound.file)
        return {AudioExportFault::CannotCreate, sf_strerror(nullptr)};
    // Loud chords clip rather than wrap around in the integer formats.
    sf_command(sound.file, SFC_SET_CLIPPING, nullptr, SF_TRUE);

    std::vector<float> block(static_cast<std::size_t>(BlockFrames) * AudioChannels);
    std::int64_t rendered = 0;
    auto renderUntil = [&](std::int64_t frame) -> std::optional<AudioExportOutcome> {
        while (rendered < frame) {
            if (stop.stop_requested())
                return AudioExportOutcome{AudioExportFault::Cancelled, {}};
            const int frames = static_cast<int>(std::min<std::int64_t>(BlockFrames, frame - rendered));
            // Interleaved: left samples at even places, right at odd.
            fluid_synth_write_float(synthesizer.synth, frames, block.data(), 0, AudioChannels, block.data(), 1,
                                    AudioChannels);
            if (sf_writef_float(sound.file, block.data(), frames) != frames)
                return AudioExportOutcome{AudioExportFault::WriteFailed, sf_strerror(sound.file)};
            rendered += frames;
            if (progress)
                progress(static_cast<double>(rendered) / static_cast<double>(totalFrames));
        }
        return std::nullopt;
    };

    for (const TimedMessage& timed : ordered) {
        if (auto failed = renderUntil(FrameOfStep(timed.step, stepMilliseconds)))
            return *failed;
        synthesizer.Play(timed.message);
    }
    if (auto failed = renderUntil(releaseFrame))
        return *failed;
    // What live playback silences at once is released here, so it rings out as in the MIDI file.
    fluid_synth_all_notes_off(synthesizer.synth, -1);
    if (auto failed = renderUntil(totalFrames))
        return *failed;

    if (std::string error = sound.Close(); !error.empty())
        return {AudioExportFault::WriteFailed, error};
    if (std::string error = temporary.MoveTo(target); !error.empty())
        return {AudioExportFault::WriteFailed, error};
    return {};
}

AudioExportOutcome ExportPieceAudio(const std::vector<std::uint8_t>& notes, const MusicSettings& settings,
                                    const std::string& soundFontPath, const std::filesystem::path& target,
                                    const AudioProgress& progress, std::stop_token stop)
{
    return ExportAudio(PieceMessages(notes, settings), PieceEndStep(notes), settings.stepMilliseconds, soundFontPath,
                       target, progress, stop);
}

} // namespace music
