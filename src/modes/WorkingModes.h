#pragma once

#include <QObject>
#include <QString>

namespace pusla {

class GridLayout;
class ItemGrids;
class Selection;
class TerminalForm;

/// The three working-mode boxes SATIŞ (0), SAYIM (1) and ALIŞ (2). Ticking a
/// box hides the other two, rebinds the working list to the mode's local
/// database, sets the capture grid's columns and runs the selection; in the
/// server role the first tick of SAYIM in a run assembles the count database.
/// Every tick or clear ends with the capture grid's layout of the situation
/// it leads to. The ticked box is the terminal state's working mode.
class WorkingModes : public QObject
{
    Q_OBJECT
public:
    WorkingModes(TerminalForm &form, ItemGrids &grids, Selection &selection, GridLayout &gridLayout);

    /// The click handling of a mode box; runs for the operator's tick and
    /// whenever code changes the box's value. A failing step is skipped.
    void Check1_Click(int index);
    /// The count database was assembled (or its assembly tried) in this run.
    bool countBaseBuilt() const { return m_countBaseBuilt; }

private:
    QString programFile(const QString &name) const;
    void bindWorkingList(const QString &fileName);
    void refreshWorkingList();
    void enterCountMode();
    void showOfferedBoxes();

    TerminalForm &m_form;
    ItemGrids &m_grids;
    Selection &m_selection;
    GridLayout &m_gridLayout;
    bool m_countBaseBuilt = false;
};

} // namespace pusla
