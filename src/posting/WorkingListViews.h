#pragma once

#include <QString>

namespace pusla {

/// The record sources the working list passes through around a document.
enum class WorkingListView {
    /// Every visible item by name: capture.
    AllByName,
    /// The lines with a quantity by name: the review.
    DocumentByName,
    /// The same lines by code: the movement posting.
    DocumentByCode,
};

QString workingListView(WorkingListView view);

} // namespace pusla
