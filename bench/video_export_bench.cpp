// How much faster than real time the default piece becomes a video: the
// place of the README (the whole set at 100 iterations, Length 400, start
// cell (189, 178)) composed by the program as the window would, then
// exported as MP4 and as WebM, with the sound rendered as Export Audio does.
// x_real_time is the piece's seconds, tail included, per second of export.
#include "session.h"

#include "encoder_messages.h"
#include "piece_video.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

// The one the program plays and exports with on Debian.
constexpr const char* SoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

void ExportDefaultPieceVideo(benchmark::State& state, const std::string& extension)
{
    video::RouteEncoderMessages(false);
    Session session;
    Place place;
    place.iterations = 100;
    place.start = StartCell{189, 178};
    session.controller.OpenPlace(place);
    if (session.controller.CurrentState() != State::Playing) {
        state.SkipWithError("the default place did not compose a piece");
        return;
    }
    session.controller.StopMusic();
    const video::PieceVideo piece = session.controller.PieceAsVideo();
    const auto target =
        std::filesystem::temp_directory_path() / ("video_export_bench_" + std::to_string(::getpid()) + extension);
    for (auto _ : state) {
        const auto outcome = video::ExportPieceVideo(piece, SoundFont, target);
        if (outcome.fault != video::VideoExportFault::None) {
            state.SkipWithError(("export failed: " + outcome.detail).c_str());
            break;
        }
    }
    const double pieceSeconds =
        static_cast<double>(music::PieceSoundFrames(piece.notes, piece.settings)) / music::AudioSampleRate;
    state.counters["video_s"] = pieceSeconds;
    state.counters["x_real_time"] = benchmark::Counter(pieceSeconds * static_cast<double>(state.iterations()),
                                                       benchmark::Counter::kIsRate);
    std::filesystem::remove(target);
}

BENCHMARK_CAPTURE(ExportDefaultPieceVideo, mp4, std::string(".mp4"))
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(ExportDefaultPieceVideo, webm, std::string(".webm"))
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
