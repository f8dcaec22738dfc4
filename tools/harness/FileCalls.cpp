#include "FileCalls.h"

#include "CrashVfs.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

using pusla::harness::fileStepFails;

namespace {
pusla::harness::RenameWatcher g_renameWatcher = nullptr;
} // namespace

void pusla::harness::watchRenames(RenameWatcher watcher)
{
    g_renameWatcher = watcher;
}

extern "C" {

int __real_rename(const char *from, const char *to);

int __wrap_rename(const char *from, const char *to)
{
    if (fileStepFails("rename")) {
        errno = EIO;
        return -1;
    }
    const int result = __real_rename(from, to);
    if (result == 0 && g_renameWatcher)
        g_renameWatcher(to);
    return result;
}

int __wrap_fsync(int fd)
{
    if (fileStepFails("fsync")) {
        errno = EIO;
        return -1;
    }
    return __real_fsync(fd);
}

ssize_t __wrap_write(int fd, const void *data, size_t size)
{
    if (fileStepFails("file write")) {
        errno = EIO;
        return -1;
    }
    return __real_write(fd, data, size);
}
}
