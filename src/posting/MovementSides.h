#pragma once

#include "posting/CardUpdates.h"

#include <QDateTime>
#include <QString>

namespace pusla {

class TerminalForm;

/// The two sides of a movement posting. A Depo transfer posts the Merkez side
/// in the branch's set, against its account "Merkez", and the document side
/// in the centre's set against the branch's account; a Cari document has
/// only the document side.
enum class SideKind { Merkez, Document };

/// What every record of one side shares.
struct PostingSide
{
    SideKind kind = SideKind::Document;
    Direction direction = Direction::Sale;
    /// Taken once when the posting starts.
    QDateTime documentTime;
    /// The document serial, in `DigerId` of every movement of both sides.
    QString serial;
    /// The side's account: "Merkez"'s code, the branch account (Şube02) or the customer's code.
    QString accountCode;
};

/// Writes the side's account movement and carries the document total into
/// the current account card of `DataCari`.
void postAccountMovement(TerminalForm &form, const PostingSide &side);

/// Writes one stock movement per line of the working list (as it stands:
/// the lines of the document by code) and brings each item's stock card up
/// to date. Throws PostingFailure for a line whose stock card is missing.
void postStockMovements(TerminalForm &form, const PostingSide &side);

} // namespace pusla
