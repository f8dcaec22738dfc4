#pragma once

#include <QString>
#include <QStringList>

namespace pusla::harness {

/// The invoice counter a terminal keeps in its settings for set `company`
/// (NNFatNo, stored with each character shifted up by one), read back as it
/// was drawn; empty when it keeps none.
QString storedInvoiceCounter(const QString &programFolder, const QString &company);

/// Checks the counters that documents draw their numbers from against the
/// numbers in the books: the counter file FatNo.txt at or beyond every
/// invoice number of every set; each terminal's stored copy naming an invoice
/// of its set and not beyond the counter file; each set's numbering file with
/// one counter row per year, and every document and line serial drawn from it
/// at or below its year's counter. Returns the violations; throws
/// std::runtime_error when a file cannot be read.
QStringList checkCounters(const QString &dataDirectory, const QStringList &programFolders);

} // namespace pusla::harness
