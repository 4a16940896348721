#include "preferences.h"
#include "runtime_folder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

TEST(StartupChecks, TheRuntimeFolderIsARealFolderOfOursThatOnlyWeEnter)
{
    QTemporaryDir scratch;
    const fs::path root = scratch.path().toStdString();
    fs::create_directory(root / "open");
    fs::permissions(root / "open", fs::perms::all);
    std::ofstream(root / "file") << "x";
    fs::create_directory_symlink(root / "open", root / "link");
    const struct { const char* name; bool usable; } rows[] = {
        {"new", true}, {"open", true}, {"file", false}, {"link", false}};
    for (const auto& row : rows) {
        ASSERT_EQ(PreparePrivateFolder(root / row.name), row.usable) << row.name;
        struct stat st;
        if (row.usable) {
            ASSERT_EQ(lstat((root / row.name).c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0700u) << row.name << " is not private";
        }
    }
}

TEST(StartupChecks, ASettingsFileThatWouldBlockOrFloodIsNotRead)
{
    QTemporaryDir scratch;
    const fs::path root = scratch.path().toStdString();
    std::ofstream(root / "small.conf") << "[music]\nkey=2\n";
    ASSERT_EQ(mkfifo((root / "pipe.conf").c_str(), 0600), 0);
    fs::create_directory(root / "folder.conf");
    std::ofstream(root / "huge.conf").close();
    fs::resize_file(root / "huge.conf", MaxSettingsFileSize + 1);
    const struct { const char* name; SettingsFileFault fault; } rows[] = {
        {"small.conf", SettingsFileFault::None},         {"missing.conf", SettingsFileFault::None},
        {"pipe.conf", SettingsFileFault::NotARegularFile}, {"folder.conf", SettingsFileFault::NotARegularFile},
        {"huge.conf", SettingsFileFault::TooLarge}};
    for (const auto& row : rows)
        EXPECT_EQ(CheckSettingsFile(QString::fromStdString(root / row.name)), row.fault) << row.name;
}

} // namespace
