#pragma once

#include "music_settings.h"
#include "sequencer.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace music {

enum class AudioFormat { Wav, Flac, OggVorbis };

// By the file's extension, whatever its case: .wav, .flac, .ogg (or .oga).
std::optional<AudioFormat> AudioFormatFor(const std::filesystem::path& target);

inline constexpr int AudioSampleRate = 44100;
inline constexpr int AudioChannels = 2;
// After the last step the notes are released and ring out this long.
inline constexpr int ReleaseTailMilliseconds = 2000;

enum class AudioExportFault {
    None,
    UnknownFormat,      // the extension names no format above
    InvalidStepLength,  // outside MinStepMilliseconds..MaxStepMilliseconds
    NoSoundFont,        // the SoundFont cannot be loaded
    NoSynthesizer,      // FluidSynth refused to start
    CannotCreate,       // no temporary file in the target's folder
    WriteFailed,        // encoding, writing, flushing or the final rename failed
    Cancelled,
};

struct AudioExportOutcome
{
    AudioExportFault fault = AudioExportFault::None;
    // The system's or the encoder's own words for the failure, if any.
    std::string detail;
};

// Called now and then with the share rendered so far, 0 to 1.
using AudioProgress = std::function<void(double fraction)>;

// How loud the file is: brought to TargetLoudness with its true peak at or
// below TargetTruePeak (loudness.h), or as the synthesizer plays it. Either
// way a limiter keeps it from clipping.
enum class AudioLevel { Normalised, AsPlayed };

// Renders the messages offline with a fresh synthesizer and the SoundFont,
// as fast as the machine allows: each message at step x stepMilliseconds,
// every note released at endStep (never before the last message's step),
// then ReleaseTailMilliseconds more. The file appears complete under the
// target's name or not at all: the sound goes to a temporary file in the
// target's folder that is flushed to disk and renamed over the target.
// The whole sound is held in memory until it is levelled and written.
AudioExportOutcome ExportAudio(const std::vector<TimedMessage>& messages, int endStep, double stepMilliseconds,
                               const std::string& soundFontPath, const std::filesystem::path& target,
                               const AudioProgress& progress = {}, std::stop_token stop = {},
                               AudioLevel level = AudioLevel::Normalised);

// The sound of a piece of these notes exactly as ExportPieceAudio writes it
// (levelled alike), as interleaved stereo at AudioSampleRate, kept in memory.
struct PieceSound
{
    AudioExportOutcome outcome;
    std::vector<float> samples;
};
// How many sample frames that sound has: the piece, its end's release and the tail.
std::int64_t PieceSoundFrames(const std::vector<std::uint8_t>& notes, const MusicSettings& settings);
PieceSound RenderPieceSound(const std::vector<std::uint8_t>& notes, const MusicSettings& settings,
                            const std::string& soundFontPath, const AudioProgress& progress = {},
                            std::stop_token stop = {}, AudioLevel level = AudioLevel::Normalised);

// A piece of these notes as playback with these settings sends it.
AudioExportOutcome ExportPieceAudio(const std::vector<std::uint8_t>& notes, const MusicSettings& settings,
                                    const std::string& soundFontPath, const std::filesystem::path& target,
                                    const AudioProgress& progress = {}, std::stop_token stop = {},
                                    AudioLevel level = AudioLevel::Normalised);

} // namespace music
