#pragma once

#include <QString>

namespace pusla {

class PathMapper;

/// Why the program folder cannot hold this terminal's work, in the
/// operator's words, or an empty text when it can. The folder must take new
/// files (the count database, the branch copies, the marker of a posting),
/// and its working list, Temp.Mdb, must be a whole database with the stock
/// table that takes a write. `programFolder` is the folder as the system's
/// paths name it.
QString workingPlaceProblem(const PathMapper &paths, const QString &programFolder);

} // namespace pusla
