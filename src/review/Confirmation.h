#pragma once

#include "posting/MovementDocument.h"

#include <QObject>
#include <QString>

namespace pusla {

class TerminalForm;

/// "Tamam" and "Vazgeç" of the review panel. "Tamam" posts the document: a
/// sales invoice under the title "Fatura", otherwise an account movement and
/// one stock movement per line against the document account, in Depo mode
/// first mirrored against "Merkez" in the branch's set and then posted in
/// the centre's set. Either way the whole document is one all-or-nothing
/// change; after it the mode boxes are cleared and the mode menu returns.
/// A document that cannot be posted leaves everything as it was, the
/// operator is told why and is back at the capture with the lines intact.
class Confirmation : public QObject
{
    Q_OBJECT
public:
    explicit Confirmation(TerminalForm &form);

    void Command8_Click(int index);

private:
    /// True when the document is done with (posted, or nothing to post).
    bool confirm();
    bool postInvoice();
    bool postMovements();
    /// The document as the screen shows it: operation, direction, the
    /// branch or customer chosen and the total under review.
    MovementDocument movementDocument() const;
    void endDocument();
    void returnToList();

    TerminalForm &m_form;
    bool m_posting = false;
};

} // namespace pusla
