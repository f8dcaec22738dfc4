#pragma once

#include <QString>

namespace pusla {

/// Every terminal must reach the shared data folder under one local path: a
/// multi-file commit names its super-journal by its full path in the
/// journals it leaves beside the books, and a terminal that recovers the
/// books after another one crashed rolls them back only if that path leads
/// it to the super-journal.
///
/// The first terminal to come records its path of the folder in the folder
/// itself; every later one checks that the recorded path leads it to the
/// same folder. Returns the recorded path when it does not (empty when it
/// does, or when nothing was recorded and this terminal's path now is).
QString foreignSharePath(const QString &localFolder);

} // namespace pusla
