#include "quit_signals.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

constexpr int QuitSignalNumbers[] = {SIGINT, SIGTERM, SIGHUP};

TEST(QuitSignals, EachSignalBecomesAQuitRequestAndItsOldHandlingComesBack)
{
    for (const int signal : QuitSignalNumbers) {
        {
            QuitSignalNotifier notifier;
            QSignalSpy requests(&notifier, &QuitSignalNotifier::quitRequested);
            std::raise(signal);
            ASSERT_TRUE(requests.wait(2000)) << strsignal(signal) << " did not ask to quit";
            EXPECT_EQ(requests.front().front().toInt(), signal);
        }
        struct sigaction now;
        ASSERT_EQ(sigaction(signal, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << strsignal(signal) << " kept the quit handler";
    }
}

TEST(QuitSignals, ASignalStartedIgnoredStaysIgnored)
{
    std::signal(SIGHUP, SIG_IGN);
    QuitSignals pipe;
    std::raise(SIGHUP);
    EXPECT_FALSE(pipe.Take().has_value());
    std::signal(SIGHUP, SIG_DFL);
}

TEST(QuitSignalsDeathTest, ASignalDuringHeldWorkWaitsForItsEndThenActs)
{
    const auto marker = std::filesystem::temp_directory_path() / ("velmora-held-" + std::to_string(getpid()));
    EXPECT_EXIT(WithQuitSignalsHeld([&] {
                    std::raise(SIGTERM);
                    return bool(std::ofstream(marker) << "finished");
                }),
                testing::KilledBySignal(SIGTERM), "");
    EXPECT_TRUE(std::filesystem::exists(marker)) << "the work was cut short";
    std::filesystem::remove(marker);
}

} // namespace
