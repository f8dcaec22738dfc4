#include "modes/SalesInvoice.h"

#include "app/SettingKeys.h"
#include "app/TerminalForm.h"
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
#include "posting/CardUpdates.h"
#include "posting/PostingRun.h"
#include "posting/WorkingListViews.h"

namespace pusla {

using namespace schema;

namespace {

void set(Recordset &records, Name field, const QVariant &value)
{
    records.setField(QString(field), value);
}

QVariant get(const Recordset &records, Name field)
{
    return records.field(QString(field));
}

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
    QString counter;
    try {
        counter = drawInvoiceCounter(services.paths, counterFile());
    } catch (const InvoiceCounterError &error) {
        showPostingFailure(services.dialogs, error.reason());
        return false;
    }

    const DataControls controls = m_form.dataControls();
    QStringList files;
    for (const DataControl *control : {controls.DataFatHar, controls.DataStokHar, controls.DataCari,
                                       controls.IndexPrimary, controls.DataTemp})
        files.append(control->databaseName());
    files.append(services.program.folder() + QLatin1Char('\\') + QString(files::Temp));

    QString failure;
    bool posted = false;
    try {
        PostingRun run(services.paths, files);
        run.begin();
        posted = post(counter);
        run.commit();
    } catch (const PostingFailure &error) {
        failure = error.reason();
    } catch (const DbError &error) {
        failure = postingFailureReason(error);
    }
    if (!failure.isEmpty()) {
        refreshAfterRollback(controls);
        showPostingFailure(services.dialogs, failure);
        return false;
    }
    if (posted) {
        // The counter's copy in the settings, once the invoice is there.
        services.settings.regWriteString(SettingsStore::HKEY_CURRENT_USER, settingkeys::PropertiesKey,
                                         m_form.DataPath.right(2) + QStringLiteral("FatNo"),
                                         ShiftChars(counter.trimmed()));
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
    m_customerCode = get(accounts, CariKartlar::CariKod).toString();
    m_customerTitle = get(accounts, CariKartlar::Unvan).toString();
    m_customerGroup = get(accounts, CariKartlar::Gurup).toString();

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
    resetWorkingList();
    return true;
}

void SalesInvoice::writeLine(const QString &invoiceNumber, const QString &counter, const QString &serial,
                             const QDateTime &moment)
{
    const Services &services = m_form.services();
    const Recordset &line = m_form.DataTemp->recordset();
    const QString code = get(line, StokKartlar::StokKod).toString();
    Recordset &cards = m_form.DataStok->recordset();
    // The card is found first: a line without one writes nothing anywhere.
    cards.findFirst(QString(StokKartlar::StokKod) + QLatin1Char('=') + jetQuoted(code));
    if (cards.noMatch())
        throw PostingFailure(QStringLiteral("Stok kartı bulunamadı: %1").arg(code));

    Recordset &invoiceLines = m_form.DataFatHar->recordset();
    addAtEnd(invoiceLines);
    set(invoiceLines, FatHareket::FatHarNo, invoiceNumber);
    set(invoiceLines, FatHareket::FatGirisCikis, 0);
    set(invoiceLines, FatHareket::FatCari, m_customerCode);
    set(invoiceLines, FatHareket::FatStok, code);
    set(invoiceLines, FatHareket::Stok, get(line, StokKartlar::StokAdi));
    set(invoiceLines, FatHareket::FatAciklama, get(invoiceLines, FatHareket::Stok));
    set(invoiceLines, FatHareket::FatMiktar, get(line, StokKartlar::KalanB));
    set(invoiceLines, FatHareket::FatFiyat, get(line, StokKartlar::Fiyat));
    set(invoiceLines, FatHareket::FatTutar, get(line, StokKartlar::GirenTutar));
    set(invoiceLines, FatHareket::DigerId, serial);
    set(invoiceLines, FatHareket::Nerde, QStringLiteral("F"));
    set(invoiceLines, FatHareket::FatTotal, m_form.m_DocTotal);
    set(invoiceLines, FatHareket::FatKdv, get(line, StokKartlar::Kdv));
    set(invoiceLines, FatHareket::Birim, get(line, StokKartlar::Birim));
    const QString lineSerial
        = NextRecordNumber(*m_form.IndexPrimary, *m_form.IndexSecondary, 1, year(), services.paths);
    set(invoiceLines, FatHareket::SeriNoDiger, lineSerial);
    set(invoiceLines, FatHareket::Barkod, get(line, StokKartlar::Barkod));
    set(invoiceLines, FatHareket::Tarih,
        services.formats.formatDate(services.clock.now(), QStringLiteral("dd/mm/yyyy hh:mm")));
    set(invoiceLines, FatHareket::KdvSi, get(line, StokKartlar::Kar));
    set(invoiceLines, FatHareket::Yeni, 1);
    invoiceLines.update();

    Recordset &movements = m_form.DataStokHar->recordset();
    addAtEnd(movements);
    set(movements, StokHareket::StokHarKod, code);
    set(movements, StokHareket::Tarih, moment);
    set(movements, StokHareket::Aciklama, QString(counter + QStringLiteral(" Nolu Satış Faturası ile")));
    set(movements, StokHareket::Fiyat, get(line, StokKartlar::Fiyat));
    set(movements, StokHareket::Miktar, get(line, StokKartlar::KalanB));
    set(movements, StokHareket::Tutar, get(line, StokKartlar::GirenTutar));
    set(movements, StokHareket::GirisCikis, QStringLiteral("Satış"));
    set(movements, StokHareket::Carisi, m_customerCode);
    set(movements, StokHareket::DigerId, serial);
    set(movements, StokHareket::Nerde, QStringLiteral("F"));
    set(movements, StokHareket::StokAd, get(line, StokKartlar::StokAdi));
    set(movements, StokHareket::SeriNoDiger, lineSerial);
    set(movements, StokHareket::Unvan, m_customerTitle);
    set(movements, StokHareket::KdvTut, get(line, StokKartlar::Kar));
    set(movements, StokHareket::Birim, get(line, StokKartlar::Birim));
    set(movements, StokHareket::Yeni, 1);
    set(movements, StokHareket::Sube, QString());
    set(movements, StokHareket::Server, 0);
    movements.update();

    updateStockCard(cards, Direction::Sale, numberField(line, StokKartlar::KalanB.data()),
                    numberField(line, StokKartlar::GirenTutar.data()));
}

void SalesInvoice::writeHeader(const QString &invoiceNumber, const QString &serial, double vatTotal)
{
    Recordset &invoices = m_form.DataFatura->recordset();
    addAtEnd(invoices);
    set(invoices, Faturalar::FaturaNo, invoiceNumber);
    set(invoices, Faturalar::FatTarih, m_form.services().clock.now().date());
    set(invoices, Faturalar::FatCari, m_customerCode);
    set(invoices, Faturalar::Nakit, 1);
    set(invoices, Faturalar::DigerId, serial);
    set(invoices, Faturalar::Unvan, m_form.Combo1->text());
    set(invoices, Faturalar::FatTop, m_form.m_DocTotal);
    set(invoices, Faturalar::FatKdvTut, vatTotal);
    set(invoices, Faturalar::Toplam, get(invoices, Faturalar::FatTop));
    set(invoices, Faturalar::Gurup, m_customerGroup);
    set(invoices, Faturalar::KdvHarDahil, 0);
    invoices.update();
}

void SalesInvoice::writeAccountMovement(const QString &code, const QString &invoiceNumber, const QString &serial,
                                        const QDateTime &moment, double amount, bool customer)
{
    Recordset &movements = m_form.DataCariHar->recordset();
    addAtEnd(movements);
    set(movements, CariHareket::CariHarKod, code);
    set(movements, CariHareket::Tarih, moment);
    set(movements, CariHareket::Aciklama, QString(invoiceNumber + QStringLiteral(" Nolu Satış Faturası ile ")));
    if (customer) {
        const QVariant opening = get(movements, CariHareket::Borc);
        set(movements, CariHareket::Borc, (opening.isNull() ? 0.0 : opening.toDouble()) + amount);
    } else {
        set(movements, CariHareket::Borc, amount);
    }
    set(movements, CariHareket::Carisi, code);
    set(movements, CariHareket::DigerId, serial);
    set(movements, CariHareket::Nerde, QStringLiteral("F"));
    if (customer)
        set(movements, CariHareket::Unvan, m_customerTitle);
    set(movements, CariHareket::Yeni, 1);
    if (!customer)
        set(movements, CariHareket::Sube, QString());
    set(movements, CariHareket::Server, 0);
    movements.update();
}

void SalesInvoice::findAccount(const QString &criteria, const QString &missing)
{
    Recordset &accounts = m_form.DataCari->recordset();
    accounts.findFirst(criteria);
    if (accounts.noMatch())
        throw PostingFailure(missing);
}

void SalesInvoice::resetWorkingList()
{
    Database working = Database::open(m_form.services().paths,
                                      m_form.services().program.folder() + QLatin1Char('\\') + QString(files::Temp));
    std::unique_ptr<Recordset> table = working.openRecordset(QString(StokKartlar::Table));
    working.execute(QStringLiteral("UPDATE StokKartlar Set KalanB=0"));
    working.execute(QStringLiteral("UPDATE StokKartlar Set GirenTutar=0"));
    table.reset();
    working.close();
}

} // namespace pusla
