#pragma once

#include <QtGlobal>

namespace pusla::harness {

/// Puts a file layer under SQLite that counts the file operations that change
/// disk state (write, sync, truncate, delete) while armed, and ends the
/// process before the chosen one runs: every state a multi-file commit passes
/// through on disk is then one crash point. Install before the first
/// connection opens; it becomes SQLite's default.
void installCrashVfs();

/// Counts from zero while armed; ends the process at the `target`-th
/// operation (0: never) with `exitCode`.
void armCrashVfs(qint64 target, int exitCode);
/// Stops counting; returns the operations seen while armed.
qint64 disarmCrashVfs();

} // namespace pusla::harness
