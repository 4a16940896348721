#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace music {

// Why a file could not be replaced: the step that failed and the system's
// error number, for the caller to put into words.
struct FileFailure
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
    std::int64_t written = 0;
    std::int64_t size = 0;
};

// The new contents of a file, written to a temporary file beside it that
// replaces it only once it is complete and on the disk, so a failure (a
// folder that cannot be written, a full disk) leaves the old file as it was
// and nothing behind. A link to a regular file is written through; a link
// that leads nowhere is itself replaced. The old file's permissions are
// kept; a new file gets the umask's.
class FileReplacement
{
public:
    explicit FileReplacement(const std::string& target);
    // Removes the temporary file unless it has replaced the target.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // What kept the temporary file from being made, if anything.
    const std::optional<FileFailure>& Failure() const { return failure_; }
    // The temporary file, open for writing; -1 after a failure.
    int Descriptor() const { return fd_; }
    // Flushes the temporary file to the disk, closes it and renames it over the target.
    std::optional<FileFailure> Commit();

private:
    std::optional<FileFailure> Discard(FileFailure::Step step);

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    std::optional<FileFailure> failure_;
};

} // namespace music
