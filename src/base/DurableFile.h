#pragma once

#include <QByteArray>
#include <QString>

namespace pusla {

/// Small files that must be whole or absent after a crash or a power loss
/// (the invoice counter, the pending-posting marker): written beside, synced,
/// then put in place, and the folder synced.

/// Writes every byte to `fd`, retrying after signals.
bool writeAll(int fd, const QByteArray &data);
/// Makes a rename or link in the folder of `path` survive a power loss.
void syncFolderOf(const QString &path);
/// A fully written and synced copy of `data` beside `target` (a native file
/// name), under a name of its own (terminals and threads may write copies at
/// once); empty when it could not be written.
QByteArray writeCopy(const QByteArray &target, const QByteArray &data);
/// Replaces the file at `path` (or creates it) by a rename of a fully
/// written copy: readers see the old contents or the new, never a part.
bool replaceContents(const QString &path, const QByteArray &data);

} // namespace pusla
