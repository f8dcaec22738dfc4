#pragma once

#include <QHash>
#include "Intents.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace pusla::harness {

/// The books as they stood before a trial: every stock card's and every
/// account's running totals and the last row of each movement table, per
/// database set, and how far each terminal's journal had got.
struct Baseline
{
    struct Set
    {
        /// StokKod -> GirenMik, CikanMik, GirenTutar, CikanTutar
        QHash<QString, QList<double>> cards;
        /// CariKod -> Borc, Alacak
        QHash<QString, QList<double>> accounts;
        /// Table -> largest rowid (PuslaKayit: of the set's numbering file)
        QHash<QString, qint64> lastRow;
    };
    QHash<QString, Set> sets; // by company code, "01", "02", ...
    QHash<QString, qint64> journalOffsets; // by program folder

    QJsonObject toJson() const;
    static Baseline fromJson(const QJsonObject &json);
};

/// What a verification found: documents present since the baseline and the
/// violations, one line each.
struct Verdict
{
    int documents = 0;
    int postedByTerminals = 0;
    int failedByTerminals = 0;
    /// Documents a terminal ended in that are in the books.
    int landedInFlight = 0;
    QStringList violations;
};

/// The company codes of the database sets in a data directory (NNCari.mdb).
QStringList companyCodes(const QString &dataDirectory);

/// Takes the baseline; throws std::runtime_error when a file cannot be read.
Baseline takeBaseline(const QString &dataDirectory, const QStringList &programFolders);

/// Checks every database file, reconciles the books against the baseline,
/// checks that each document since then is complete or absent and is one a
/// terminal meant to post, that the counters are not behind the numbers in
/// the books, and that each terminal's working list agrees with whether its
/// last document landed: as `leftAtCrash` tells for a terminal that was
/// stopped and has since come back, as it is now for the others.
Verdict verifyBooks(const QString &dataDirectory, const QStringList &programFolders, const Baseline &baseline,
                    const QHash<QString, Leftovers> &leftAtCrash = {});

} // namespace pusla::harness
