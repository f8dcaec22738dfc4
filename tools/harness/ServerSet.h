#pragma once

#include <QString>

namespace pusla::harness {

/// Moves the workspace's set onto a server: every company of the data
/// directory ("01Cari.mdb" ...) is loaded into its schema of the database
/// `conninfo` names (replacing what is there), the counter with it, and the
/// set's database files are removed, so that a terminal that still opened
/// one as a file would fail. Returns an error text, empty on success.
QString moveSetToServer(const QString &dataDirectory, const QString &conninfo);

/// Removes the set's database files from the data directory (the books are
/// on the server). Returns an error text, empty on success.
QString removeSetFiles(const QString &dataDirectory);

/// Ends every connection the terminals hold to the server, as a dropped
/// network would. Returns an error text, empty on success.
QString cutTerminalConnections(const QString &conninfo);

/// Writes the server's books back into the data directory as the set's
/// files, and the largest company counter as FatNo.txt, so that the
/// verifier reads them as it reads a set of files.
QString bringSetBack(const QString &dataDirectory, const QString &conninfo);

} // namespace pusla::harness
