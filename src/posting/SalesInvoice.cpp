#include "posting/SalesInvoice.h"

#include "data/DataRoutines.h"
#include "data/DatabaseFailure.h"
#include "data/DatabaseSet.h"
#include "data/InvoiceCounter.h"
#include "data/ServerBooks.h"
#include "data/RecordNumbering.h"
#include "data/Schema.h"
#include "data/SettingKeys.h"
#include "store/AdoConnection.h"
#include "base/Clock.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/jet/JetSql.h"
#include "base/Program.h"
#include "base/RegionalFormat.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
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

/// One invoice being posted.
class InvoicePosting
{
public:
    InvoicePosting(const DataControls &controls, const Services &services, const InvoiceDocument &document)
        : m_controls(controls)
        , m_services(services)
        , m_document(document)
    { }

    PostingResult run();

private:
    /// Writes everything after the counter; returns false for a total of 0.
    bool post(const QString &counter);
    void writeLine(
        const QString &invoiceNumber, const QString &counter, const QString &serial, const QDateTime &moment);
    void writeHeader(const QString &invoiceNumber, const QString &serial, double vatTotal);
    void writeAccountMovement(const QString &code, const QString &invoiceNumber, const QString &serial,
        const QDateTime &moment, double amount, bool customer);
    void findAccount(const QString &criteria, const QString &missing);
    QString year() const;

    const DataControls &m_controls;
    const Services &m_services;
    const InvoiceDocument &m_document;
    QString m_customerCode;
    QString m_customerTitle;
    QString m_customerGroup;
    double m_total = 0;
};

QString InvoicePosting::year() const
{
    return QString::number(m_services.clock.now().date().year());
}

PostingResult InvoicePosting::run()
{
    const Services &services = m_services;
    PostingResult result;
    QString counter;
    try {
        // Whatever the counter file says, the invoice number must be new to the set's invoices.
        counter = serverbooks::drawInvoiceCounter(services.paths, m_document.dataPath, [&](const QString &candidate) {
            try {
                Database invoices = Database::open(services.paths, m_controls.DataFatura->databaseName());
                const QString query
                    = QStringLiteral("Select %1 From %2 Where %1=%3")
                          .arg(Faturalar::FaturaNo, Faturalar::Table, jetQuoted(QStringLiteral("S") + candidate));
                return invoices.openRecordset(query)->recordCount() > 0;
            } catch (const DbError &error) {
                throw InvoiceCounterError(databaseFailureReason(error.aboutFile(m_controls.DataFatura->databaseName())));
            }
        });
    } catch (const InvoiceCounterError &error) {
        result.failure = error.reason();
        return result;
    }

    PostingFiles files;
    for (const DataControl *control : {m_controls.DataFatHar, m_controls.DataStokHar, m_controls.DataCari,
             m_controls.IndexPrimary})
        files.books.append(control->databaseName());
    files.keyFile = m_controls.IndexPrimary->databaseName();
    files.programFolder = services.program.folder();

    result = postAtomically(services.paths, files, [&] {
        reopenClosed(m_controls);
        return post(counter);
    });
    result.total = m_total;
    switch (result.outcome) {
    case PostingResult::Outcome::Failed:
    case PostingResult::Outcome::EarlierDocumentPosted:
        refreshAfterRollback(services.paths, m_controls);
        break;
    case PostingResult::Outcome::Posted:
        // The counter's copy in the settings, once the invoice is there.
        services.settings.regWriteString(SettingsStore::HKEY_CURRENT_USER, settingkeys::PropertiesKey,
            m_document.dataPath.right(2) + QStringLiteral("FatNo"), ShiftChars(counter.trimmed()));
        break;
    case PostingResult::Outcome::NothingToPost:
        break;
    }
    return result;
}

