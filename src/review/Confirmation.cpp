#include "review/Confirmation.h"

#include "forms/FailureMessages.h"
#include "forms/TerminalForm.h"
#include "data/DataRoutines.h"
#include "forms/ChoiceIndexes.h"
#include "store/DataControl.h"
#include "store/DbError.h"
#include "base/Dialogs.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "store/Transaction.h"
#include "posting/MovementDocument.h"
#include "posting/PendingPosting.h"
#include "posting/SalesInvoice.h"
#include "posting/WorkingListViews.h"

#include <QGroupBox>

namespace pusla {

namespace {

constexpr int kCancel = 0;
constexpr int kConfirm = 1;

// Tells the operator when the document did not go into the books now; true
// when it did, or had nothing to post.
bool reportPosting(Dialogs &dialogs, const PostingResult &result)
{
    switch (result.outcome) {
    case PostingResult::Outcome::Posted:
    case PostingResult::Outcome::NothingToPost:
        return true;
    case PostingResult::Outcome::EarlierDocumentPosted:
        // Nothing failed that the operator must try again.
        dialogs.messageBox(QString::fromUtf8(kEarlierDocumentPosted));
        return false;
    case PostingResult::Outcome::Failed:
        break;
    }
    showPostingFailure(dialogs, result.failure);
    return false;
}

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
    const PostingResult result = [&] {
        const BusyPointer busy(services.dialogs);
        return postSalesInvoice(m_form.dataControls(), services, {m_form.Combo1->text(), m_form.state().dataPath()});
    }();
    if (!reportPosting(services.dialogs, result))
        return false;
    m_form.state().setDocumentTotal(result.total);
    return true;
}

bool Confirmation::postMovements()
{
    const Services &services = m_form.services();
    m_form.Command4->setEnabled(false);
    const PostingResult result = [&] {
        const BusyPointer busy(services.dialogs);
        return pusla::postMovements(m_form.dataControls(), services, movementDocument());
    }();
    m_form.Command4->setEnabled(true);
    return reportPosting(services.dialogs, result);
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
