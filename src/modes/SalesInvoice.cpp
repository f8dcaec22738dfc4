#include "modes/SalesInvoice.h"

#include "app/SettingKeys.h"
#include "app/TerminalForm.h"
#include "data/DatabaseFailure.h"
#include "data/DataRoutines.h"
#include "data/InvoiceCounter.h"
#include "data/RecordNumbering.h"
#include "data/Schema.h"
#include "platform/AdoConnection.h"
#include "platform/Clock.h"
#include "platform/DataControl.h"
#include "platform/Database.h"
#include "platform/DbError.h"
#include "platform/Dialogs.h"
#include "platform/JetSql.h"
#include "platform/Program.h"
#include "platform/RegionalFormat.h"
#include "platform/SettingsStore.h"
#include "platform/forms/Controls.h"
#include "posting/AtomicPosting.h"
#include "posting/CardUpdates.h"
#include "posting/RecordFields.h"
#include "posting/WorkingListViews.h"

namespace pusla {

using namespace schema;

namespace {

/// New records join the end of a movement table.
void addAtEnd(Recordset &records)
{
    if (records.recordCount() > 0)
        records.moveLast();
    records.addNew();
}

constexpr auto kVatAccount = "=110";

} // namespace

SalesInvoice::SalesInvoice(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{ }

QString SalesInvoice::counterFile() const
{
    return m_form.DataPath.left(m_form.DataPath.size() - 2) + QString(files::FatNo);
}

QString SalesInvoice::year() const
{
    return QString::number(m_form.services().clock.now().date().year());
}

bool SalesInvoice::PostSalesInvoice()
{
    const Services &services = m_form.services();
    services.dialogs.setBusy(true);
    QString counter;
    try {
        // Whatever the counter file says, the invoice number must be new to the set's invoices.
        counter = drawInvoiceCounter(services.paths, counterFile(), [&](const QString &candidate) {
            try {
                Database invoices = Database::open(services.paths, m_form.DataFatura->databaseName());
                const QString query
                    = QStringLiteral("Select %1 From %2 Where %1=%3")
                          .arg(Faturalar::FaturaNo, Faturalar::Table, jetQuoted(QStringLiteral("S") + candidate));
                return invoices.openRecordset(query)->recordCount() > 0;
            } catch (const DbError &error) {
                throw InvoiceCounterError(databaseFailureReason(error.aboutFile(m_form.DataFatura->databaseName())));
            }
        });
    } catch (const InvoiceCounterError &error) {
        services.dialogs.setBusy(false);
        showPostingFailure(services.dialogs, error.reason());
        return false;
    }

    const DataControls controls = m_form.dataControls();
    PostingFiles files;
    for (const DataControl *control : {controls.DataFatHar, controls.DataStokHar, controls.DataCari, controls.IndexPrimary})
        files.books.append(control->databaseName());
    files.keyFile = controls.IndexPrimary->databaseName();
    files.programFolder = services.program.folder();

    bool posted = false;
    const QString failure = postAtomically(services.paths, files, [&] {
        reopenClosed(controls);
        return posted = post(counter);
    });
    if (!failure.isEmpty()) {
        refreshAfterRollback(services.paths, controls);
        services.dialogs.setBusy(false);
        showPostingFailure(services.dialogs, failure);
        return false;
    }
    services.dialogs.setBusy(false);
    if (posted) {
        // The counter's copy in the settings, once the invoice is there.
        services.settings.regWriteString(SettingsStore::HKEY_CURRENT_USER, settingkeys::PropertiesKey,
            m_form.DataPath.right(2) + QStringLiteral("FatNo"), ShiftChars(counter.trimmed()));
    }
    return true;
}

bool SalesInvoice::post(const QString &counter)
{
    const Services &services = m_form.services();
    Recordset &accounts = m_form.DataCari->recordset();
    // Cards and accounts as they are now, with those other terminals or the
    // suite added since the set was opened; the files are locked from here on.
    RefreshData(*m_form.DataCari);
    RefreshData(*m_form.DataStok);

    findAccount(QString(CariKartlar::Unvan) + QLatin1Char('=') + jetQuoted(m_form.Combo1->text()),
        QStringLiteral("Müşteri bulunamadı: %1").arg(m_form.Combo1->text()));
    m_customerCode = field(accounts, CariKartlar::CariKod).toString();
    m_customerTitle = field(accounts, CariKartlar::Unvan).toString();
    m_customerGroup = field(accounts, CariKartlar::Gurup).toString();

    const QString invoiceNumber = QStringLiteral("S") + counter;
    const QString serial = NextRecordNumber(*m_form.IndexPrimary, *m_form.IndexSecondary, 0, year(), services.paths);

    AdoConnection connection(services.paths);
    connection.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + m_form.DataTemp->databaseName()
        + QLatin1Char(';'));
    AdoRecordset sums;
    sums.open(QStringLiteral("Select Sum(GirenTutar),Sum(Kar)  FROM StokKartlar"), connection,
        AdoRecordset::ForwardOnly, AdoRecordset::ReadOnly);
    m_form.m_DocTotal = sums.value(0).toDouble();
    const double vatTotal = sums.value(1).toDouble();
    sums.close();
    connection.close();

    if (m_form.m_DocTotal == 0)
        return false;

    m_form.DataTemp->setRecordSource(workingListView(WorkingListView::DocumentByName));
    RefreshData(*m_form.DataTemp);
    const QDateTime moment = services.clock.now();
    Recordset &lines = m_form.DataTemp->recordset();
    while (!lines.eof()) {
        writeLine(invoiceNumber, counter, serial, moment);
        lines.moveNext();
    }

    writeHeader(invoiceNumber, serial, vatTotal);
    writeAccountMovement(m_customerCode, invoiceNumber, serial, moment, m_form.m_DocTotal, true);
    updateAccountCard(accounts, Direction::Sale, m_form.m_DocTotal);
    if (vatTotal > 0) {
        findAccount(QString(CariKartlar::CariKod) + QLatin1Char('=') + jetQuoted(QLatin1String(kVatAccount)),
            QStringLiteral("KDV hesabı (%1) bulunamadı.").arg(QLatin1String(kVatAccount)));
        writeAccountMovement(QLatin1String(kVatAccount), invoiceNumber, serial, moment, vatTotal, false);
        updateAccountCard(accounts, Direction::Sale, vatTotal);
    }

    services.program.doEvents();
    return true;
}

void SalesInvoice::writeLine(
    const QString &invoiceNumber, const QString &counter, const QString &serial, const QDateTime &moment)
{
    const Services &services = m_form.services();
    const RecordSnapshot line(m_form.DataTemp->recordset());
    const QString code = line[StokKartlar::StokKod].toString();
    Recordset &cards = m_form.DataStok->recordset();
    // The card is found first: a line without one writes nothing anywhere.
    cards.findFirst(QString(StokKartlar::StokKod) + QLatin1Char('=') + jetQuoted(code));
    if (cards.noMatch())
        throw PostingFailure(QStringLiteral("Stok kartı bulunamadı: %1").arg(code));

    Recordset &invoiceLines = m_form.DataFatHar->recordset();
    addAtEnd(invoiceLines);
    setField(invoiceLines, FatHareket::FatHarNo, invoiceNumber);
    setField(invoiceLines, FatHareket::FatGirisCikis, 0);
    setField(invoiceLines, FatHareket::FatCari, m_customerCode);
    setField(invoiceLines, FatHareket::FatStok, code);
    setField(invoiceLines, FatHareket::Stok, line[StokKartlar::StokAdi]);
    setField(invoiceLines, FatHareket::FatAciklama, field(invoiceLines, FatHareket::Stok));
    setField(invoiceLines, FatHareket::FatMiktar, line[StokKartlar::KalanB]);
    setField(invoiceLines, FatHareket::FatFiyat, line[StokKartlar::Fiyat]);
    setField(invoiceLines, FatHareket::FatTutar, line[StokKartlar::GirenTutar]);
    setField(invoiceLines, FatHareket::DigerId, serial);
    setField(invoiceLines, FatHareket::Nerde, QStringLiteral("F"));
    setField(invoiceLines, FatHareket::FatTotal, m_form.m_DocTotal);
    setField(invoiceLines, FatHareket::FatKdv, line[StokKartlar::Kdv]);
    setField(invoiceLines, FatHareket::Birim, line[StokKartlar::Birim]);
    const QString lineSerial
        = NextRecordNumber(*m_form.IndexPrimary, *m_form.IndexSecondary, 1, year(), services.paths);
    setField(invoiceLines, FatHareket::SeriNoDiger, lineSerial);
    setField(invoiceLines, FatHareket::Barkod, line[StokKartlar::Barkod]);
    setField(invoiceLines, FatHareket::Tarih,
        services.formats.formatDate(services.clock.now(), QStringLiteral("dd/mm/yyyy hh:mm")));
    setField(invoiceLines, FatHareket::KdvSi, line[StokKartlar::Kar]);
    setField(invoiceLines, FatHareket::Yeni, 1);
    invoiceLines.update();

    Recordset &movements = m_form.DataStokHar->recordset();
    addAtEnd(movements);
    setField(movements, StokHareket::StokHarKod, code);
    setField(movements, StokHareket::Tarih, moment);
    setField(movements, StokHareket::Aciklama, QString(counter + QStringLiteral(" Nolu Satış Faturası ile")));
    setField(movements, StokHareket::Fiyat, line[StokKartlar::Fiyat]);
    setField(movements, StokHareket::Miktar, line[StokKartlar::KalanB]);
    setField(movements, StokHareket::Tutar, line[StokKartlar::GirenTutar]);
    setField(movements, StokHareket::GirisCikis, QStringLiteral("Satış"));
    setField(movements, StokHareket::Carisi, m_customerCode);
    setField(movements, StokHareket::DigerId, serial);
    setField(movements, StokHareket::Nerde, QStringLiteral("F"));
    setField(movements, StokHareket::StokAd, line[StokKartlar::StokAdi]);
    setField(movements, StokHareket::SeriNoDiger, lineSerial);
    setField(movements, StokHareket::Unvan, m_customerTitle);
    setField(movements, StokHareket::KdvTut, line[StokKartlar::Kar]);
    setField(movements, StokHareket::Birim, line[StokKartlar::Birim]);
    setField(movements, StokHareket::Yeni, 1);
    setField(movements, StokHareket::Sube, QString());
    setField(movements, StokHareket::Server, 0);
    movements.update();

    updateStockCard(cards, Direction::Sale, line.number(StokKartlar::KalanB), line.number(StokKartlar::GirenTutar));
}

void SalesInvoice::writeHeader(const QString &invoiceNumber, const QString &serial, double vatTotal)
{
    Recordset &invoices = m_form.DataFatura->recordset();
    addAtEnd(invoices);
    setField(invoices, Faturalar::FaturaNo, invoiceNumber);
    setField(invoices, Faturalar::FatTarih, m_form.services().clock.now().date());
    setField(invoices, Faturalar::FatCari, m_customerCode);
    setField(invoices, Faturalar::Nakit, 1);
    setField(invoices, Faturalar::DigerId, serial);
    setField(invoices, Faturalar::Unvan, m_form.Combo1->text());
    setField(invoices, Faturalar::FatTop, m_form.m_DocTotal);
    setField(invoices, Faturalar::FatKdvTut, vatTotal);
    setField(invoices, Faturalar::Toplam, field(invoices, Faturalar::FatTop));
    setField(invoices, Faturalar::Gurup, m_customerGroup);
    setField(invoices, Faturalar::KdvHarDahil, 0);
    invoices.update();
}

void SalesInvoice::writeAccountMovement(const QString &code, const QString &invoiceNumber, const QString &serial,
    const QDateTime &moment, double amount, bool customer)
{
    Recordset &movements = m_form.DataCariHar->recordset();
    addAtEnd(movements);
    setField(movements, CariHareket::CariHarKod, code);
    setField(movements, CariHareket::Tarih, moment);
    setField(movements, CariHareket::Aciklama, QString(invoiceNumber + QStringLiteral(" Nolu Satış Faturası ile ")));
    if (customer) {
        const QVariant opening = field(movements, CariHareket::Borc);
        setField(movements, CariHareket::Borc, (opening.isNull() ? 0.0 : opening.toDouble()) + amount);
    } else {
        setField(movements, CariHareket::Borc, amount);
    }
    setField(movements, CariHareket::Carisi, code);
    setField(movements, CariHareket::DigerId, serial);
    setField(movements, CariHareket::Nerde, QStringLiteral("F"));
    if (customer)
        setField(movements, CariHareket::Unvan, m_customerTitle);
    setField(movements, CariHareket::Yeni, 1);
    if (!customer)
        setField(movements, CariHareket::Sube, QString());
    setField(movements, CariHareket::Server, 0);
    movements.update();
}

void SalesInvoice::findAccount(const QString &criteria, const QString &missing)
{
    Recordset &accounts = m_form.DataCari->recordset();
    accounts.findFirst(criteria);
    if (accounts.noMatch())
        throw PostingFailure(missing);
}

} // namespace pusla
