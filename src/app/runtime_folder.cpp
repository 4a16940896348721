#include "runtime_folder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool PreparePrivateFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    // Checked through the opened folder itself, so nothing can be swapped in
    // between the check and the change of mode.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool usable = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    if (usable && (st.st_mode & 07777) != 0700)
        usable = ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return usable;
}

void SetRuntimeFolderWhereUnset()
{
    const char* current = std::getenv("XDG_RUNTIME_DIR");
    if (current && *current)
        return;
    const char* temporary = std::getenv("TMPDIR");
    const std::string folder = std::string(temporary && *temporary ? temporary : "/tmp") + "/velmora-runtime-"
                               + std::to_string(::geteuid());
    // Otherwise Qt's own fallback and its warning stay as they were.
    if (PreparePrivateFolder(folder))
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}
