#include "length_text.h"
#include "midi_control.h"
#include "music_timer.h"
#include "outline.h"
#include "recording_midi.h"
#include "shared_state.h"
#include "walk.h"
#include "window_fixture.h"

#include <QLineEdit>

#include <cmath>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::int32_t Red = 0x000000FF;

class WalkTest : public WindowFixture
{
protected:
    // Draw and trace so the commands are where a user would have them, then
    // replace the outline with the one the test lays out and click Compose.
    void ComposeOn(const std::vector<std::pair<int, int>>& cells, const QString& length = "400")
    {
        Click(form->Draw());
        Click(form->Trace());
        OutlineGrid = Grid{};
        for (const auto& [x, y] : cells)
            OutlineGrid[x][y] = OutlineWhite;
        TypeLength(length);
        Click(form->Compose());
        messages->Clear();
        recording_midi::Clear();
    }

    static std::vector<std::pair<int, int>> Row(int x0, int y, int n)
    {
        std::vector<std::pair<int, int>> cells;
        for (int i = 0; i < n; ++i)
            cells.emplace_back(x0 + i, y);
        return cells;
    }

    std::vector<std::uint8_t> MelodyBytes() const
    {
        return {Melody.begin(), Melody.begin() + MelodyLength};
    }

    void ExpectFailedWalk(std::int16_t melodyLength)
    {
        EXPECT_EQ(messages->Texts(), std::vector<std::string>{"輪郭線のトレースに失敗しました。"});
        EXPECT_EQ(MelodyLength, melodyLength);
        EXPECT_EQ(PathTop, 0);
        EXPECT_EQ(InteractionMode, ModeStartPoint);
        EXPECT_FALSE(form->Timer()->IsEnabled());
        EXPECT_FALSE(form->StopMusic()->isEnabled());
        EXPECT_TRUE(recording_midi::Calls().empty()) << "a failed walk plays nothing";
    }
};

} // namespace

TEST(LengthText, NumbersAreReadRoundedAndRangeChecked)
{
    struct Case
    {
        const char* text;
        std::int16_t length;
        bool accepted;
    };
    const Case cases[] = {
        {"8", 8, true},       {"800", 800, true},   {"7", 400, false},     {"801", 400, false},
        {"-5", 400, false},   {"abc", 400, false},  {"", 400, false},      {"7.5", 8, true},
        {"8.5", 8, true},     {"800.5", 800, true}, {"800.6", 400, false}, {"9.5", 10, true},
        {" 1 2 ", 12, true},  {"12abc", 12, true},  {"+20", 20, true},     {"2e2", 200, true},
        {"99999", 400, false}, {"32768", 400, false}, {"65936", 400, false}, {"1e10", 400, false},
        {"1e400", 400, false}, {"-1e400", 400, false}, {".", 400, false},   {"1,5", 400, false},
        {"１２", 400, false},  {"\t64\n", 64, true},
    };
    for (const auto& c : cases) {
        const LengthReading reading = ReadLength(c.text);
        EXPECT_EQ(reading.length, c.length) << "text '" << c.text << "'";
        EXPECT_EQ(reading.accepted, c.accepted) << "text '" << c.text << "'";
    }
    EXPECT_EQ(ReadLength(std::string(500, '9')).length, 400) << "a long run of digits must not overflow";
}

TEST_F(WalkTest, ComposeAsksForAStartPointAndDisablesItself)
{
    Click(form->Draw());
    Click(form->Trace());
    Click(form->Compose());
    EXPECT_EQ(messages->Texts(), std::vector<std::string>{"Please, click a point on the outline!"});
    EXPECT_FALSE(form->Compose()->isEnabled());
    EXPECT_EQ(InteractionMode, ModeStartPoint);
}

