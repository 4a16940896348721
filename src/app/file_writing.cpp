#include "file_writing.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A name of its own beside the target, created exclusively; the umask
// applies to a new file's permissions as it would to the target's.
int CreateTemporary(const QByteArray& target, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

QString WriteFailureMessage(const WriteFailure& failure)
{
    const QString reason = qt_error_string(failure.error);
    switch (failure.step) {
    case WriteFailure::Step::NotARegularFile:
        return QCoreApplication::translate(
            "MainWindow", "It is not a regular file (it may be a folder, a pipe or a device), so it was not replaced.");
    case WriteFailure::Step::Write:
        return QCoreApplication::translate("MainWindow", "Only %1 of %2 bytes could be written: %3")
            .arg(failure.written)
            .arg(failure.size)
            .arg(reason);
    case WriteFailure::Step::Open:
    case WriteFailure::Step::Sync:
    case WriteFailure::Step::Replace:
        break;
    }
    return reason;
}

bool IsDanglingLink(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    return ::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::stat(name.constData(), &st) != 0;
}

std::optional<WriteFailure> WriteFileAtomically(const QString& path, const QByteArray& data, WriteCall writeCall)
{
    using Step = WriteFailure::Step;
    QByteArray target = QFile::encodeName(path);
    struct stat st;
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return WriteFailure{Step::NotARegularFile};
    if (exists) {
        // Through a link to the file it leads to, so the link stays a link.
        if (char* resolved = ::realpath(target.constData(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
        if (::access(target.constData(), W_OK) != 0)
            return WriteFailure{Step::Open, errno};
    }

    QByteArray temporary;
    int fd = CreateTemporary(target, temporary);
    if (fd < 0)
        return WriteFailure{Step::Open, errno};
    // Until the rename the target is untouched; a failure only removes the temporary file.
    const auto discard = [&](Step step, qint64 written = 0) {
        const WriteFailure failure{step, errno, written, data.size()};
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.constData());
        return failure;
    };
    if (exists)
        (void)::fchmod(fd, st.st_mode & 07777);
    if (!writeCall)
        writeCall = ::write;
    // write(2) may take less than it was given; only an error stops the loop.
    qint64 written = 0;
    while (written < data.size()) {
        const ssize_t n = writeCall(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;  // bytes refused without an error: no room for them
            return discard(Step::Write, written);
        }
        written += n;
    }
    if (::fsync(fd) != 0)
        return discard(Step::Sync);
    // Some file systems report a failed write only when the file is closed.
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return discard(Step::Sync);
    if (::rename(temporary.constData(), target.constData()) != 0)
        return discard(Step::Replace);
    return std::nullopt;
}
