// However a piece ends, no note may be left sounding: the output is
// silenced and closed, and nothing follows.

#include "e2e_support.h"
#include "reference_music.h"
#include "session.h"

#include "main_window.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

enum class Ending { ByItself, StopMusic, Quit, WindowClose };

struct EndingCase
{
    Ending ending;
    const char* name;
    int ticksBefore;  // ticks played before the ending
};

// 13 notes strike their second chord at tick 9, due for release at 15:
// after the piece, so only the silencing at its end can stop it.
const EndingCase Endings[] = {
    {Ending::ByItself, "ByItself", 13},
    {Ending::StopMusic, "StopMusic", 10},
    {Ending::Quit, "Quit", 10},
    {Ending::WindowClose, "WindowClose", 10},
};

void PrintTo(const EndingCase& c, std::ostream* out)
{
    *out << c.name;
}

class PieceEnding : public ::testing::TestWithParam<EndingCase>
{
};

TEST_P(PieceEnding, LeavesNoNoteSoundingAndNothingAfter)
{
    const EndingCase& c = GetParam();
    Session session(Session::WithWindow::Yes);
    MainWindow& window = session.Window();
    session.DrawAndTrace(0);
    session.controller.Compose();
    window.LengthBox()->setText(QStringLiteral("12"));
    const auto start = e2e::StartOfAVariedWalk(session.controller.Outline(), 12, 3);
    ASSERT_TRUE(start);
    const auto melody = reference::MelodyOf(reference::WalkFrom(session.controller.Outline(), *start, 12).directions);
    session.controller.Press(float(start->x), float(start->y));
    ASSERT_TRUE(session.controller.Timer().IsEnabled()) << "the piece should have started";
    ASSERT_EQ(session.controller.Melody(), melody);

    for (int k = 0; k < c.ticksBefore; ++k)
        session.controller.Tick();
    reference::SoundingNotes sounding;
    sounding.HearAll(session.output.Calls());
    EXPECT_FALSE(sounding.Now().empty()) << "a chord still sounds just before the end";

    int ticks = c.ticksBefore;
    switch (c.ending) {
    case Ending::ByItself:
        session.controller.Tick();
        ++ticks;
        break;
    case Ending::StopMusic: QTest::mouseClick(window.StopMusicButton(), Qt::LeftButton); break;
    case Ending::Quit: QTest::mouseClick(window.QuitButton(), Qt::LeftButton); break;
    case Ending::WindowClose: EXPECT_TRUE(window.close()) << "the window may always be closed"; break;
    }

    const bool left = c.ending == Ending::Quit || c.ending == Ending::WindowClose;
    EXPECT_EQ(window.isVisible(), !left);
    EXPECT_EQ(session.controller.HasQuit(), left);
    EXPECT_EQ(session.controller.Offered().draw, !left) << "a piece that ends in the program offers Draw again";
    EXPECT_FALSE(session.controller.Offered().stopMusic);
    EXPECT_FALSE(session.controller.Timer().IsEnabled());
    EXPECT_FALSE(session.output.IsOpen());

    const auto expected = reference::PieceCalls(melody, ticks);
    const auto heard = reference::CallsOf(session.output.Calls());
    EXPECT_EQ(heard, expected);
    reference::SoundingNotes after;
    after.HearAll(session.output.Calls());
    EXPECT_TRUE(after.Now().empty() && after.LeftAtClose().empty()) << "every note is silenced before the close";

    const std::size_t calls = session.output.Calls().size();
    QTest::qWait(250);
    EXPECT_EQ(session.output.Calls().size(), calls) << "no tick and no message follow the end";
}

INSTANTIATE_TEST_SUITE_P(EveryEnding, PieceEnding, ::testing::ValuesIn(Endings),
                         [](const ::testing::TestParamInfo<EndingCase>& info) { return std::string(info.param.name); });

} // namespace
