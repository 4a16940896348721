#include "controller_rig.h"
#include "outline.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace {

using namespace app_test;
using Kind = RecordingMidiOut::Kind;

std::set<std::pair<int, int>> RedPixels(const Picture& picture)
{
    std::set<std::pair<int, int>> red;
    for (int x = 0; x < Picture::Side; ++x) {
        for (int y = 0; y < Picture::Side; ++y) {
            if (picture.At(x, y) == Red)
                red.emplace(x, y);
        }
    }
    return red;
}

// The smallest set of outline cells joined to each other by their eight
// neighbours and to no other outline cell.
std::vector<fractal::Cell> SmallestOutlinePiece(const fractal::OutlineGrid& outline)
{
    std::vector<std::vector<bool>> seen(Picture::Side, std::vector<bool>(Picture::Side, false));
    std::vector<fractal::Cell> smallest;
    for (int x = 0; x < Picture::Side; ++x) {
        for (int y = 0; y < Picture::Side; ++y) {
            if (seen[x][y] || outline.At(x, y) != White)
                continue;
            std::vector<fractal::Cell> piece{{x, y}};
            seen[x][y] = true;
            for (std::size_t i = 0; i < piece.size(); ++i) {
                for (int dx = -1; dx <= 1; ++dx) {
                    for (int dy = -1; dy <= 1; ++dy) {
                        const int nx = piece[i].x + dx;
                        const int ny = piece[i].y + dy;
                        if (fractal::InsidePicture(nx, ny) && !seen[nx][ny] && outline.At(nx, ny) == White) {
                            seen[nx][ny] = true;
                            piece.push_back({nx, ny});
                        }
                    }
                }
            }
            if (smallest.empty() || piece.size() < smallest.size())
                smallest = piece;
        }
    }
    return smallest;
}

} // namespace

TEST(ControllerComposing, ComposeAsksForAStartPointAndAPressOffTheOutlineSaysSoAndWaitsOn)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    rig.DrawAndTrace();
    c.Compose();
    EXPECT_EQ(rig.messages, std::vector<QString>{AskForStartPoint});
    EXPECT_EQ(c.CurrentState(), State::ChoosingStart);

    const fractal::OutlineGrid outline = c.Outline();
    for (int press = 1; press <= 2; ++press) {
        c.Press(200, 200);  // inside the set, far from its outline
        EXPECT_EQ(rig.messages.back(), NotOnOutline) << "press " << press;
        EXPECT_EQ(rig.messages.size(), 1u + press) << "press " << press;
        EXPECT_EQ(c.CurrentState(), State::StartMissed) << "still waiting for a start point";
    }
    EXPECT_TRUE(c.Outline() == outline) << "nothing of the outline is used up";
    EXPECT_TRUE(rig.output.Calls().empty()) << "nothing is played";
    EXPECT_FALSE(c.Timer().IsEnabled());
}

TEST(ControllerComposing, AWalkThatReturnsToItsStartPaintsItsPathSaysSoAndPlaysNothing)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    c.SetLengthText(QStringLiteral("800"));
    rig.DrawAndTrace(2);
    // A walk steps into each cell of its piece once and back out once, so a
    // piece of fewer than 400 cells is used up before 801 steps.
    const std::vector<fractal::Cell> piece = SmallestOutlinePiece(c.Outline());
    ASSERT_FALSE(piece.empty());
    ASSERT_LT(piece.size(), 400u) << "the whole view at the highest accuracy has small islands";
    c.Compose();
    c.Press(piece[0].x, piece[0].y);
    EXPECT_EQ(rig.messages.back(), WalkFailed) << "a piece of " << piece.size() << " cells";
    EXPECT_EQ(c.CurrentState(), State::StartMissed);
    EXPECT_TRUE(rig.output.Calls().empty()) << "a failed walk makes no MIDI call";
    EXPECT_FALSE(c.Timer().IsEnabled());
    std::set<std::pair<int, int>> path;
    for (const fractal::Cell cell : piece) {
        for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
            if (fractal::InsidePicture(cell.x + dx, cell.y + dy))
                path.emplace(cell.x + dx, cell.y + dy);
        }
    }
    EXPECT_EQ(RedPixels(c.CurrentPicture()), path) << "each cell walked is painted as a 2 x 2 block";

    c.Press(piece[0].x, piece[0].y);
    EXPECT_EQ(rig.messages.back(), NotOnOutline) << "the walk used the piece up";
    c.Press(0, 0);
    EXPECT_EQ(c.CurrentState(), State::Playing) << "a press on the frame still starts a piece";
}

