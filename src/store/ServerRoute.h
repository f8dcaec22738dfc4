#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace pusla {

/// A file of a set that a server keeps as tables of a company's schema.
struct ServerFile
{
    QString conninfo; ///< the libpq connection string of the server
    QString schema; ///< the company: "01"
    QString file; ///< the file's version row: "Stok"
};

/// Which local paths of the set stand for files on a server; nothing for a
/// file that stays a file (the terminal's own working files, a set on SQLite).
using ServerRoute = std::function<std::optional<ServerFile>(const QString &localPath)>;

/// The route of the calling thread's opens from now on; an empty one keeps
/// every file local (the default).
void setServerRoute(ServerRoute route);
std::optional<ServerFile> serverFileFor(const QString &localPath);

} // namespace pusla
