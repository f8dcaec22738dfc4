#pragma once

#include <QString>

namespace pusla::bench {

/// Writes a branch's stock file of any size for the benchmarks: the stock
/// card table with the folded indexes the schema puts on the lookup fields
/// and the sort-key index on the name, and cards whose codes, barcodes and
/// names follow from their number, so that a benchmark can name any card
/// without reading the file.
class StockGenerator
{
public:
    /// Writes `count` cards to `path` (replacing the file); returns false on
    /// failure.
    static bool write(const QString &path, int count);
    /// Adds the indexes a file written by an earlier run lacks.
    static bool addIndexes(const QString &path);

    static QString code(int card);
    /// Barcode 1, 2 or 3; a card has a second barcode when its number is a
    /// multiple of 3, a third when a multiple of 7 (else the field is empty).
    static QString barcode(int card, int which);
    static QString name(int card);
    /// Every 20th card is hidden.
    static bool hidden(int card) { return card % 20 == 19; }
};

} // namespace pusla::bench
