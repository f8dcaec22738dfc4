#pragma once

#include "posting/CardUpdates.h"
#include "posting/PostingResult.h"

#include <QString>

namespace pusla {

struct DataControls;
struct Services;

/// A document of the working list as the movement posting takes it, read off
/// the screen by the review panel's handler.
struct MovementDocument
{
    /// Depo: a transfer between the centre and the branch chosen; otherwise
    /// Cari: a document against the customer chosen.
    bool depo = false;
    /// Sale when the sale box is ticked, otherwise purchase.
    Direction direction = Direction::Sale;
    /// The entry chosen in the branch or customer list, and its position there.
    QString chosenTitle;
    int chosenIndex = -1;
    /// The sum of the document's line amounts.
    double total = 0;
};

/// Posts a movement document into the set the data controls are bound to: an
/// account movement and one stock movement per line of the working list
/// (`DataTemp`, read with the document's lines by code) against the document
/// account; in Depo mode first mirrored against "Merkez" in the branch's set
/// and then posted in the centre's set, to which the controls are left
/// pointing. All of it commits at once, exactly once (see postAtomically);
/// after a failure nothing is written and the controls point where they did.
/// A total of 0 posts nothing.
PostingResult postMovements(const DataControls &controls, const Services &services, const MovementDocument &document);

/// The folder part of an account file's name, without the company number in
/// front of "Cari" (…\MuhasebeData\02Cari.mdb -> …\MuhasebeData\).
QString centrePrefix(const QString &accountFile);

} // namespace pusla
