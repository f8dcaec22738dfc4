#include "review/Confirmation.h"

#include "forms/TerminalForm.h"
#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "forms/ChoiceIndexes.h"
#include "base/Clock.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "base/Dialogs.h"
#include "base/Program.h"
#include "base/RegionalFormat.h"
#include "store/Transaction.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "posting/AtomicPosting.h"
#include "posting/MovementDocument.h"
#include "posting/SalesInvoice.h"
#include "posting/WorkingListViews.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>

#include <utility>
#include <vector>

namespace pusla {

using namespace schema;

namespace {

constexpr int kCancel = 0;
constexpr int kConfirm = 1;

struct Binding
{
    DataControl *control;
    QString databaseName;
};

} // namespace

Confirmation::Confirmation(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
    for (CommandButton *button : m_form.Command8)
        connect(button, &CommandButton::clickEvent, this, &Confirmation::Command8_Click);
}

void Confirmation::Command8_Click(int index)
{
    // The invoice lets events run once while it posts; a second press of
    // the panel's buttons then waits for the posting to end.
    if (m_posting)
        return;
    if (index == kConfirm) {
        m_posting = true;
        const bool done = confirm();
        m_posting = false;
        if (done) {
            endDocument();
        } else {
            // Back to the capture with the document's lines, to try again.
            returnToList();
            m_form.Frame3->hide();
            return;
        }
    } else if (index != kCancel) {
        return;
    }
    returnToList();
    m_form.Frame3->hide();
    m_form.Frame1->show();
}

bool Confirmation::confirm()
{
    // The operator waits for busy files once per document, however many
    // places of the posting meet them.
    const Patience patience(m_form.services().paths);
    if (m_form.state().review() == TerminalState::Review::Invoice)
        return postInvoice();
    return postMovements();
}

bool Confirmation::postInvoice()
{
    const Services &services = m_form.services();
    const InvoiceResult result = [&] {
        const BusyPointer busy(services.dialogs);
        return postSalesInvoice(m_form.dataControls(), services, {m_form.Combo1->text(), m_form.state().dataPath()});
    }();
    if (result.outcome == InvoiceResult::Outcome::Failed) {
        showPostingFailure(services.dialogs, result.failure);
        return false;
    }
    m_form.state().setDocumentTotal(result.total);
    return true;
}

bool Confirmation::postMovements()
{
    const Services &services = m_form.services();
    DataControl &workingList = *m_form.DataTemp;
    try {
        workingList.close();
        workingList.setRecordSource(workingListView(WorkingListView::DocumentByCode));
        RefreshData(workingList);
    } catch (const DbError &) {
        // Nothing can be read to post; the total decides below.
    }
    if (m_form.state().documentTotal() == 0)
        return true;

    services.dialogs.setBusy(true);
    m_form.Command4->setEnabled(false);

    const DataControls controls = m_form.dataControls();
    std::vector<Binding> bindings;
    for (DataControl *control : {controls.DataCari, controls.DataCariHar, controls.DataStok, controls.DataStokHar,
             controls.IndexPrimary, controls.IndexSecondary})
        bindings.push_back({control, control->databaseName()});

    PostingFiles files;
    files.books = QStringList {controls.DataCari->databaseName(), controls.DataStok->databaseName(),
        controls.IndexPrimary->databaseName()};
    if (m_form.state().operation() == kDepo) {
        const QString prefix = centrePrefix(controls.DataCari->databaseName());
        files.books << prefix + QStringLiteral("01Cari.Mdb") << prefix + QStringLiteral("01Stok.Mdb")
                    << prefix + QStringLiteral("01Index.Mdb");
    }
    files.keyFile = controls.IndexPrimary->databaseName();
    files.programFolder = services.program.folder();

    const MovementDocument document = movementDocument();
    const PostingContext context {services.clock, services.formats, services.paths};
    const QString failure = postAtomically(services.paths, files, [&] {
        reopenClosed(controls);
        postMovementDocument(controls, context, document);
        return true;
    });
    if (!failure.isEmpty()) {
        // The set the document was captured in, as it was before.
        for (const Binding &binding : bindings)
            binding.control->setDatabaseName(binding.databaseName);
        refreshAfterRollback(services.paths, controls);
    }

    services.dialogs.setBusy(false);
    m_form.Command4->setEnabled(true);
    if (!failure.isEmpty()) {
        showPostingFailure(services.dialogs, failure);
        return false;
    }
    return true;
}

MovementDocument Confirmation::movementDocument() const
{
    MovementDocument document;
    document.depo = m_form.state().operation() == kDepo;
    document.direction = m_form.state().isMode(kSale) ? Direction::Sale : Direction::Purchase;
    document.chosenTitle = m_form.Combo1->text();
    document.chosenIndex = m_form.Combo1->listIndex();
    document.total = m_form.state().documentTotal();
    return document;
}

void Confirmation::endDocument()
{
    m_form.services().dialogs.setBusy(false);
    m_form.Command4->setEnabled(true);
    m_form.Check1[kSale]->setValue(0);
    m_form.Check1[kPurchase]->setValue(0);
}

void Confirmation::returnToList()
{
    DataControl &workingList = *m_form.DataTemp;
    workingList.setRecordSource(workingListView(WorkingListView::AllByName));
    try {
        RefreshData(workingList);
    } catch (const DbError &) {
        // An unreadable working list shows empty.
    }
}

} // namespace pusla
