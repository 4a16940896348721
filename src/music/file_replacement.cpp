#include "file_replacement.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace music {

namespace {

constexpr int NameAttempts = 100;

// A short hidden name of its own in the target's folder, created
// exclusively: a name built on the target's would not fit when the target's
// already comes close to the longest a folder allows. The umask applies to a
// new file's permissions as it would to the target's.
int CreateTemporary(const std::string& target, std::string& name)
{
    const std::string folder = target.substr(0, target.find_last_of('/') + 1);
    std::random_device seed;
    std::mt19937_64 random(seed());
    char unique[17];
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        std::snprintf(unique, sizeof unique, "%016llx", static_cast<unsigned long long>(random()));
        name = folder + ".velmora-" + unique + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

FileReplacement::FileReplacement(const std::string& target) : target_(target)
{
    using Step = FileFailure::Step;
    struct stat st;
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        failure_ = FileFailure{Step::NotARegularFile};
        return;
    }
    if (exists) {
        // Through a link to the file it leads to, so the link stays a link.
        if (char* resolved = ::realpath(target_.c_str(), nullptr)) {
            target_ = resolved;
            std::free(resolved);
        }
        if (::access(target_.c_str(), W_OK) != 0) {
            failure_ = FileFailure{Step::Open, errno};
            return;
        }
    }
    fd_ = CreateTemporary(target_, temporary_);
    if (fd_ < 0) {
        failure_ = FileFailure{Step::Open, errno};
        temporary_.clear();
        return;
    }
    if (exists)
        (void)::fchmod(fd_, st.st_mode & 07777);
}

FileReplacement::~FileReplacement()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

std::optional<FileFailure> FileReplacement::Discard(FileFailure::Step step)
{
    // Until the rename the target is untouched; a failure only removes the temporary file.
    const FileFailure failure{step, errno};
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return failure;
}

std::optional<FileFailure> FileReplacement::Commit()
{
    using Step = FileFailure::Step;
    if (failure_)
        return failure_;
    if (::fsync(fd_) != 0)
        return Discard(Step::Sync);
    // Some file systems report a failed write only when the file is closed.
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        return Discard(Step::Sync);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return Discard(Step::Replace);
    temporary_.clear();
    return std::nullopt;
}

} // namespace music
