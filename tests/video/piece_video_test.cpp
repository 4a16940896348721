#include "piece_video.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

constexpr const char* SoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr int Side = 400;

// FFmpeg's own command-line tools read the file back.
std::string Output(const std::string& command)
{
    std::string output;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    for (int c; pipe && (c = std::fgetc(pipe.get())) != EOF;)
        output.push_back(static_cast<char>(c));
    return output;
}

// A piece of 16 notes at 300 beats a minute in sixteenths (50 ms a step)
// walking right along row 200 from column 100, on a black picture.
video::PieceVideo ShortPiece()
{
    video::PieceVideo piece;
    piece.settings.tempo = 300;
    piece.side = Side;
    piece.picture.assign(Side * Side, 0);
    for (int i = 0; i < 16; ++i) {
        piece.notes.push_back(static_cast<std::uint8_t>(72 + 2 * (i % 4)));
        piece.path.push_back({100 + 2 * i, 200});
    }
    return piece;
}

class PieceVideoTest : public testing::TestWithParam<std::pair<const char*, std::string>>
{
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(SoundFont) || !std::filesystem::exists("/usr/bin/ffprobe"))
            GTEST_SKIP() << "needs the General MIDI SoundFont and ffmpeg (scripts/install-deps.sh --tests)";
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("velmora-video-test-" + std::to_string(::getpid()));
};

// Written, then read back: its two streams, 1200 pixels a side at 30 frames
// a second, 17 steps and the 2 s tail long to within a frame, and frame 10
// (1/3 s: step 6 sounds) decoded: the path red up to step 6 and black after
// it, the ring's yellow a fortieth of the picture (30 pixels) right of the
// centre of step 6's mark.
TEST_P(PieceVideoTest, IsReadBackWithItsStreamsDurationAndThePlayheadAtTheStepThatSounds)
{
    const auto& [extension, streams] = GetParam();
    const std::filesystem::path target = folder / (std::string("piece") + extension);
    const video::VideoExportOutcome outcome = video::ExportPieceVideo(ShortPiece(), SoundFont, target);
    ASSERT_EQ(outcome.fault, video::VideoExportFault::None) << outcome.detail;
    // Quoted; built by appending, which GCC 12 does not mistake for an overlapping copy (-Wrestrict).
    std::string file(1, '\'');
    file.append(target.string()).push_back('\'');
    EXPECT_EQ(Output("ffprobe -v error -show_entries stream=codec_type,codec_name -of csv=p=0 " + file), streams);
    EXPECT_EQ(Output("ffprobe -v error -select_streams v -show_entries stream=width,height,r_frame_rate -of csv=p=0 "
                  + file),
              "1200,1200,30/1\n");
    const double duration = std::stod(Output("ffprobe -v error -show_entries format=duration -of csv=p=0 " + file));
    EXPECT_NEAR(duration, 17 * 0.05 + 2.0, 1.0 / 30);

    const std::string rgb = Output("ffmpeg -v error -i " + file
                                + " -vf 'select=eq(n\\,10)' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(rgb.size(), 1200u * 1200u * 3u);
    const auto pixel = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y) * 1200 + static_cast<std::size_t>(x)) * 3;
        return std::array<int, 3>{static_cast<unsigned char>(rgb[at]), static_cast<unsigned char>(rgb[at + 1]),
                                  static_cast<unsigned char>(rgb[at + 2])};
    };
    const auto near = [](std::array<int, 3> got, std::array<int, 3> want) {
        return std::abs(got[0] - want[0]) < 48 && std::abs(got[1] - want[1]) < 48 && std::abs(got[2] - want[2]) < 48;
    };
    // Step s's mark covers cells (100 + 2s, 200) to (101 + 2s, 201): pixels 300 + 6s to 305 + 6s across.
    const int markCentre = 300 + 6 * 6 + 3;
    EXPECT_TRUE(near(pixel(300 + 6 * 4 + 3, 603), {255, 0, 0})) << "step 4 drawn";
    EXPECT_TRUE(near(pixel(markCentre, 603), {255, 0, 0})) << "step 6 drawn";
    EXPECT_TRUE(near(pixel(300 + 6 * 12 + 3, 603), {0, 0, 0})) << "step 12 still to come";
    EXPECT_TRUE(near(pixel(markCentre + 30, 603), {255, 255, 0})) << "the ring round step 6";
    EXPECT_TRUE(near(pixel(markCentre, 603 - 30), {255, 255, 0})) << "the ring round step 6";
}

INSTANTIATE_TEST_SUITE_P(Containers, PieceVideoTest,
                         testing::Values(std::pair{".mp4", std::string("h264,video\naac,audio\n")},
                                         std::pair{".webm", std::string("vp9,video\nopus,audio\n")}));

// Cancelled half way, and asked for a container it does not make: no file,
// and nothing else left in the folder.
TEST_F(PieceVideoTest, CancelledOrRefusedLeavesNoFileBehind)
{
    std::stop_source stop;
    const auto outcome = video::ExportPieceVideo(
        ShortPiece(), SoundFont, folder / "cancelled.mp4", [&](double done) { if (done > 0.5) stop.request_stop(); },
        stop.get_token());
    EXPECT_EQ(outcome.fault, video::VideoExportFault::Cancelled);
    EXPECT_EQ(video::ExportPieceVideo(ShortPiece(), SoundFont, folder / "piece.avi").fault,
              video::VideoExportFault::UnknownFormat);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

} // namespace
