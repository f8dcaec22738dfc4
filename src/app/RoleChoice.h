#pragma once

#include "forms/ChoiceIndexes.h"

namespace pusla {

class GridLayout;
class Selection;
class TerminalForm;
struct Services;

/// Settles the marker of a document whose posting a crash cut short (see
/// PendingPosting); `quiet` tells the operator nothing.
void settlePendingPosting(const Services &services, bool quiet);

/// The role panel's choice: "ÇIKIŞ" closes the program, "SUNUCU" (server
/// side) and "KULLANICI" (user terminal) open the database set and reveal
/// the working screen. The role panel stays up only while the working files
/// cannot be used.
class RoleChoice
{
public:
    RoleChoice(TerminalForm &form, Selection &selection, GridLayout &gridLayout);

    void choose(int index);

private:
    void readServerAddress();
    /// Makes multi-file commits leave their super-journal in the shared data
    /// folder and checks that other terminals reach it under the same path.
    /// Sends the books' opens to the store pusla.conf names; false, and the
    /// program ends, when its settings cannot be used.
    bool useStore();
    void useSharedFolder();
    void prepareServerSide();
    /// Opens the set; when it cannot, says why and ends the program at once.
    bool openDatabaseSet();
    /// Checks the program folder and its working list; when they cannot
    /// hold the work, says why and leaves the role panel up.
    bool checkWorkingPlace();
    void positionStockList();
    void fillWheelList();

    TerminalForm &m_form;
    Selection &m_selection;
    GridLayout &m_gridLayout;
};

} // namespace pusla
