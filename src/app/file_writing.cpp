#include "file_writing.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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
    music::FileReplacement file(QFile::encodeName(path).toStdString());
    if (file.Failure())
        return file.Failure();
    if (!writeCall)
        writeCall = ::write;
    // write(2) may take less than it was given; only an error stops the loop.
    qint64 written = 0;
    while (written < data.size()) {
        const ssize_t n = writeCall(file.Descriptor(), data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;  // bytes refused without an error: no room for them
            return WriteFailure{WriteFailure::Step::Write, errno, written, data.size()};
        }
        written += n;
    }
    return file.Commit();
}
