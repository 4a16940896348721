#pragma once

#include "file_replacement.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <optional>

// Why a file could not be written, for the window to put into words.
using WriteFailure = music::FileFailure;

// write(2), replaceable so a test can make the disk fail.
using WriteCall = ssize_t (*)(int fd, const void* data, size_t size);

// Writes data to path as a music::FileReplacement does: whole, or not at all.
std::optional<WriteFailure> WriteFileAtomically(const QString& path, const QByteArray& data,
                                                WriteCall writeCall = nullptr);

// The failure in the user's words.
QString WriteFailureMessage(const WriteFailure& failure);

// A symbolic link whose destination does not exist; file dialogs do not ask
// before such a link is replaced.
bool IsDanglingLink(const QString& path);
