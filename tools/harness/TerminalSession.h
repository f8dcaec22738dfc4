#pragma once

#include "CrashVfs.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace pusla::harness {

/// The documents a terminal posts.
enum class DocumentKind { Invoice, CariSale, CariPurchase, Depo, DepoPurchase };

std::optional<DocumentKind> documentKind(const QString &name);
QString kindName(DocumentKind kind);

struct SessionOptions
{
    QString dataDirectory; ///< the local folder that is MuhasebeData
    QString programFolder;
    DocumentKind kind = DocumentKind::Invoice;
    int documents = 1;
    int lines = 2;
    quint32 seed = 1;
    /// Ends the process at this row write (or commit) of a posting; 0 never.
    qint64 crashAfterWrites = 0;
    /// Strikes this file write, sync, truncate, delete or rename of a posting; 0 never.
    qint64 crashAtFileOperation = 0;
    /// What strikes it: a crash, a power loss or an I/O error.
    FileFault fileFault = FileFault::Crash;
    /// Posts nothing: starts the form, makes the role choice (which settles a
    /// posting the terminal had under way), opens every database file of the
    /// data directory, as a terminal coming back after a crash does, and ends.
    bool settleOnly = false;
};

struct SessionResult
{
    int posted = 0;
    int failed = 0;
    QStringList failures;
    /// Row writes and commits of the last posting.
    qint64 lastWrites = 0;
    /// File operations of the last posting.
    qint64 lastFileOperations = 0;
    /// Things the terminal saw that must not happen (a failed posting that
    /// emptied the working list, a posted one that left it).
    QStringList violations;
    QString error;
};

/// Exit status of a terminal ended on purpose at a write.
constexpr int kCrashExitCode = 86;

/// Where a terminal of the harness keeps its settings.
QString settingsFolder(const QString &programFolder);

/// Drives the real main form as an operator would: opens it in the user role
/// over the data directory, picks the mode of `kind`, lays random lines into
/// the working list, reviews and confirms, `documents` times. Every step is
/// journaled in the program folder first, the posting key of each document
/// as its books' commit begins. Prints progress lines to stdout.
SessionResult runTerminal(const SessionOptions &options);

} // namespace pusla::harness
