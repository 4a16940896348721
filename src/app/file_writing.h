#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <optional>

// Why a file could not be written: the step that failed and the system's
// error number, for the window to put into words.
struct WriteFailure
{
    enum class Step
    {
        NotARegularFile,  // something else (a folder, a FIFO, a device) is in the way
        Open,             // the temporary file could not be created, or the file is not writable
        Write,            // written bytes of size reached the temporary file
        Sync,             // the data could not be flushed to the disk
        Replace,          // the complete temporary file could not be renamed into place
    };
    Step step;
    int error = 0;  // errno of the failed call
    qint64 written = 0;
    qint64 size = 0;
};

// write(2), replaceable so a test can make the disk fail.
using WriteCall = ssize_t (*)(int fd, const void* data, size_t size);

// Writes data to path through a temporary file in the same folder that is
// written, synced to the disk and only then renamed into place, so a failure
// (a folder that cannot be written, a full disk) leaves the old file as it
// was and no partial file behind. A link to a regular file is written
// through; a link that leads nowhere is itself replaced.
std::optional<WriteFailure> WriteFileAtomically(const QString& path, const QByteArray& data,
                                                WriteCall writeCall = nullptr);

// The failure in the user's words.
QString WriteFailureMessage(const WriteFailure& failure);

// A symbolic link whose destination does not exist; file dialogs do not ask
// before such a link is replaced.
bool IsDanglingLink(const QString& path);
