#include "quit_signals.h"

#include <atomic>
#include <cerrno>
#include <iterator>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int QuitSignalNumbers[] = {SIGINT, SIGTERM, SIGHUP};
static_assert(std::size(QuitSignalNumbers) == 3);

// The pipe's write end, for the handler: a signal handler takes no argument
// of ours, so this is the one thing kept outside an object.
std::atomic<int> handlerPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch a lock-free atomic");

void WriteSignalToPipe(int signal)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a request to quit; nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(handlerPipe.load(), &number, 1);
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    handlerPipe = writeEnd_;
    struct sigaction action = {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(QuitSignalNumbers); ++i) {
        const int signal = QuitSignalNumbers[i];
        if (::sigaction(signal, nullptr, &previous_[i]) == 0 && previous_[i].sa_handler != SIG_IGN)
            installed_[i] = ::sigaction(signal, &action, nullptr) == 0;
    }
}

QuitSignals::~QuitSignals()
{
    for (std::size_t i = 0; i < std::size(QuitSignalNumbers); ++i) {
        if (installed_[i])
            ::sigaction(QuitSignalNumbers[i], &previous_[i], nullptr);
    }
    if (readEnd_ < 0)
        return;
    handlerPipe = -1;
    ::close(readEnd_);
    ::close(writeEnd_);
}

std::optional<int> QuitSignals::Take()
{
    std::optional<int> last;
    unsigned char number = 0;
    while (readEnd_ >= 0 && ::read(readEnd_, &number, 1) == 1)
        last = number;
    return last;
}

QuitSignalNotifier::QuitSignalNotifier(QObject* parent)
    : QObject(parent), notifier_(pipe_.ReadEnd(), QSocketNotifier::Read)
{
    notifier_.setEnabled(pipe_.ReadEnd() >= 0);
    connect(&notifier_, &QSocketNotifier::activated, this, [this] {
        if (const auto signal = pipe_.Take())
            emit quitRequested(*signal);
    });
}
