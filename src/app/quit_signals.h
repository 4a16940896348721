#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <optional>

// SIGINT, SIGTERM and SIGHUP as a request to quit. A signal handler may only
// do what is async-signal-safe, so it writes the signal's number into a pipe
// that its owner reads later. A signal the program was started with ignored
// (under nohup) stays ignored. One at a time: the handler finds the pipe in
// the one place a handler can reach, which this unit alone writes.
class QuitSignals
{
public:
    QuitSignals();
    // Puts back the handling it found.
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // The pipe's end to watch; -1 when no pipe could be made.
    int ReadEnd() const { return readEnd_; }
    // The last signal that arrived since the last call, if any; never blocks.
    std::optional<int> Take();

private:
    static constexpr int SignalCount = 3;  // SIGINT, SIGTERM, SIGHUP
    int readEnd_ = -1;
    int writeEnd_ = -1;
    struct sigaction previous_[SignalCount] = {};
    bool installed_[SignalCount] = {};
};

// The same for an event loop: quitRequested once one of the signals arrived.
class QuitSignalNotifier : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignalNotifier(QObject* parent = nullptr);

signals:
    void quitRequested(int signal);

private:
    QuitSignals pipe_;
    QSocketNotifier notifier_;
};

// Runs work that must not be cut short (a file being replaced) with the
// signals held off, then lets one that came meanwhile act as it would have.
template <typename Work>
auto WithQuitSignalsHeld(Work&& work)
{
    std::optional<int> arrived;
    auto result = [&] {
        QuitSignals held;
        auto done = work();
        arrived = held.Take();
        return done;
    }();
    if (arrived)
        std::raise(*arrived);
    return result;
}
