// The built program, as the desktop or a terminal ends it.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

TEST(Program, EachQuitSignalEndsAPlayingWindowAsQuitDoes)
{
    QTemporaryDir folder;
    std::ofstream(folder.filePath(QStringLiteral("place.velmora")).toStdString())
        << R"({"velmora": 1, "view": {"xMin": "-2", "xMax": "0.7", "yMin": "-1.4", "yMax": "1.3"},
              "iterations": 100, "length": 400, "start": {"x": 189, "y": 178}})";
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.start(QStringLiteral(VELMORA_PROGRAM), {QStringLiteral("place.velmora")});
        // Sent once /proc says the window catches it.
        QFile status(QStringLiteral("/proc/%1/status").arg(program.waitForStarted() ? program.processId() : 0));
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
            status.close();
            const qsizetype at = text.indexOf("SigCgt:");
            return at >= 0 && (text.mid(at + 7, 18).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
        }, 30000)) << strsignal(signal);
        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(10000)) << strsignal(signal);
        EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0) << strsignal(signal);
    }
}