TEST(ControllerComposing, TheLengthTextSetsTheWalkLengthOrIsPutBackTo400)
{
    struct Case
    {
        const char* text;
        int notes;
        const char* textAfter;
    };
    const Case cases[] = {
        {"8", 9, "8"}, {"800", 801, "800"}, {"7.5", 9, "7.5"}, {"7", 401, "400"},
        {"", 401, "400"}, {"99999", 401, "400"}, {"abc", 401, "400"},
    };
    for (const Case& row : cases) {
        ControllerRig rig;
        Controller& c = rig.controller;
        c.SetLengthText(QString::fromUtf8(row.text));
        rig.DrawAndTrace();
        c.Compose();
        QSignalSpy shown(&c, &Controller::lengthTextChanged);
        c.Press(0, 0);
        ASSERT_EQ(c.CurrentState(), State::Playing) << "text '" << row.text << "'";
        EXPECT_EQ(c.Player().Length(), row.notes) << "text '" << row.text << "': one note more than the length";
        EXPECT_EQ(c.LengthText(), row.textAfter) << "text '" << row.text << "'";
        const bool rejected = QString::fromUtf8(row.text) != row.textAfter;
        ASSERT_EQ(shown.count(), rejected ? 1 : 0) << "text '" << row.text << "': the box is told only when reset";
        if (rejected) {
            EXPECT_EQ(shown.at(0).at(0).toString(), "400");
        }
    }
}

TEST(ControllerComposing, ACompletedWalkIsPaintedRedAndStartsItsPieceOnTheOpenedOutput)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    rig.StartPiece();
    EXPECT_EQ(rig.messages, std::vector<QString>{AskForStartPoint}) << "nothing more to say";
    EXPECT_EQ(c.CurrentState(), State::Playing);
    EXPECT_EQ(rig.Offered(), "Stop SavePicture ExportMelody Pause");
    EXPECT_TRUE(c.Timer().IsEnabled());
    EXPECT_EQ(c.Melody(), (std::vector<std::uint8_t>{76, 79, 79, 79, 79, 79, 79, 79, 79}))
        << "E5 for the step right, then G5 down the edge";
    EXPECT_EQ(c.Player().Length(), 9);
    EXPECT_EQ(c.Player().Position(), 0);

    // Each visited cell paints the 2 x 2 block below and right of it, clipped
    // at the edge: (398, 0), then (399, 0) to (399, 7).
    std::set<std::pair<int, int>> path{{398, 0}, {398, 1}};
    for (int y = 0; y <= 8; ++y)
        path.emplace(399, y);
    EXPECT_EQ(RedPixels(c.CurrentPicture()), path);

    const auto& calls = rig.output.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, Kind::DeviceQuery);
    EXPECT_EQ(calls[1].kind, Kind::Open);
    EXPECT_EQ(rig.output.Heard(), (std::vector<music::MidiMessage>{{0xC0, 88, 0}, {0xC1, 46, 0}}))
        << "program 88 on channel 0 for the melody, 46 on channel 1 for the chords";
    EXPECT_TRUE(rig.output.IsOpen());
}

TEST(ControllerComposing, WithoutAUsableDeviceThePieceStillRunsItsCourseSilently)
{
    struct Case
    {
        const char* what;
        bool deviceAvailable;
        bool openRefused;
        QString message;
    };
    const Case cases[] = {
        {"no device", false, false, NoMidiDevice},
        {"the device refuses", true, true, MidiDeviceRefused},
    };
    for (const Case& row : cases) {
        ControllerRig rig;
        Controller& c = rig.controller;
        rig.output.SetDeviceAvailable(row.deviceAvailable);
        rig.output.SetOpenRefused(row.openRefused);
        rig.StartPiece();
        EXPECT_EQ(rig.messages.back(), row.message) << row.what;
        EXPECT_EQ(c.CurrentState(), State::Playing) << row.what;
        EXPECT_TRUE(c.Timer().IsEnabled()) << row.what;
        for (int tick = 1; tick <= 9; ++tick) {
            c.Tick();
            ASSERT_EQ(c.CurrentState(), State::Playing) << row.what << ", tick " << tick;
            EXPECT_FLOAT_EQ(c.Progress(), tick * 100.0f / 9) << row.what << ", tick " << tick;
        }
        c.Tick();
        EXPECT_EQ(c.CurrentState(), State::Played) << row.what << ": the piece ends on the tenth tick";
        EXPECT_FALSE(c.Timer().IsEnabled()) << row.what;
        EXPECT_TRUE(rig.output.Heard().empty()) << row.what << ": nothing reached a device";
    }
}

