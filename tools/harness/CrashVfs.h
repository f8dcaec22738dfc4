#pragma once

#include <QtGlobal>

namespace pusla::harness {

/// Puts a file layer under SQLite that counts the file operations that change
/// disk state (write, sync, truncate, delete) while armed, and ends the
/// process before the chosen one runs: every state a multi-file commit passes
/// through on disk is then one crash point. Install before the first
/// connection opens; it becomes SQLite's default.
void installCrashVfs();

/// What befalls the chosen file operation.
enum class FileFault {
    /// The process ends; what it wrote is with the operating system and reaches the disk.
    Crash,
    /// The machine loses power: the process ends, and every sector a file had
    /// written since its last sync keeps its new bytes, gets its old ones back
    /// or turns to garbage in the bytes written (no sector is written twice as
    /// SQLite's own crash tests model it; a file that grew may lose the growth).
    PowerLoss,
    /// The operation fails with an I/O error, once, and the process goes on.
    IoError,
};

/// Counts from zero while armed; `fault` strikes the `target`-th operation
/// (0: none), and a process it ends ends with `exitCode`. `seed` picks what
/// a power loss leaves of each sector.
void armCrashVfs(qint64 target, int exitCode, FileFault fault = FileFault::Crash, quint32 seed = 1);
/// Stops counting; returns the operations seen while armed.
qint64 disarmCrashVfs();

/// A file step the program takes outside SQLite (the write, sync and rename
/// that put the invoice counter or the posting marker in place): counted with
/// SQLite's, and true when it is to fail with an I/O error.
bool fileStepFails(const char *what);

} // namespace pusla::harness
