#include "posting/Confirmation.h"

#include "app/TerminalForm.h"
#include "data/DataRoutines.h"
#include "data/RecordNumbering.h"
#include "data/Schema.h"
#include "modes/ModeBoxes.h"
#include "modes/SalesInvoice.h"
#include "platform/Clock.h"
#include "platform/DataControl.h"
#include "platform/Database.h"
#include "platform/DbError.h"
#include "platform/Dialogs.h"
#include "platform/JetSql.h"
#include "platform/Program.h"
#include "platform/RegionalFormat.h"
#include "platform/Transaction.h"
#include "platform/forms/Controls.h"
#include "posting/AtomicPosting.h"
#include "posting/MovementSides.h"
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
    if (m_form.Label3->text() == QLatin1String("Fatura"))
        return m_form.salesInvoice().PostSalesInvoice();
    return postMovements();
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
    if (m_form.m_DocTotal == 0)
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
    if (m_form.SbCr[kDepo]->isChecked()) {
        const QString prefix = centrePrefix(controls.DataCari->databaseName());
        files.books << prefix + QStringLiteral("01Cari.Mdb") << prefix + QStringLiteral("01Stok.Mdb")
                    << prefix + QStringLiteral("01Index.Mdb");
    }
    files.keyFile = controls.IndexPrimary->databaseName();
    files.programFolder = services.program.folder();

    const QString failure = postAtomically(services.paths, files, [this, &controls] {
        reopenClosed(controls);
        postSides();
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

void Confirmation::postSides()
{
    const Services &services = m_form.services();
    const bool depo = m_form.SbCr[kDepo]->isChecked();
    const bool saleBox = m_form.Check1[kSale]->value() != 0;
    Recordset &accounts = m_form.DataCari->recordset();

    // Cards and accounts as they are now, with those other terminals or the
    // suite added since the set was opened; the files are locked from here on.
    RefreshData(*m_form.DataCari);
    RefreshData(*m_form.DataStok);

    // The document account of Cari mode is the one chosen in the list, found
    // now by its title: wherever the account list happens to stand (its first
    // card after a failed posting) is no choice of the operator's.
    QString code;
    if (!depo) {
        const QString title = m_form.Combo1->text();
        if (title.isEmpty())
            throw PostingFailure(QStringLiteral("Cari hesap seçili değil."));
        accounts.findFirst(QString(CariKartlar::Unvan) + QLatin1Char('=') + jetQuoted(title));
        if (accounts.noMatch())
            throw PostingFailure(QStringLiteral("Cari hesap bulunamadı: %1").arg(title));
        code = accounts.field(QString(CariKartlar::CariKod)).toString();
    }

    PostingSide side;
    side.documentTime = services.clock.now();
    side.serial = NextRecordNumber(*m_form.IndexPrimary, *m_form.IndexSecondary, 0,
        QString::number(side.documentTime.date().year()), services.paths);

    if (depo) {
        accounts.findFirst(QStringLiteral("Unvan='Merkez'"));
        if (accounts.noMatch())
            throw PostingFailure(QStringLiteral("\"Merkez\" cari hesabı bulunamadı."));
        side.kind = SideKind::Merkez;
        side.direction = saleBox ? Direction::Purchase : Direction::Sale;
        side.accountCode = accounts.field(QString(CariKartlar::CariKod)).toString();
        postAccountMovement(m_form, side);
        postStockMovements(m_form, side);
        switchToCentre();
    }

    if (depo)
        code = QStringLiteral("Şube") + services.formats.format(m_form.Combo1->listIndex() + 2, QStringLiteral("00"));
    accounts.findFirst(QString(CariKartlar::CariKod) + QLatin1Char('=') + jetQuoted(code));
    if (accounts.noMatch())
        throw PostingFailure(QStringLiteral("Cari hesap bulunamadı: %1").arg(code));
    side.kind = SideKind::Document;
    side.direction = saleBox ? Direction::Sale : Direction::Purchase;
    side.accountCode = code;
    postAccountMovement(m_form, side);
    postStockMovements(m_form, side);
}

void Confirmation::switchToCentre()
{
    const QString prefix = centrePrefix(m_form.DataCari->databaseName());
    m_form.DataCari->setDatabaseName(prefix + QStringLiteral("01Cari.Mdb"));
    m_form.DataCariHar->setDatabaseName(prefix + QStringLiteral("01Cari.Mdb"));
    m_form.DataStok->setDatabaseName(prefix + QStringLiteral("01Stok.Mdb"));
    m_form.DataStokHar->setDatabaseName(prefix + QStringLiteral("01Stok.Mdb"));
    m_form.IndexPrimary->setDatabaseName(prefix + QStringLiteral("01Index.Mdb"));
    m_form.IndexSecondary->setDatabaseName(prefix + QStringLiteral("01Index.Mdb"));
    for (DataControl *control : {m_form.DataCari, m_form.DataStok, m_form.DataCariHar, m_form.DataStokHar,
             m_form.IndexPrimary, m_form.IndexSecondary})
        RefreshData(*control);
}

QString Confirmation::centrePrefix(const QString &accountFile)
{
    // The company number stands just before "Cari" in the file name. The
    // name is searched, not the folders: a data directory whose path holds
    // "Cari" would otherwise be cut in the middle.
    const qsizetype name = accountFile.lastIndexOf(QLatin1Char('\\')) + 1;
    const qsizetype p = accountFile.indexOf(QLatin1String("Cari"), name) + 1;
    return accountFile.left(qMax<qsizetype>(0, p - 3));
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
