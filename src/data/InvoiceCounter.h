#pragma once

#include "platform/OperatorError.h"

#include <QString>

namespace pusla {

class PathMapper;

/// The counter file cannot be read or rewritten; nothing was drawn.
class InvoiceCounterError : public OperatorError
{
public:
    using OperatorError::OperatorError;
};

/// Draws the next sales invoice counter from the counter file `FatNo.txt`,
/// which every terminal shares: one record in sequential "write" form, the
/// counter in double quotes and CR LF. A missing file counts as "00000"; the
/// next counter keeps the width of the previous one ("00009" -> "00010",
/// "99999" -> "100000").
///
/// Terminals draw at the same moment: the file is read and rewritten under
/// an exclusive lock of the file itself, and the new contents replace the
/// old by a rename, so a crash leaves either the old or the new counter,
/// never an empty file. Throws InvoiceCounterError when the file cannot be
/// read, locked or written.
QString drawInvoiceCounter(const PathMapper &mapper, const QString &counterFileWindowsPath);

/// The counter text as the settings store keeps it: each character replaced
/// by the next one of the single-byte character set ("00001" -> "11112",
/// "9" -> ":"). A character without a successor is kept.
QString ShiftChars(const QString &text);

/// The counter that follows `previous`: its numeric value + 1 (an empty or
/// non-numeric text counts as 0), padded with "0" to the previous width.
QString nextCounter(const QString &previous);

} // namespace pusla
