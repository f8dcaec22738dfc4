#pragma once

#include "data/InvoiceCounter.h"

namespace pusla {

class PgConnection;

/// Draws the next sales invoice counter from the company's counter row on a
/// server, by the counter file's rules: the width carries over, a counter
/// that `isTaken` reports is skipped, and the row keeps the counter drawn.
/// The draw is a transaction of its own that commits before the invoice is
/// written, under the row's lock, so terminals draw one after another: a
/// failed invoice leaves a gap, never a duplicate. Throws
/// InvoiceCounterError, and leaves the row as it was, when the row is missing
/// or holds no counter or no number is free; DbError when the server fails.
QString drawServerInvoiceCounter(PgConnection &db, const QString &company, const InvoiceCounterTaken &isTaken);

} // namespace pusla
