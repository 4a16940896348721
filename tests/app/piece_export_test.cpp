#include "controller_rig.h"
#include "file_writing.h"
#include "midi_file_reading.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

namespace {

using app_test::ControllerRig;
using midi_reading::Event;

Event EventOf(int ms, const music::MidiMessage& message)
{
    switch (message.Kind()) {
    case music::NoteOnKind:
        return {ms, "note_on", message.Channel(), message.data1, message.data2};
    case music::NoteOffKind:
        return {ms, "note_off", message.Channel(), message.data1, 0};
    default:
        return {ms, "program_change", message.Channel(), message.data1, 0};
    }
}

QByteArray Bytes(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Lengths 12 and 40 end while a chord still sounds (struck at 9 and 33, its
// release due after the end); length 14 releases its last chord on its last tick.
class PieceExport : public ::testing::TestWithParam<int>
{
};

TEST_P(PieceExport, TheFileHoldsWhatPlaybackSentAtItsTicksAndReleasesWhatStillSounds)
{
    ControllerRig rig;
    rig.controller.SetLengthText(QString::number(GetParam()));
    rig.DrawAndTrace(1);
    EXPECT_FALSE(rig.controller.Offered().exportMelody) << "nothing to export before a piece";
    rig.controller.Compose();
    rig.controller.Press(336, 207);  // the boundary just right of the main cardioid's cusp
    ASSERT_EQ(rig.controller.CurrentState(), State::Playing);
    EXPECT_TRUE(rig.controller.Offered().exportMelody);
    const auto whilePlaying = rig.controller.PieceAsMidiFile();

    // What a listener heard, each message at the time of the tick that sent it.
    std::vector<Event> heard;
    std::map<std::pair<int, int>, int> sounding;
    auto hear = [&](int ms, std::size_t from) {
        const auto& calls = rig.output.Calls();
        for (std::size_t i = from; i < calls.size(); ++i) {
            if (calls[i].kind != RecordingMidiOut::Kind::Send || !calls[i].accepted)
                continue;
            const Event event = EventOf(ms, calls[i].message);
            heard.push_back(event);
            if (event.type == "note_on")
                ++sounding[{event.channel, event.data1}];
            else if (event.type == "note_off" && sounding[{event.channel, event.data1}] > 0)
                --sounding[{event.channel, event.data1}];
        }
    };
    hear(0, 0);
    int tick = 0;
    while (rig.controller.CurrentState() == State::Playing) {
        const std::size_t from = rig.output.Calls().size();
        rig.controller.Tick();
        hear(++tick * 200, from);
    }
    ASSERT_EQ(tick, GetParam() + 2) << "ticks 1 to L + 1 for a melody of L = length + 1 bytes";
    // Playback silenced these with a reset; the file releases them where the piece ends.
    std::vector<Event> expected = heard;
    for (const auto& [note, count] : sounding) {
        for (int i = 0; i < count; ++i)
            expected.push_back({tick * 200, "note_off", note.first, note.second, 0});
    }

    const auto bytes = rig.controller.PieceAsMidiFile();
    EXPECT_EQ(bytes, whilePlaying) << "the same piece while it plays and after it ended";
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("piece.mid"));
    ASSERT_FALSE(WriteFileAtomically(path, Bytes(bytes)));
    const midi_reading::Reading reading = midi_reading::ReadMidiFile(path.toStdString());

    std::vector<Event> read = reading.events;
    std::sort(read.begin(), read.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(read, expected);
    EXPECT_EQ(reading.lengthMs, tick * 200);
    EXPECT_TRUE(rig.controller.Offered().exportMelody) << "still offered after the piece ended";
}

INSTANTIATE_TEST_SUITE_P(Lengths, PieceExport, ::testing::Values(12, 14, 40));

std::string Content(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::size_t Entries(const std::filesystem::path& folder)
{
    return std::size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(AtomicWriting, AFailureGivesTheReasonAndLeavesNothingBehind)
{
    QTemporaryDir folder;
    const std::filesystem::path root = folder.path().toStdString();
    std::ofstream(root / "blocker") << "a file where a folder should be";
    const QString underAFile = folder.filePath(QStringLiteral("blocker/piece.mid"));

    const auto failure = WriteFileAtomically(underAFile, "data");
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->step, WriteFailure::Step::Open);
    EXPECT_EQ(failure->error, ENOTDIR);
    EXPECT_FALSE(std::filesystem::exists(root / "blocker" / "piece.mid"));

    std::filesystem::create_directory(root / "taken");
    ASSERT_TRUE(mkfifo((root / "pipe").c_str(), 0644) == 0);
    for (const char* name : {"taken", "pipe"}) {
        const auto refused = WriteFileAtomically(folder.filePath(QString::fromLatin1(name)), "data");
        ASSERT_TRUE(refused.has_value()) << name << " is not replaced by a file";
        EXPECT_EQ(refused->step, WriteFailure::Step::NotARegularFile) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(root / "taken"));
    EXPECT_TRUE(std::filesystem::is_fifo(root / "pipe"));
    EXPECT_EQ(Entries(root), 3u) << "no temporary file is left";
}

TEST(AtomicWriting, ReplacesAFileWholeAndLeavesNoTemporaryFile)
{
    // The longest names a folder allows leave no room for a temporary name built on them.
    for (const QString& name : {QStringLiteral("picture.png"), QString(246, QLatin1Char('a')) + QStringLiteral(".mid")}) {
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        ASSERT_FALSE(WriteFileAtomically(path, "first version, longer than the second")) << name.size();
        ASSERT_FALSE(WriteFileAtomically(path, "second")) << name.size();
        EXPECT_EQ(Content(path.toStdString()), "second");
        EXPECT_EQ(Entries(folder.path().toStdString()), 1u);
    }
}

// Mounted for the test where it may mount (as root); unmounted at its end.
class FullFileSystem
{
public:
    explicit FullFileSystem(const std::filesystem::path& at)
        : at_(at)
    {
        mounted_ = mount("tmpfs", at.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~FullFileSystem()
    {
        if (mounted_)
            umount2(at_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
};

// Small files are where Qt's QSaveFile only buffered, then renamed an empty
// file over the old one when the flush failed. A real full disk where a
// tmpfs can be mounted (as root); elsewhere write(2) takes half the data,
// then reports ENOSPC.
TEST(AtomicWriting, OnAFullDiskTheOldFileSurvivesByteForByteAndTheReasonIsNamed)
{
    QTemporaryDir folder;
    const std::filesystem::path root = folder.path().toStdString();
    const FullFileSystem disk(root);
    const std::string old = "MThd old melody, to be kept";
    std::ofstream(root / "old.mid", std::ios::binary) << old;
    WriteCall writeCall = nullptr;
    if (disk.Mounted()) {
        std::ofstream filler(root / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
        }
    } else {
        writeCall = [](int fd, const void* data, size_t size) -> ssize_t {
            if (size < 2) {
                errno = ENOSPC;
                return -1;
            }
            return write(fd, data, size / 2);
        };
    }
    const std::size_t entries = Entries(root);
    for (const qsizetype size : {qsizetype(200), qsizetype(6 * 1024), qsizetype(40 * 1024)}) {
        const auto failure =
            WriteFileAtomically(QString::fromStdString((root / "old.mid").string()), QByteArray(size, 'x'), writeCall);
        ASSERT_TRUE(failure.has_value()) << size << " bytes written to a full disk";
        EXPECT_EQ(failure->step, WriteFailure::Step::Write) << size;
        EXPECT_EQ(failure->error, ENOSPC) << size;
        EXPECT_LT(failure->written, size);
        EXPECT_EQ(Content(root / "old.mid"), old) << size;
        EXPECT_EQ(Entries(root), entries) << "no temporary file is left after " << size << " bytes";
    }
}

} // namespace
