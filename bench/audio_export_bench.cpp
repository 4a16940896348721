// How much faster than real time a piece renders to a sound file: the
// program's default piece (Length 400, 401 bytes, 80.4 s plus the release
// tail) with the default settings, to each of the three formats.
#include "audio_export.h"
#include "music_tables.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr const char* SoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr int DefaultLength = 400;

// A walk-like melody: mostly small turns, now and then a dead end, from a
// fixed seed so every run renders the same piece.
std::vector<std::uint8_t> WalkLikeMelody()
{
    std::vector<std::uint8_t> notes;
    unsigned state = 12345;
    int direction = 2;
    for (int i = 0; i <= DefaultLength; ++i) {
        state = state * 1103515245u + 12345u;
        const unsigned roll = (state >> 16) % 16;
        direction = (direction + (roll < 6 ? 0 : roll < 10 ? 1 : roll < 14 ? 7 : 4)) % 8;
        notes.push_back(music::DirectionToNote(static_cast<std::uint8_t>(roll == 15 ? direction + 8 : direction)));
    }
    return notes;
}

void ExportDefaultPiece(benchmark::State& state, const std::string& extension)
{
    if (!std::filesystem::exists(SoundFont)) {
        state.SkipWithError("no General MIDI SoundFont");
        return;
    }
    const auto notes = WalkLikeMelody();
    const music::MusicSettings settings;
    const auto target =
        std::filesystem::temp_directory_path() / ("audio_export_bench_" + std::to_string(::getpid()) + extension);
    for (auto _ : state) {
        const auto outcome = music::ExportPieceAudio(notes, settings, SoundFont, target);
        if (outcome.fault != music::AudioExportFault::None) {
            state.SkipWithError(("export failed: " + outcome.detail).c_str());
            break;
        }
    }
    const double pieceSeconds =
        static_cast<double>(music::PieceEndStep(notes) * music::StepMicroseconds(settings)) / 1e6 +
        music::ReleaseTailMilliseconds / 1000.0;
    state.counters["audio_s"] = pieceSeconds;
    // Seconds of sound per second of rendering (wall time).
    state.counters["x_real_time"] = benchmark::Counter(pieceSeconds * static_cast<double>(state.iterations()),
                                                       benchmark::Counter::kIsRate);
    std::filesystem::remove(target);
}

BENCHMARK_CAPTURE(ExportDefaultPiece, wav, std::string(".wav"))->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(ExportDefaultPiece, flac, std::string(".flac"))->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(ExportDefaultPiece, ogg, std::string(".ogg"))->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
