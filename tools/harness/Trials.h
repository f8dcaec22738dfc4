#pragma once

#include <QString>
#include <QStringList>

namespace pusla::harness {

/// A folder that holds a demo data set and terminals' program folders:
/// shares/127.0.0.1/MuhasebeData, terminals/t1, t2, ... and the program
/// folder of the terminal that recovers the set after a crash.
struct Workspace
{
    QString root;

    QString dataDirectory() const;
    QString terminal(int number) const;
    QStringList terminals(int count) const;
    QString recovery() const;
    /// Where a crashed terminal's program folder waits while another
    /// terminal recovers the set: no path written before the crash leads there.
    QString away() const;
    QString pristine() const;
};

/// Lays out a fresh workspace (replacing one that is there): the demo set and
/// `terminals` program folders, each with its own copy of the working list.
/// Returns an error text, empty on success.
QString createWorkspace(const Workspace &workspace, int items, quint32 seed, int terminals);

struct CrashTrialOptions
{
    Workspace workspace;
    QString kind;
    int items = 12;
    int lines = 2;
    quint32 seed = 1;
    /// Random kill -9 trials after the crash at every write.
    int randomKills = 20;
    /// Documents a terminal posts in a random kill trial.
    int documentsPerKill = 3;
    /// Crash at every write up to this one only: -1 every write of the document, 0 none.
    int lastWrite = -1;
    /// The same for the file operations of the commit.
    int lastFileOperation = -1;
    /// Crash before every n-th file operation only (and the last).
    int fileOperationStep = 1;
    /// A PostgreSQL database to post into (libpq connection string): the
    /// random trials then also cut the terminal's connections.
    QString server;
    /// A shell command that stops the server at once and starts it again:
    /// with it the random trials also restart the server mid-posting.
    QString serverRestart;
};

struct ConcurrencyOptions
{
    Workspace workspace;
    /// A kind, or "mixed": terminal n posts the n-th of invoice, cari-sale, cari-purchase, depo.
    QString kind = QStringLiteral("mixed");
    int terminals = 8;
    int documents = 50;
    int items = 40;
    int lines = 2;
    quint32 seed = 1;
    /// A libpq connection string: the books are on that server, not in files.
    QString server;
};

/// The figures of a run; `violations` holds every violation found.
struct TrialReport
{
    int trials = 0;
    int crashes = 0;
    int powerLosses = 0;
    /// Terminals that met an I/O error mid-posting and went on.
    int ioErrors = 0;
    /// Crash trials whose document posted before the crash point was reached.
    int uncrashed = 0;
    /// Random kills that found no terminal posting (it had ended, or had not
    /// begun a document): not trials.
    int missedKills = 0;
    /// Crashed documents that were in the books although their terminal had
    /// not seen the posting finish: those its coming back had to settle.
    int landedInFlight = 0;
    int posted = 0;
    int failed = 0;
    QStringList failures;
    QStringList violations;
    qint64 writesPerDocument = 0;
    qint64 fileOperationsPerDocument = 0;
    double seconds = 0;
    QString error;
};

/// Posts one document and crashes the terminal at its first, second, ... row
/// write and at its commit, then kills terminals at random moments while they
/// post. After each, a terminal that cannot see the crashed one's program
/// folder recovers the set, the crashed terminal comes back and settles what
/// it had under way, and the books are verified.
TrialReport runCrashTrials(const CrashTrialOptions &options);

/// Terminals posting at once into one data directory, then one verification.
TrialReport runConcurrency(const ConcurrencyOptions &options);

} // namespace pusla::harness