bool InvoicePosting::post(const QString &counter)
{
    const Services &services = m_services;
    Recordset &accounts = m_controls.DataCari->recordset();
    // Cards and accounts as they are now, with those other terminals or the
    // suite added since the set was opened; the files are locked from here on.
    RefreshData(*m_controls.DataCari);
    RefreshData(*m_controls.DataStok);

    findAccount(QString(CariKartlar::Unvan) + QLatin1Char('=') + jetQuoted(m_document.customerTitle),
        QStringLiteral("Müşteri bulunamadı: %1").arg(m_document.customerTitle));
    m_customerCode = field(accounts, CariKartlar::CariKod).toString();
    m_customerTitle = field(accounts, CariKartlar::Unvan).toString();
    m_customerGroup = field(accounts, CariKartlar::Gurup).toString();

    const QString invoiceNumber = QStringLiteral("S") + counter;
    const QString serial = NextRecordNumber(*m_controls.IndexPrimary, *m_controls.IndexSecondary, 0, year(), services.paths);

    AdoConnection connection(services.paths);
    connection.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + m_controls.DataTemp->databaseName()
        + QLatin1Char(';'));
    AdoRecordset sums;
    sums.open(QStringLiteral("Select Sum(GirenTutar),Sum(Kar)  FROM StokKartlar"), connection,
        AdoRecordset::ForwardOnly, AdoRecordset::ReadOnly);
    m_total = sums.value(0).toDouble();
    const double vatTotal = sums.value(1).toDouble();
    sums.close();
    connection.close();

    if (m_total == 0)
        return false;

    m_controls.DataTemp->setRecordSource(workingListView(WorkingListView::DocumentByName));
    RefreshData(*m_controls.DataTemp);
    const QDateTime moment = services.clock.now();
    Recordset &lines = m_controls.DataTemp->recordset();
    findCardsAhead(m_controls.DataStok->recordset(), lines);
    while (!lines.eof()) {
        writeLine(invoiceNumber, counter, serial, moment);
        lines.moveNext();
    }

    writeHeader(invoiceNumber, serial, vatTotal);
    writeAccountMovement(m_customerCode, invoiceNumber, serial, moment, m_total, true);
    updateAccountCard(accounts, Direction::Sale, m_total);
    if (vatTotal > 0) {
        findAccount(QString(CariKartlar::CariKod) + QLatin1Char('=') + jetQuoted(QLatin1String(kVatAccount)),
            QStringLiteral("KDV hesabı (%1) bulunamadı.").arg(QLatin1String(kVatAccount)));
        writeAccountMovement(QLatin1String(kVatAccount), invoiceNumber, serial, moment, vatTotal, false);
        updateAccountCard(accounts, Direction::Sale, vatTotal);
    }

    services.program.doEvents();
    return true;
}

void InvoicePosting::writeLine(
    const QString &invoiceNumber, const QString &counter, const QString &serial, const QDateTime &moment)
{
    const Services &services = m_services;
    const RecordSnapshot line(m_controls.DataTemp->recordset());
    const QString code = line[StokKartlar::StokKod].toString();
    Recordset &cards = m_controls.DataStok->recordset();
    // The card is found first: a line without one writes nothing anywhere.
    cards.findFirst(cardCriterion(code));
    if (cards.noMatch())
        throw PostingFailure(QStringLiteral("Stok kartı bulunamadı: %1").arg(code));

    Recordset &invoiceLines = m_controls.DataFatHar->recordset();
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
    setField(invoiceLines, FatHareket::FatTotal, m_total);
    setField(invoiceLines, FatHareket::FatKdv, line[StokKartlar::Kdv]);
    setField(invoiceLines, FatHareket::Birim, line[StokKartlar::Birim]);
    const QString lineSerial
        = NextRecordNumber(*m_controls.IndexPrimary, *m_controls.IndexSecondary, 1, year(), services.paths);
    setField(invoiceLines, FatHareket::SeriNoDiger, lineSerial);
    setField(invoiceLines, FatHareket::Barkod, line[StokKartlar::Barkod]);
    setField(invoiceLines, FatHareket::Tarih,
        services.formats.formatDate(services.clock.now(), QStringLiteral("dd/mm/yyyy hh:mm")));
    setField(invoiceLines, FatHareket::KdvSi, line[StokKartlar::Kar]);
    setField(invoiceLines, FatHareket::Yeni, 1);
    invoiceLines.update();

    Recordset &movements = m_controls.DataStokHar->recordset();
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

void InvoicePosting::writeHeader(const QString &invoiceNumber, const QString &serial, double vatTotal)
{
    Recordset &invoices = m_controls.DataFatura->recordset();
    addAtEnd(invoices);
    setField(invoices, Faturalar::FaturaNo, invoiceNumber);
    setField(invoices, Faturalar::FatTarih, m_services.clock.now().date());
    setField(invoices, Faturalar::FatCari, m_customerCode);
    setField(invoices, Faturalar::Nakit, 1);
    setField(invoices, Faturalar::DigerId, serial);
    setField(invoices, Faturalar::Unvan, m_document.customerTitle);
    setField(invoices, Faturalar::FatTop, m_total);
    setField(invoices, Faturalar::FatKdvTut, vatTotal);
    setField(invoices, Faturalar::Toplam, field(invoices, Faturalar::FatTop));
    setField(invoices, Faturalar::Gurup, m_customerGroup);
    setField(invoices, Faturalar::KdvHarDahil, 0);
    invoices.update();
}

void InvoicePosting::writeAccountMovement(const QString &code, const QString &invoiceNumber, const QString &serial,
    const QDateTime &moment, double amount, bool customer)
{
    Recordset &movements = m_controls.DataCariHar->recordset();
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

void InvoicePosting::findAccount(const QString &criteria, const QString &missing)
{
    Recordset &accounts = m_controls.DataCari->recordset();
    accounts.findFirst(criteria);
    if (accounts.noMatch())
        throw PostingFailure(missing);
}

} // namespace

PostingResult postSalesInvoice(const DataControls &controls, const Services &services, const InvoiceDocument &document)
{
    return InvoicePosting(controls, services, document).run();
}

} // namespace pusla