TEST_F(WalkTest, TheLengthBoxSetsTheMelodyLengthOrIsResetTo400)
{
    struct Case
    {
        const char* text;
        std::int16_t melodyLength;
        const char* textAfter;
    };
    const Case cases[] = {
        {"8", 9, "8"}, {"800", 801, "800"}, {"7.5", 9, "7.5"}, {"7", 401, "400"}, {"", 401, "400"},
        {"99999", 401, "400"}, {"abc", 401, "400"},
    };
    for (const auto& c : cases) {
        SetUp();
        SelectSeido(0);
        Click(form->Draw());
        Click(form->Trace());  // the default view's frame is a closed loop of 1,596 cells
        TypeLength(QString::fromUtf8(c.text));
        Click(form->Compose());
        PressAt(0, 0);
        EXPECT_EQ(MelodyLength, c.melodyLength) << "text '" << c.text << "'";
        EXPECT_EQ(form->Length()->text().toStdString(), c.textAfter) << "text '" << c.text << "'";
        TearDown();
    }
}

TEST_F(WalkTest, StartPointCandidatesAreTriedLeftAndUpBeforeRightAndDown)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<int, int>> marked;
        float pressX;
        float pressY;
        int startX;
        int startY;
    };
    const Case cases[] = {
        {"the pressed cell itself", {{10, 10}, {9, 10}, {11, 10}}, 10, 10, 10, 10},
        {"left before right", {{9, 10}, {11, 10}}, 10, 10, 9, 10},
        {"up before right", {{10, 9}, {11, 10}}, 10, 10, 10, 9},
        {"up-left before right", {{9, 9}, {11, 10}}, 10, 10, 9, 9},
        {"right before down", {{11, 10}, {10, 11}}, 10, 10, 11, 10},
        {"lower-right alone", {{11, 11}}, 10, 10, 11, 11},
        {"halves round to even", {{12, 12}}, 11.5f, 11.5f, 12, 12},
        {"at the bottom-right corner", {{399, 399}}, 399.4f, 399.4f, 399, 399},
    };
    for (const auto& c : cases) {
        SetUp();
        ComposeOn(c.marked, "8");
        PressAt(c.pressX, c.pressY);
        EXPECT_EQ(PathX[0], c.startX) << c.what;
        EXPECT_EQ(PathY[0], c.startY) << c.what;
        EXPECT_EQ(OutlineGrid[c.startX][c.startY], 0) << c.what << ": the start cell is consumed";
        TearDown();
    }
}

TEST_F(WalkTest, APressOffTheOutlineSaysSoAndWaitsForAnother)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<int, int>> marked;
        float pressX;
        float pressY;
    };
    const Case cases[] = {
        {"only up-right marked", {{11, 9}}, 10, 10},
        {"only down-left marked", {{9, 11}}, 10, 10},
        {"two cells away", {{12, 10}}, 10, 10},
        {"column 0", {{5, 5}}, 0, 10},
        {"row 0", {{5, 5}}, 10, 0},
        {"right edge of the surface", {{5, 5}}, 400, 400},
        {"a half past the last cell rounds to the spare one", {{399, 399}}, 399.5f, 399.5f},
    };
    for (const auto& c : cases) {
        SetUp();
        ComposeOn(c.marked);
        const Grid before = OutlineGrid;
        PressAt(c.pressX, c.pressY);
        EXPECT_EQ(messages->Texts(), std::vector<std::string>{"Clicked point is not on the outline!"}) << c.what;
        EXPECT_EQ(InteractionMode, ModeStartPoint) << c.what;
        EXPECT_EQ(OutlineGrid, before) << c.what << ": nothing is consumed";
        EXPECT_EQ(MelodyLength, 0) << c.what;
        TearDown();
    }
}

TEST_F(WalkTest, AStartPointWithNoNeighbourIsPaintedThenTheWalkFails)
{
    ComposeOn({{50, 60}, {200, 200}});
    PressAt(50, 60);
    ExpectFailedWalk(0);
    EXPECT_EQ(OutlineGrid[50][60], 0);
    EXPECT_EQ(OutlineGrid[200][200], OutlineWhite);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{50, 60}, {51, 60}, {50, 61}, {51, 61}})
        EXPECT_EQ(form->Area()->Pixel(x, y), Red) << "(" << x << ", " << y << ") painted red";
    EXPECT_NE(form->Area()->Pixel(49, 60), Red);

    messages->Clear();
    PressAt(200, 200);
    EXPECT_EQ(messages->Texts(), std::vector<std::string>{"輪郭線のトレースに失敗しました。"})
        << "another press walks what is left";
}

