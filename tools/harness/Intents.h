#pragma once

#include "Journal.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace pusla::harness {

struct Baseline;
struct Verdict;

/// A document found whole in the books since the baseline, told as a
/// terminal's journal tells the document it meant to post.
struct BookDocument
{
    QString kind;
    QString set;
    QString account;
    QList<JournalLine> lines;
    /// FaturaNo, for an invoice.
    QString invoiceNumber;
};

/// What a terminal left in its program folder: its posting marker, if there
/// is one, and its working list (StokKod -> KalanB, GirenTutar).
struct Leftovers
{
    bool marker = false;
    QString markerKey;
    QHash<QString, QPair<double, double>> workingList;
    QString error;
};

Leftovers readLeftovers(const QString &programFolder);

/// One line per document: kind, set, account and the lines sorted by item.
QString describe(const QString &kind, const QString &set, const QString &account, const QList<JournalLine> &lines);

/// Checks the terminals' journals against the books: every document a
/// terminal posted is in the books once, matching its lines, account and
/// kind; a failed one is not; one it ended in is there exactly when its key
/// is; every key in the books belongs to a whole document; each terminal's
/// working list, as the terminal left it (`leftAtCrash`) or as it is now,
/// agrees with whether its last document landed; no marker is left; the
/// invoice counter a terminal stored names the invoice it posted last.
/// `keys` holds the keys written since the baseline, by set.
void checkTerminals(const QStringList &programFolders, const Baseline &baseline, const QList<BookDocument> &documents,
    const QHash<QString, QStringList> &keys, const QHash<QString, Leftovers> &leftAtCrash, Verdict &verdict);

} // namespace pusla::harness
