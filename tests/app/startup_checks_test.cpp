#include "preferences.h"
#include "quit_signals.h"
#include "runtime_folder.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(StartupChecks, OnlyARealFolderOfOursServesAsRuntimeFolderAndItIsMadePrivate)
{
    QTemporaryDir scratch;
    const fs::path root = scratch.path().toStdString();
    fs::create_directory(root / "open");
    fs::permissions(root / "open", fs::perms::all);
    std::ofstream(root / "file") << "x";
    fs::create_directory_symlink(root / "open", root / "link");
    const struct { const char* name; bool usable; } rows[] = {{"new", true}, {"open", true}, {"file", false}, {"link", false}};
    for (const auto& [name, usable] : rows) {
        struct stat st;
        ASSERT_EQ(PreparePrivateFolder(root / name), usable) << name;
        EXPECT_TRUE(!usable || (lstat((root / name).c_str(), &st) == 0 && (st.st_mode & 07777) == 0700)) << name;
    }
}

TEST(StartupChecks, ASettingsFileThatWouldBlockOrFloodIsNotRead)
{
    QTemporaryDir scratch;
    const fs::path root = scratch.path().toStdString();
    std::ofstream(root / "small.conf") << "[music]\nkey=2\n";
    std::ofstream(root / "huge.conf").close();
    fs::resize_file(root / "huge.conf", MaxSettingsFileSize + 1);
    ASSERT_EQ(mkfifo((root / "pipe.conf").c_str(), 0600), 0);
    using enum SettingsFileFault;
    const struct { const char* name; SettingsFileFault fault; } rows[] = {
        {"small.conf", None}, {"missing.conf", None}, {"pipe.conf", NotARegularFile}, {"huge.conf", TooLarge}};
    for (const auto& [name, fault] : rows)
        EXPECT_EQ(CheckSettingsFile(QString::fromStdString(root / name)), fault) << name;
}

TEST(QuitSignals, EachSignalAsksToQuitUnlessStartedIgnoredAndItsOldHandlingComesBack)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        {
            QuitSignalNotifier notifier;
            QSignalSpy requests(&notifier, &QuitSignalNotifier::quitRequested);
            std::raise(signal);
            ASSERT_TRUE(requests.wait(2000)) << strsignal(signal);
            EXPECT_EQ(requests.front().front().toInt(), signal);
        }
        struct sigaction now;
        EXPECT_TRUE(sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) << strsignal(signal);
    }
    std::signal(SIGHUP, SIG_IGN);  // as under nohup
    QuitSignals ignoring;
    std::raise(SIGHUP);
    EXPECT_FALSE(ignoring.Take()) << "an ignored SIGHUP asked to quit";
    std::signal(SIGHUP, SIG_DFL);
}

TEST(QuitSignalsDeathTest, ASignalDuringHeldWorkWaitsForItsEndThenActs)
{
    const fs::path marker = fs::temp_directory_path() / ("velmora-held-" + std::to_string(getpid()));
    EXPECT_EXIT(WithQuitSignalsHeld([&] { std::raise(SIGTERM); return bool(std::ofstream(marker) << "done"); }),
                testing::KilledBySignal(SIGTERM), "");
    EXPECT_TRUE(fs::remove(marker)) << "the held work was cut short";
}
