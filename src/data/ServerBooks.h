#pragma once

#include "data/InvoiceCounter.h"
#include "store/ServerRoute.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace pusla {

class PathMapper;
class PgConnection;
struct StoreSettings;

/// The set's books on a server, reached under the names the operator
/// knows: every company file of a folder named MuhasebeData, on whatever
/// host ("\\HOST\MuhasebeData\01Stok.mdb"), is the file "Stok" of schema
/// "01" on the server that pusla.conf names. The terminal's own files stay
/// files.
namespace serverbooks {

/// The server file a local path of the set stands for; nothing for a path
/// that is no company file ("Cari.mdb" without a company code included).
std::optional<ServerFile> fileAt(const QString &localPath, const QString &conninfo);

/// Sends the calling thread's opens of the set's files to the server the
/// settings name, or keeps every file local.
void route(const StoreSettings &settings);

/// The companies whose books a server keeps ("01", "02", ...), in order.
QStringList companies(PgConnection &server);

/// The set's files of a folder that match a wildcard pattern ("??Stok.mdb"),
/// in name order: the companies' files when the server keeps them, else the
/// folder's files.
QStringList listFiles(const PathMapper &mapper, const QString &windowsFolder, const QString &pattern);

/// Whether a file of the set can be opened: on the server, a company file
/// that it holds; otherwise a file on disk.
bool exists(const PathMapper &mapper, const QString &windowsPath);

/// Draws the next invoice counter of the set `dataPath` names (the counter
/// file beside the company files, or the company's counter row on the
/// server), by the counter file's rules.
QString drawInvoiceCounter(const PathMapper &mapper, const QString &dataPath, const InvoiceCounterTaken &isTaken);

/// Writes a server file's tables into a new local file of the same layout
/// (the terminal's working copies), in stored order. Throws DbError; a
/// failed export leaves no file behind.
void exportFile(const ServerFile &file, const QString &localTarget);

} // namespace serverbooks
} // namespace pusla
