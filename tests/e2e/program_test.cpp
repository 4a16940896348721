// The built program as a user starts it: refusals on the command line, and
// the signals that end it.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace {

constexpr auto Place = R"({"velmora": 1, "view": {"xMin": "-2", "xMax": "0.7", "yMin": "-1.4", "yMax": "1.3"},
  "iterations": 100, "length": 400, "start": {"x": 189, "y": 178}})";

// No display and no runtime folder named, as on a server or under su.
QProcess* Start(const QTemporaryDir& folder, const QStringList& arguments, const QString& platform = {})
{
    auto* program = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        environment.remove(QString::fromLatin1(name));
    if (!platform.isEmpty())
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    environment.insert(QStringLiteral("HOME"), folder.path());
    program->setProcessEnvironment(environment);
    program->setWorkingDirectory(folder.path());
    program->start(QStringLiteral(VELMORA_PROGRAM), arguments);
    return program;
}

TEST(Program, RefusesWhatItCannotDoInOneLineAndWritesNothing)
{
    QTemporaryDir folder;
    std::ofstream(folder.filePath(QStringLiteral("place.velmora")).toStdString()) << Place;
    QFile::link(folder.filePath(QStringLiteral("gone/x.mid")), folder.filePath(QStringLiteral("dangling.mid")));
    const struct { QStringList arguments; const char* said; } rows[] = {
        {{}, "--picture and --midi work without one"},
        {{"--picture", "", "place.velmora"}, "--picture needs the name of a file"},
        {{"--midi=", "place.velmora"}, "--midi needs the name of a file"},
        {{"--midi", "dangling.mid", "place.velmora"}, "dangling.mid is a symbolic link that leads nowhere"}};
    for (const auto& row : rows) {
        std::unique_ptr<QProcess> program(Start(folder, row.arguments));
        ASSERT_TRUE(program->waitForFinished(30000)) << row.said;
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit) << row.said;
        EXPECT_NE(program->exitCode(), 0) << row.said;
        const QString said = QString::fromLocal8Bit(program->readAllStandardError());
        EXPECT_TRUE(said.contains(QLatin1String(row.said)) && said.count(QLatin1Char('\n')) == 1) << said.toStdString();
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System),
              QStringList({"dangling.mid", "place.velmora"}));
}

TEST(Program, EachQuitSignalEndsAPlayingWindowAsQuitDoes)
{
    QTemporaryDir folder;
    std::ofstream(folder.filePath(QStringLiteral("place.velmora")).toStdString()) << Place;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::unique_ptr<QProcess> program(Start(folder, {QStringLiteral("place.velmora")}, QStringLiteral("offscreen")));
        ASSERT_TRUE(program->waitForStarted());
        // Caught signals show in SigCgt once the window's handlers are in place.
        const auto caught = [&] {
            QFile status(QStringLiteral("/proc/%1/status").arg(program->processId()));
            const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
            const qsizetype at = text.indexOf("SigCgt:");
            return at >= 0 && (text.mid(at + 7, 18).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
        };
        ASSERT_TRUE(QTest::qWaitFor(caught, 30000)) << strsignal(signal);
        ::kill(pid_t(program->processId()), signal);
        ASSERT_TRUE(program->waitForFinished(10000)) << strsignal(signal);
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit) << strsignal(signal);
        EXPECT_EQ(program->exitCode(), 0) << strsignal(signal);
    }
}

} // namespace
