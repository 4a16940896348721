#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writes data to path through a temporary file that is renamed into place
// only once complete, so a failure (a folder that cannot be written, a full
// disk) leaves no partial file behind. Returns the reason on failure.
std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& data);
