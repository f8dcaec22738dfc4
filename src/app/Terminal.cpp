#include "app/Terminal.h"

#include "app/ClosingReport.h"
#include "app/RoleChoice.h"
#include "app/ServerAddress.h"
#include "capture/GridLayout.h"
#include "capture/ItemGrids.h"
#include "capture/QuantityEntry.h"
#include "capture/ScanLookup.h"
#include "data/DatabaseSet.h"
#include "data/SortIndexes.h"
#include "forms/Controls.h"
#include "forms/TerminalForm.h"
#include "modes/Selection.h"
#include "modes/WorkingModes.h"
#include "review/Confirmation.h"
#include "review/Review.h"
#include "store/DataControl.h"
#include "data/ServerBooks.h"
#include "data/StoreSettings.h"
#include "base/Program.h"
#include "base/SettingsStore.h"
#include "ui/KeyboardSwitch.h"
#include "ui/MainFormResize.h"

#include <QAction>

namespace pusla {

Terminal::Terminal(const Services &services)
    : m_form(std::make_unique<TerminalForm>(services))
{
    TerminalForm &form = *m_form;
    // First, while every control is still at its design place.
    m_resize = new MainFormResize(form);
    m_keyboard = new KeyboardSwitch(form);
    // Files of an earlier version get the indexes the lists are read by on
    // their first open, whichever control opens them.
    const DataControls controls = form.dataControls();
    for (DataControl *control : {controls.DataCari, controls.DataCariHar, controls.DataStok, controls.DataStokHar,
             controls.DataFatura, controls.DataFatHar, controls.IndexPrimary, controls.IndexSecondary,
             controls.DataTemp, controls.Data1})
        control->setFileCheck(&addMissingSortIndexes);
    m_quantityEntry = new QuantityEntry(form);
    m_grids = new ItemGrids(form, *m_quantityEntry);
    m_gridLayout = new GridLayout(form, m_grids->captureModel());
    m_scanLookup = new ScanLookup(form);
    m_selection = new Selection(form);
    m_modes = new WorkingModes(form, *m_grids, *m_selection, *m_gridLayout);
    m_review = new Review(form);
    m_confirmation = new Confirmation(form);
    m_roleChoice = std::make_unique<RoleChoice>(form, *m_selection, *m_gridLayout);

    for (OptionButton *option : form.Option1)
        QObject::connect(option, &OptionButton::clickEvent, &form, [this](int index) { m_roleChoice->choose(index); });
    QObject::connect(form.SrvIp, &QAction::triggered, &form, [this] { editServerAddress(*m_form); });
    QObject::connect(&form, &TerminalForm::queryUnload, &form, [this] { leaveCountReport(*m_form); });

    // A document cut short by a crash: its lines are finished with, or kept,
    // as the books tell, on the server the administrator named if there is
    // one (a store that cannot be used is said at the role choice).
    if (const StoreSettings store = StoreSettings::read(services.settings, services.program.exeName());
        store.problem.isEmpty())
        serverbooks::route(store);
    settlePendingPosting(services, true);
}

Terminal::~Terminal()
{
    // The subsystems watch the form's controls; they go before the controls
    // are hidden and destroyed, while the form they refer to still exists.
    delete m_confirmation;
    delete m_review;
    delete m_modes;
    delete m_selection;
    delete m_scanLookup;
    delete m_gridLayout;
    delete m_grids;
    delete m_quantityEntry;
    delete m_keyboard;
    delete m_resize;
}

} // namespace pusla
