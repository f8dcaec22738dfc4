#pragma once

#include "forms/TerminalState.h"

#include <QObject>

namespace pusla {

class TerminalForm;

/// The review of a document before it is confirmed: "Fatura" for a sales
/// invoice and "Güncelle" for an account or branch document narrow the
/// working list to the lines with a quantity, put the document total in
/// the document total and show it in the review panel.
class Review : public QObject
{
    Q_OBJECT
public:
    explicit Review(TerminalForm &form);

    void FatCmd_Click();
    void Command4_Click();

private:
    /// Narrows the list and sums the total; false (and the full list back)
    /// when no line has a quantity.
    bool openDocument();
    void showPanel(TerminalState::Review kind, const QString &totalLine);

    TerminalForm &m_form;
};

} // namespace pusla
