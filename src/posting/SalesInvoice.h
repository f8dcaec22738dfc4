#pragma once

#include "posting/PostingResult.h"

#include <QString>

namespace pusla {

struct DataControls;
struct Services;

/// A cash sales invoice as the review panel hands it over.
struct InvoiceDocument
{
    /// The customer chosen in the list, by title.
    QString customerTitle;
    /// The set's prefix (…\MuhasebeData\01): the counter file sits beside the
    /// set, and the company number names the counter's copy in the settings.
    QString dataPath;
};

/// Posts the working list (`DataTemp`) as a cash sales invoice to the
/// customer: the counter from the shared counter file, the invoice lines,
/// the stock movements and stock cards, the header, the customer's and the
/// VAT account's movements and balances, into the set the data controls are
/// bound to.
///
/// The counter is drawn first and stays drawn whatever follows. Everything
/// after it is one all-or-nothing change: when any part cannot be written
/// nothing is written and the working list still holds the document. A total
/// of 0 posts nothing.
PostingResult postSalesInvoice(const DataControls &controls, const Services &services, const InvoiceDocument &document);

} // namespace pusla
