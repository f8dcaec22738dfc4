#pragma once

#include <QString>

namespace pusla {

/// What a posting rule hands back to the review panel. The rules never show
/// anything: a failure comes back as its reason in the operator's words, and
/// nothing of the document is written then.
struct PostingResult
{
    enum class Outcome {
        Posted,
        NothingToPost,
        /// An earlier confirmation of these very lines had landed after all:
        /// they are gone from the list, and nothing was posted again.
        EarlierDocumentPosted,
        Failed,
    };
    Outcome outcome = Outcome::Failed;
    /// Why it failed, in the operator's words.
    QString failure;
    /// The document's total: the sum of every line's amount.
    double total = 0;
};

} // namespace pusla
