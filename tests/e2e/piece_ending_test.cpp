#include "e2e_support.h"
#include "reference_music.h"
#include "window_fixture.h"

#include "music_timer.h"
#include "recording_midi.h"
#include "shared_state.h"

#include <QPushButton>
#include <QTest>

#include <ostream>
#include <string>
#include <vector>

namespace {

using recording_midi::Kind;

enum class Ending
{
    ByItself,
    StopMusic,
    Quit,
    WindowClose,
};

std::string NameOf(Ending ending)
{
    switch (ending) {
    case Ending::ByItself: return "ByItself";
    case Ending::StopMusic: return "StopMusic";
    case Ending::Quit: return "Quit";
    case Ending::WindowClose: return "WindowClose";
    }
    return "Unknown";
}

void PrintTo(Ending ending, std::ostream* out)
{
    *out << NameOf(ending);
}

// The (channel, note) pairs struck and not yet released when the call at `end` comes.
std::vector<std::pair<int, int>> SoundingBefore(const std::vector<recording_midi::Call>& calls, std::size_t end)
{
    std::vector<std::pair<int, int>> sounding;
    for (std::size_t i = 0; i < end; ++i) {
        const auto& call = calls[i];
        if (call.kind == Kind::Reset) {
            sounding.clear();
            continue;
        }
        if (call.kind != Kind::ShortMsg)
            continue;
        const std::pair<int, int> key{static_cast<int>(call.word & 0x0F), static_cast<int>((call.word >> 8) & 0x7F)};
        if ((call.word & 0xF0) == 0x90)
            sounding.push_back(key);
        else if ((call.word & 0xF0) == 0x80)
            std::erase(sounding, key);
    }
    return sounding;
}

class PieceEnding : public WindowFixture, public ::testing::WithParamInterface<Ending>
{
};

// A piece of 13 bytes strikes its second chord at position 9; that chord's
// release would be due at 15, after the piece, so only the reset can end it.
TEST_P(PieceEnding, LeavesNoNoteSoundingOnceTheOutputCloses)
{
    DrawAndTrace(0);
    Click(form->Compose());
    TypeLength(QStringLiteral("12"));
    const auto start = e2e::StartOfAVariedWalk(OutlineGrid, 12, 3);
    ASSERT_TRUE(start) << "the default outline holds a walk of 12 steps";
    PressAt(start->x, start->y);
    ASSERT_TRUE(form->Timer()->IsEnabled()) << "the walk should complete and the piece begin";
    ASSERT_EQ(MelodyLength, 13) << "a length of 12 gives 13 melody bytes";

    switch (GetParam()) {
    case Ending::ByItself:
        ASSERT_TRUE(e2e::WaitUntil([&] { return !form->StopMusic()->isEnabled(); }, 14 * 200 + 10000))
            << "the piece should end by itself after 14 ticks";
        EXPECT_EQ(PlayPosition, 13) << "the piece ran to its last position";
        EXPECT_TRUE(form->Draw()->isEnabled()) << "the end of the piece brings Draw back";
        EXPECT_FALSE(form->StopMusic()->isEnabled()) << "the end of the piece takes Stop Music away";
        break;
    case Ending::StopMusic:
        ASSERT_TRUE(e2e::WaitUntil([] { return PlayPosition >= 10; }, 10 * 200 + 10000)) << "ten ticks should come";
        Click(form->StopMusic());
        EXPECT_TRUE(form->Draw()->isEnabled()) << "Stop Music brings Draw back";
        EXPECT_FALSE(form->StopMusic()->isEnabled()) << "Stop Music disables itself";
        break;
    case Ending::Quit:
        ASSERT_TRUE(e2e::WaitUntil([] { return PlayPosition >= 10; }, 10 * 200 + 10000)) << "ten ticks should come";
        Click(form->Quit());
        EXPECT_TRUE(form->IsUnloaded()) << "Quit unloads the window";
        EXPECT_FALSE(form->isVisible()) << "Quit closes the window";
        break;
    case Ending::WindowClose:
        ASSERT_TRUE(e2e::WaitUntil([] { return PlayPosition >= 10; }, 10 * 200 + 10000)) << "ten ticks should come";
        EXPECT_TRUE(form->close()) << "the window accepts being closed";
        EXPECT_FALSE(form->isVisible()) << "the window is gone";
        break;
    }

    EXPECT_FALSE(form->Timer()->IsEnabled()) << "no timer runs once the piece has ended";
    EXPECT_FALSE(recording_midi::IsOpen()) << "the output is closed once the piece has ended";

    const auto accepted = recording_midi::AcceptedCalls();
    ASSERT_GE(accepted.size(), 2u);
    EXPECT_EQ(accepted.end()[-2].kind, Kind::Reset) << "the output is reset as the piece ends";
    EXPECT_EQ(accepted.end()[-1].kind, Kind::Close) << "and closed right after the reset";
    EXPECT_FALSE(SoundingBefore(accepted, accepted.size() - 2).empty())
        << "a chord still sounds when the piece ends, so the reset is what silences it";
    const auto hanging = reference::NotesLeftSoundingAtClose(accepted);
    EXPECT_TRUE(hanging.empty()) << "every note struck is released or reset before the close; "
                                 << hanging.size() << " left sounding, the first note "
                                 << (hanging.empty() ? 0 : hanging.front().note);

    const std::size_t callsAtEnd = recording_midi::Calls().size();
    QTest::qWait(450);
    EXPECT_EQ(recording_midi::Calls().size(), callsAtEnd) << "no tick and no message follow the end";
}

INSTANTIATE_TEST_SUITE_P(EveryWayOfEnding, PieceEnding,
                         ::testing::Values(Ending::ByItself, Ending::StopMusic, Ending::Quit, Ending::WindowClose),
                         [](const ::testing::TestParamInfo<Ending>& info) { return NameOf(info.param); });

} // namespace
