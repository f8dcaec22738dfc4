#pragma once

#include "base/OperatorError.h"

#include <QString>

#include <functional>
#include <optional>

namespace pusla {

class PathMapper;

/// The counter file cannot be read or rewritten, holds no counter, or no
/// free invoice number can be had; the file was left as it was.
class InvoiceCounterError : public OperatorError
{
public:
    using OperatorError::OperatorError;
};

/// Answers whether an invoice number with this counter is already in the
/// books; it throws InvoiceCounterError when the books cannot be read. An
/// empty one takes every counter as free.
using InvoiceCounterTaken = std::function<bool(const QString &counter)>;

/// Draws the next sales invoice counter from the counter file `FatNo.txt`,
/// which every terminal shares: one record in sequential "write" form, the
/// counter in double quotes and CR LF. A missing file counts as "00000"; the
/// next counter keeps the width of the previous one ("00009" -> "00010",
/// "99999" -> "100000").
///
/// A counter that `isTaken` reports is skipped for the next free one, and the
/// file keeps the counter actually drawn: a lost or restored counter file
/// never hands out an invoice number twice.
///
/// Terminals draw at the same moment: the file is read and rewritten under
/// an exclusive lock of the file itself, and the new contents replace the
/// old by a rename, so a crash leaves either the old or the new counter,
/// never an empty file. A missing file is created whole, holding the counter
/// drawn. Throws InvoiceCounterError, and leaves the file as it was, when the
/// file cannot be read, locked or written, when it holds anything but a
/// counter of 1 to 9 ASCII digits (an empty file included: the draw never
/// leaves one, so it was damaged), when the counter would outgrow 9 digits,
/// or when `isTaken` throws it.
QString drawInvoiceCounter(
    const PathMapper &mapper, const QString &counterFileWindowsPath, const InvoiceCounterTaken &isTaken);

/// The counter text as the settings store keeps it: each character replaced
/// by the next one of the single-byte character set ("00001" -> "11112",
/// "9" -> ":"). A character without a successor is kept.
QString ShiftChars(const QString &text);

/// The counter that follows `previous`: its numeric value + 1, padded with
/// "0" to the previous width. Nothing when `previous` is not a counter (1 to
/// 9 ASCII digits, blanks around them aside) or when the next one would need
/// a tenth digit.
std::optional<QString> nextCounter(const QString &previous);

/// A counter as the counter file holds it: 1 to 9 ASCII digits.
bool isCounter(const QString &text);

/// The first counter after `previous` that `isTaken` does not report; nothing
/// when there is none below ten digits (or `previous` is not a counter).
std::optional<QString> nextFreeCounter(const QString &previous, const InvoiceCounterTaken &isTaken);

} // namespace pusla
