#pragma once

#include <sys/types.h>

// The program's own file steps (the write, sync and rename that put the
// invoice counter and the posting marker in place) run through the harness:
// it links them wrapped (ld --wrap), so that a fault can strike them as it
// strikes SQLite's. The harness's own records go straight to the system.
extern "C" {
ssize_t __real_write(int fd, const void *data, size_t size);
int __real_fsync(int fd);
}

namespace pusla::harness {

/// Called after each rename of the program's that succeeded, with the name
/// the file now has: the posting marker is in place from then on.
using RenameWatcher = void (*)(const char *to);
void watchRenames(RenameWatcher watcher);

} // namespace pusla::harness