TEST(ControllerComposing, AnOutputThatCannotSoundYetIsExplainedOnlyIfItStaysSilent)
{
    using Readiness = music::MidiOut::Readiness;
    struct Case
    {
        const char* what;
        Readiness atPress;
        Readiness afterAWhile;
        std::size_t messagesAtPress;
        std::size_t messagesAfterAWhile;
    };
    const Case cases[] = {
        {"ready moments later", Readiness::Preparing, Readiness::Sounding, 1, 1},
        {"still loading", Readiness::Preparing, Readiness::Preparing, 1, 2},
        {"its driver failed meanwhile", Readiness::Preparing, Readiness::NoSound, 1, 2},
        {"instruments that make no sound", Readiness::SilentInstruments, Readiness::SilentInstruments, 2, 2},
    };
    for (const Case& row : cases) {
        ControllerRig rig;
        rig.output.SetReadiness(row.atPress);
        rig.StartPiece();
        EXPECT_EQ(rig.messages.size(), row.messagesAtPress) << row.what;
        rig.output.SetReadiness(row.afterAWhile);
        QTest::qWait(Controller::ReadinessPatienceMilliseconds + 200);
        EXPECT_EQ(rig.messages.size(), row.messagesAfterAWhile) << row.what;
        if (row.afterAWhile == Readiness::NoSound) {
            EXPECT_EQ(rig.messages.back(), MidiDeviceRefused) << row.what;
        }
        EXPECT_EQ(rig.controller.CurrentState(), State::Playing) << row.what << ": the piece plays on";
    }
}

// What a place keeps brings the same piece back, note for note; a start cell
// that is not on the outline brings nothing and changes nothing.
TEST(ControllerComposing, AnOpenedViewWithItsStartCellPlaysThePieceThatWasKept)
{
    ControllerRig kept;
    kept.controller.SetLengthText(QStringLiteral("24"));
    kept.controller.Draw();
    kept.controller.Press(150, 150);
    kept.controller.Press(250, 250);
    kept.controller.Trace();
    kept.controller.Compose();
    const fractal::OutlineGrid outline = kept.controller.Outline();
    for (int x = 0; x < fractal::PictureSide && kept.controller.CurrentState() != State::Playing; ++x)
        for (int y = 0; y < fractal::PictureSide && kept.controller.CurrentState() != State::Playing; ++y)
            if (outline.At(x, y) == fractal::OutlineWhite)
                kept.controller.Press(float(x), float(y));
    ASSERT_EQ(kept.controller.CurrentState(), State::Playing);
    const auto start = kept.controller.PieceStart();
    ASSERT_TRUE(start);

    ControllerRig opened;
    opened.controller.OpenView(kept.controller.CurrentDeepView(), kept.controller.MaxIterations(), 24, start);
    EXPECT_EQ(opened.controller.CurrentState(), State::Playing);
    EXPECT_EQ(opened.controller.Piece(), kept.controller.Piece());
    EXPECT_EQ(opened.controller.PieceAsMidiFile(), kept.controller.PieceAsMidiFile());
    EXPECT_EQ(opened.output.Heard(), kept.output.Heard()) << "the instruments, as the kept piece began";
    EXPECT_EQ(opened.controller.LengthText(), QStringLiteral("24"));

    ControllerRig refused;
    refused.controller.Draw();
    const auto picture = refused.controller.CurrentPicture().Pixels();
    refused.controller.OpenView(kept.controller.CurrentDeepView(), 100, 30, fractal::Cell{200, 200});
    EXPECT_EQ(refused.controller.CurrentState(), State::Drawn);
    EXPECT_EQ(refused.controller.CurrentView(), fractal::DefaultView);
    EXPECT_EQ(refused.controller.CurrentPicture().Pixels(), picture);
    EXPECT_EQ(refused.controller.LengthText(), QStringLiteral("400"));
    ASSERT_FALSE(refused.messages.empty());
    EXPECT_TRUE(refused.messages.back().contains(QStringLiteral("(200, 200)")));
}
