#pragma once

#include <QObject>

namespace pusla {

class TerminalForm;

/// Depo or Cari, and the branch or customer picked in Combo1.
class Selection : public QObject
{
    Q_OBJECT
public:
    explicit Selection(TerminalForm &form);

    /// The Depo (0) / Cari (1) menu choice; also run at the role choice with the stored choice.
    void SbCr_Click(int index);
    /// Prepares the working list for the branch or customer picked in Combo1.
    void Combo1_Click();

private:
    TerminalForm &m_form;
};

} // namespace pusla