TEST_F(WalkTest, AnIsolatedRunIsWalkedOutAndBackThenFails)
{
    for (const int n : {2, 5, 64}) {
        SetUp();
        ComposeOn(Row(100, 100, n), QString::number(2 * n - 2));
        PressAt(100, 100);
        std::vector<std::uint8_t> expected(n - 1, 2);
        for (int k = 1; k <= n - 1; ++k)
            expected.push_back(static_cast<std::uint8_t>(2 + 4 * k));
        EXPECT_EQ(MelodyBytes(), expected) << "run of " << n;
        ExpectFailedWalk(static_cast<std::int16_t>(2 * n - 2));
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(OutlineGrid[100 + i][100], 0) << "cell " << i << " of the run of " << n;
        TearDown();
    }
}

TEST_F(WalkTest, AWalkRunsStraightAndTurnsClockwise)
{
    // A right angle: right along row 10, then down column 20.
    auto cells = Row(10, 10, 11);
    for (int y = 11; y <= 20; ++y)
        cells.emplace_back(20, y);
    ComposeOn(cells, "10");
    PressAt(10, 10);
    // Straight right (E5) ten times, then down (G5): the search tries right before down.
    std::vector<std::uint8_t> expected(10, 76);
    expected.push_back(79);
    EXPECT_EQ(MelodyBytes(), expected);
}

TEST_F(WalkTest, ALongRunOfDeadEndsNeverWrapsIntoAScaleNote)
{
    // A branch of 70 cells to the right of the start, and the way on to the left.
    auto cells = Row(100, 200, 70);
    for (int x = 20; x < 100; ++x)
        cells.emplace_back(x, 200);
    ComposeOn(cells, "200");
    PressAt(100, 200);
    ASSERT_EQ(MelodyLength, 201);
    for (int step = 0; step < 69; ++step)
        ASSERT_EQ(Melody[step], 76) << "move " << step << " to the right";
    EXPECT_EQ(Melody[69], 83) << "first dead end: 6, B5";
    for (int k = 2; k <= 69; ++k)
        ASSERT_EQ(Melody[68 + k], 72) << "dead end " << k << " (direction " << 2 + 4 * k << ") plays C5";
    EXPECT_EQ(Melody[138], 83) << "the walk goes on to the left";
}

TEST_F(WalkTest, ACompletedWalkStartsThePiece)
{
    ComposeOn(Row(10, 10, 30), "8");
    PressAt(10, 10);
    EXPECT_EQ(MelodyLength, 9);
    EXPECT_EQ(MelodyBytes(), std::vector<std::uint8_t>(9, 76));
    EXPECT_TRUE(form->StopMusic()->isEnabled());
    EXPECT_TRUE(form->Timer()->IsEnabled());
    EXPECT_FALSE(form->Compose()->isEnabled());
    EXPECT_FALSE(form->Draw()->isEnabled());
    EXPECT_EQ(InteractionMode, ModeIdle);
    EXPECT_EQ(PlayPosition, 0);
    EXPECT_TRUE(messages->Texts().empty());

    std::vector<std::uint32_t> words;
    for (const auto& call : recording_midi::AcceptedCalls()) {
        if (call.kind == recording_midi::Kind::ShortMsg)
            words.push_back(call.word);
    }
    EXPECT_EQ(words, (std::vector<std::uint32_t>{ProgramChangeWord(88, 0), ProgramChangeWord(46, 1)}));
    EXPECT_TRUE(recording_midi::IsOpen());
    for (int x = 10; x <= 18; ++x)
        EXPECT_EQ(OutlineGrid[x][10], 0) << "visited cell " << x;
    EXPECT_EQ(OutlineGrid[19][10], OutlineWhite) << "the cell pushed last is not yet visited";
}

