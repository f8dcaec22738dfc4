#pragma once

#include "base/Paths.h"

#include <QStringList>
#include <optional>

namespace pusla {

/// Maps the Windows path texts that the system builds (`\\HOST\SHARE\rest`,
/// `C:\rest`, or the program folder followed by `\name`) to local files.
///
/// - `\\HOST\SHARE\rest` -> sharesRoot/HOST/SHARE/rest
/// - `X:\rest`           -> driveRoots[X]/rest (unknown letter: not mapped)
/// - `/abs/folder\name`  -> /abs/folder/name (a local folder with appended names)
/// Names resolve without regard to case: an existing file or folder is found
/// whatever its case; a missing one keeps the case as written. A text with a
/// `..` segment, or one that is not absolute, is refused (nullopt).
/// On Windows the texts pass unchanged.
class PathMapper
{
public:
    explicit PathMapper(Paths paths);

    std::optional<QString> toLocal(const QString &windowsText) const;

    bool fileExists(const QString &windowsText) const;
    bool dirExists(const QString &windowsText) const;

    /// Files of a folder matching a wildcard pattern (`*`, `?`), case-insensitive,
    /// sorted by name without regard to case; returns local file names (no folder).
    QStringList listFiles(const QString &windowsFolder, const QString &pattern) const;

    const Paths &paths() const { return m_paths; }

private:
    Paths m_paths;
};

} // namespace pusla
