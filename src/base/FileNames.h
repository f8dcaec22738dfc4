#pragma once

#include <QString>

namespace pusla {

/// A file name (without folder or extension) made from a title that the
/// suite's users type, such as a branch or account name. Separators, control
/// characters and the characters other file systems refuse become "_", as
/// does a leading dot (no hidden file, no "." or ".."); a device name that
/// Windows reserves (CON, COM1, ...) is prefixed with "_"; an empty title is
/// "_". Everything else, Turkish letters included, stays. Long titles are cut
/// so that the name and an extension fit in one file-name component.
QString safeFileName(const QString &title);

} // namespace pusla