TEST_F(WalkTest, WithoutADeviceTheWalkStillStartsASilentPiece)
{
    recording_midi::SetDeviceCount(0);
    ComposeOn(Row(10, 10, 30), "8");
    PressAt(10, 10);
    EXPECT_EQ(messages->Texts(), std::vector<std::string>{"使用できるMIDIデバイスがありません．"});
    EXPECT_TRUE(form->Timer()->IsEnabled());
    EXPECT_TRUE(form->StopMusic()->isEnabled());
    EXPECT_TRUE(recording_midi::AcceptedCalls().size() == 1) << "only the device count was asked";
}

// Random outlines of thin curves and specks, walked from random points.
TEST_F(WalkTest, RandomWalksKeepTheirInvariants)
{
    std::mt19937 random(20261207);
    int completedWalks = 0;
    int failedWalks = 0;
    for (int round = 0; round < 150; ++round) {
        SetUp();
        std::vector<std::pair<int, int>> cells;
        std::uniform_int_distribution<int> coordinate(0, 399);
        std::uniform_int_distribution<int> direction(0, 7);
        for (int curve = 0; curve < 6; ++curve) {
            int x = coordinate(random);
            int y = coordinate(random);
            for (int i = 0; i < 400; ++i) {
                cells.emplace_back(x, y);
                const Step s = DirectionSteps[direction(random)];
                x = std::clamp(x + s.dx, 0, 399);
                y = std::clamp(y + s.dy, 0, 399);
            }
        }
        const int length = std::uniform_int_distribution<int>(8, 800)(random);
        ComposeOn(cells, QString::number(length));
        const Grid before = OutlineGrid;
        const auto [sx, sy] = cells[std::uniform_int_distribution<std::size_t>(0, cells.size() - 1)(random)];
        PressAt(sx, sy);

        const bool completed = messages->Texts().empty();
        ++(completed ? completedWalks : failedWalks);
        if (completed) {
            ASSERT_EQ(MelodyLength, length + 1) << "round " << round;
            for (int i = 0; i < MelodyLength; ++i)
                ASSERT_TRUE(Melody[i] >= 72 && Melody[i] <= 84) << "round " << round << " byte " << i;
        } else {
            ASSERT_EQ(messages->Texts(), std::vector<std::string>{WalkFailedMessage}) << "round " << round;
            ASSERT_EQ(PathTop, 0);
            ASSERT_EQ(InteractionMode, ModeStartPoint);
        }

        // Each move enters a new cell: the start and every cell moved into are
        // consumed and red, except one pushed by the very last step.
        const int moves = (MelodyLength + PathTop) / 2;
        const bool lastPushedUnvisited = OutlineGrid[PathX[PathTop]][PathY[PathTop]] == OutlineWhite;
        int consumed = 0;
        for (int x = 0; x < PictureSide; ++x) {
            for (int y = 0; y < PictureSide; ++y) {
                if (before[x][y] == OutlineWhite && OutlineGrid[x][y] == 0) {
                    ++consumed;
                    ASSERT_EQ(form->Area()->Pixel(x, y), Red) << "round " << round << " cell " << x << ", " << y;
                }
                ASSERT_TRUE(OutlineGrid[x][y] == 0 || before[x][y] == OutlineWhite) << "nothing is marked anew";
            }
        }
        ASSERT_EQ(consumed, moves + 1 - (lastPushedUnvisited ? 1 : 0)) << "round " << round << ": a cell entered twice";
        for (int i = 1; i <= PathTop; ++i) {
            ASSERT_LE(std::abs(PathX[i] - PathX[i - 1]), 1) << "round " << round;
            ASSERT_LE(std::abs(PathY[i] - PathY[i - 1]), 1) << "round " << round;
        }
        TearDown();
    }
    EXPECT_GT(completedWalks, 10) << "the rounds should cover completed walks";
    EXPECT_GT(failedWalks, 10) << "and failed ones";
}
