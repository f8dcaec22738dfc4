#include "review/Review.h"

#include "forms/FailureMessages.h"
#include "forms/TerminalForm.h"
#include "data/DataRoutines.h"
#include "data/DatabaseFailure.h"
#include "store/AdoConnection.h"
#include "store/DataControl.h"
#include "store/DbError.h"
#include "base/RegionalFormat.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "posting/WorkingListViews.h"

#include <QGroupBox>
#include <QLabel>

namespace pusla {

Review::Review(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
    connect(m_form.FatCmd, &CommandButton::clickEvent, this, &Review::FatCmd_Click);
    connect(m_form.Command4, &CommandButton::clickEvent, this, &Review::Command4_Click);
}

void Review::FatCmd_Click()
{
    if (!openDocument())
        return;
    showPanel(TerminalState::Review::Invoice, m_form.services().formats.numberToText(m_form.state().documentTotal()));
}

void Review::Command4_Click()
{
    if (!openDocument())
        return;
    showPanel(TerminalState::Review::AccountMovement,
        m_form.services().formats.format(m_form.state().documentTotal(), QStringLiteral("#,##0.00")));
    m_form.Command8[1]->setFocus();
}

bool Review::openDocument()
{
    DataControl &workingList = *m_form.DataTemp;
    try {
        workingList.setRecordSource(workingListView(WorkingListView::DocumentByName));
        RefreshData(workingList);
        if (workingList.recordset().recordCount() == 0) {
            workingList.setRecordSource(workingListView(WorkingListView::AllByName));
            RefreshData(workingList);
            return false;
        }

        AdoConnection connection(m_form.services().paths);
        connection.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=")
            + workingList.databaseName() + QStringLiteral(";"));
        AdoRecordset sum;
        sum.open(QStringLiteral("select sum(GirenTutar) FROM StokKartlar Where KalanB<>0"), connection,
            AdoRecordset::Dynamic, AdoRecordset::Pessimistic);
        // Lines whose amounts are all empty add up to nothing: a total of 0.
        m_form.state().setDocumentTotal(sum.value(0).toDouble());
        sum.close();
        connection.close();
    } catch (const DbError &error) {
        showDatabaseFailure(m_form.services().dialogs, QStringLiteral("Belge açılamadı."),
            error.aboutFile(workingList.databaseName()));
        return false;
    }
    return true;
}

void Review::showPanel(TerminalState::Review kind, const QString &total)
{
    m_form.state().setReview(kind);
    m_form.Label4->setText(QStringLiteral("Toplam = ") + total);
    m_form.Frame3->show();
    m_form.Frame3->raise();
}

} // namespace pusla
