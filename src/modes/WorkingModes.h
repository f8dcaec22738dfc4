#pragma once

#include <QObject>

namespace pusla {

class TerminalForm;

/// The three working-mode boxes SATIŞ, SAYIM and ALIŞ and the count build.
class WorkingModes : public QObject
{
    Q_OBJECT
public:
    explicit WorkingModes(TerminalForm &form);

    /// The click handling of a mode box; runs for the operator's tick and
    /// whenever code changes the box's value.
    void Check1_Click(int index);
    /// The count database was assembled (or its assembly tried) in this run.
    bool countBaseBuilt() const { return m_countBaseBuilt; }

private:
    TerminalForm &m_form;
    bool m_countBaseBuilt = false;
};

} // namespace pusla
