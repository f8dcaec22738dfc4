#include "modes/Selection.h"

#include "forms/CopyDatabase.h"
#include "data/SettingKeys.h"
#include "forms/TerminalForm.h"
#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "data/ServerBooks.h"
#include "forms/ChoiceIndexes.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "base/Dialogs.h"
#include "store/jet/JetSql.h"
#include "store/LockFile.h"
#include "base/PathMapper.h"
#include "base/Program.h"
#include "base/RegionalFormat.h"
#include "base/SettingsStore.h"
#include "store/Transaction.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "posting/WorkingListViews.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>

#include <initializer_list>
#include <optional>

namespace pusla {

using namespace schema;

namespace {

void refreshQuietly(DataControl &control)
{
    try {
        RefreshData(control);
    } catch (const DbError &) {
        // Left closed; whoever reads it next finds an empty list.
    }
}

void removeFile(const PathMapper &paths, const QString &windowsPath)
{
    if (const auto local = paths.toLocal(windowsPath))
        QFile::remove(*local);
}

/// The part of a data path up to and including "MuhasebeData\", found
/// without regard to case as Windows names are; a path without it keeps its
/// folder part.
QString dataDirectoryOf(const QString &dataPath)
{
    const QString marker = QString(DataDirectoryName) + QLatin1Char('\\');
    const qsizetype at = dataPath.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at >= 0)
        return dataPath.left(at + marker.size());
    return dataPath.left(dataPath.lastIndexOf(QLatin1Char('\\')) + 1);
}

QString branchCardsSource(const QString &code)
{
    return QStringLiteral("Select * From %1 Where %2=%3 Order By %4 Asc")
        .arg(StokKartlar::Table, StokKartlar::Sube, jetQuoted(code), StokKartlar::StokAdi);
}

} // namespace

Selection::Selection(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
    for (int i = 0; i < static_cast<int>(m_form.SbCr.size()); ++i)
        connect(m_form.SbCr[static_cast<std::size_t>(i)], &QAction::triggered, this, [this, i] { SbCr_Click(i); });
    connect(m_form.Combo1, &ComboBox::clickEvent, this, &Selection::Combo1_Click);
}

QString Selection::programFile(const QString &name) const
{
    return m_form.services().program.folder() + QLatin1Char('\\') + name;
}

void Selection::SbCr_Click(int index)
{
    try {
        chooseOperationKind(index);
    } catch (const DbError &) {
        // What was done stays done; the rest of the choice is skipped.
    }
}

void Selection::chooseOperationKind(int index)
{
    // Clearing a ticked box runs its mode handling, which puts the working
    // list back on Temp.Mdb.
    for (CheckBox *box : m_form.Check1) {
        box->setValue(0);
        box->show();
    }
    const bool depo = index == kDepo;
    m_form.state().setOperation(depo ? kDepo : kCari);
    m_form.Check1[kCount]->setVisible(depo);
    m_form.FatCmd->setVisible(!depo);

    m_form.Combo1->clearEntries();
    for (QAction *item : m_form.SbCr)
        item->setChecked(false);
    if (index < 0 || index >= static_cast<int>(m_form.SbCr.size()))
        return;
    m_form.SbCr[static_cast<std::size_t>(index)]->setChecked(true);

    fillList(depo);
    deleteCapturedLines();

    const Services &services = m_form.services();
    if (m_form.Combo1->listCount() > 0) {
        m_form.Combo1->setListIndex(0);
        if (services.program.hasEnded())
            return;
    }
    services.settings.saveSetting(
        services.program.exeName(), settingkeys::Section, settingkeys::OperationKind, QString::number(index));
}

void Selection::fillList(bool depo)
{
    DataControl &accounts = *m_form.DataCari;
    RefreshData(accounts);
    Recordset &cards = accounts.recordset();
    const QString wanted = depo ? QStringLiteral("Şube") : QStringLiteral("Müşteri");
    const QString gurup(CariKartlar::Gurup);
    const QString unvan(CariKartlar::Unvan);
    while (!cards.eof()) {
        if (cards.field(gurup).toString() == wanted)
            m_form.Combo1->addEntry(cards.field(unvan).toString());
        cards.moveNext();
    }
}

void Selection::deleteCapturedLines()
{
    Database working = Database::open(m_form.services().paths, programFile(QString(files::Temp)));
    working.execute(QStringLiteral("Delete FROM %1 WHERE %2<>0").arg(StokKartlar::Table, StokKartlar::KalanB));
    working.close();
}

void Selection::Combo1_Click()
{
    const Services &services = m_form.services();
    const int listIndex = m_form.Combo1->listIndex();
    const QString code = services.formats.format(listIndex + 2, QStringLiteral("00"));
    const TerminalState &state = m_form.state();
    const bool counting = state.isMode(kCount);
    DataControl &workingList = *m_form.DataTemp;

    m_form.Text1->setText(QString());
    workingList.close();
    if (counting) {
        workingList.setRecordSource(branchCardsSource(code));
    } else {
        // Off Temp.Mdb, so that it can be replaced.
        workingList.setDatabaseName(programFile(QString(files::LocalStok)));
        workingList.setRecordSource(QString(StokKartlar::Table));
    }
    refreshQuietly(workingList);

    // On the mode menu, with no working mode on yet.
    if (state.isMode(TerminalState::kNone)) {
        if (listIndex == 0) {
            const Recordset &stock = m_form.DataStok->recordset();
            if (stock.isOpen())
                m_form.Check1[kSale]->setVisible(stock.recordCount() > 0);
        } else if (!counting && !state.isMode(kPurchase)) {
            m_form.Check1[kSale]->show();
        }
    }

    if (counting) {
        selectForCount(code);
    } else if (!selectForDocument(code)) {
        return;
    }

    m_form.Command4->setVisible(state.isMode(kSale) || state.isMode(kPurchase));
    refreshQuietly(workingList);
    if (!state.isMode(TerminalState::kNone) && state.operation() == kCari)
        showBalance();
}

void Selection::selectForCount(const QString &code)
{
    const Services &services = m_form.services();
    // From here on DataPath names the branch's stock file, not a set.
    m_form.state().setDataPath(dataDirectoryOf(m_form.state().dataPath()) + code + QString(files::Stok));
    const QString localFile = programFile(code + QString(files::BranchTempSuffix));
    // Only a branch copy that exists is refreshed; none is made here.
    if (services.paths.fileExists(localFile) && m_form.state().role() == kServerRole) {
        removeFile(services.paths, localFile);
        CopyDatabase(m_form, m_form.state().dataPath(), localFile);
    }
    m_form.DataTemp->close();
    m_form.DataTemp->setDatabaseName(localFile);
}

bool Selection::selectForDocument(const QString &code)
{
    const Services &services = m_form.services();
    const QString localFile = programFile(QString(files::Temp));
    // Temp.Mdb is replaced only when no other program holds it open.
    if (services.paths.fileExists(localFile)
        && !lockFileExists(services.paths, programFile(QStringLiteral("Temp.ldb")))) {
        TerminalState &state = m_form.state();
        if (state.operation() == kDepo)
            state.setDataPath(dataDirectoryOf(state.dataPath()) + code);
        if (state.role() == kServerRole) {
            const QString stock = state.dataPath() + QString(files::Stok);
            if (!serverbooks::exists(services.paths, stock)) {
                services.dialogs.messageBox(m_form.Combo1->text() + QStringLiteral(" Bilgisi Bulunamadı"));
                services.program.endAtOnce();
                return false;
            }
            removeFile(services.paths, localFile);
            CopyDatabase(m_form, stock, localFile);
        }
    }
    m_form.DataTemp->setRecordSource(workingListView(WorkingListView::AllByName));
    resetWorkingList(localFile);
    bindDatabaseSet(localFile);
    return true;
}

void Selection::resetWorkingList(const QString &localFile)
{
    const Services &services = m_form.services();
    Database working;
    try {
        working = Database::open(services.paths, localFile);
    } catch (const DbError &) {
        return;
    }
    const bool purchase = m_form.state().isMode(kPurchase);
    const QString update = QStringLiteral("UPDATE %1 Set %2=%3");
    const QString table(StokKartlar::Table);
    const QStringList statements {
        update.arg(table, StokKartlar::KalanA, StokKartlar::KalanB),
        update.arg(table, StokKartlar::KalanB, QStringLiteral("0")),
        update.arg(table, StokKartlar::GirenTutar, QStringLiteral("0")),
        update.arg(table, StokKartlar::Fiyat2, purchase ? StokKartlar::gFiyat : StokKartlar::Fiyat),
        QStringLiteral("Delete FROM %1").arg(StokHareket::Table),
    };

    // Each statement rewrites every line of the list: one commit for all of them.
    std::optional<Transaction> transaction;
    try {
        transaction.emplace(services.paths);
        transaction->begin();
    } catch (const DbError &) {
        // Then each statement commits by itself.
    }
    for (const QString &statement : statements) {
        try {
            working.execute(statement);
        } catch (const DbError &) { }
    }
    try {
        if (transaction && transaction->isActive())
            transaction->commit();
    } catch (const DbError &) {
        // A commit that cannot finish is undone as a whole.
    }
    working.close();
}

void Selection::bindDatabaseSet(const QString &localFile)
{
    // Every record of a document lands in the one set its account belongs
    // to, the invoice files included: after a Depo branch the customers are
    // the branch's, and so are its invoices and its numbering.
    TerminalForm &f = m_form;
    for (DataControl *control : {f.DataTemp, f.DataCari, f.DataStok, f.DataCariHar, f.DataStokHar, f.DataFatura,
             f.DataFatHar, f.IndexPrimary, f.IndexSecondary}) {
        control->close();
    }
    const QString &dataPath = f.state().dataPath();
    f.DataTemp->setDatabaseName(localFile);
    f.DataCari->setDatabaseName(dataPath + QString(files::Cari));
    f.DataCariHar->setDatabaseName(dataPath + QString(files::Cari));
    f.DataStok->setDatabaseName(dataPath + QString(files::Stok));
    f.DataStokHar->setDatabaseName(dataPath + QString(files::Stok));
    f.DataFatura->setDatabaseName(dataPath + QString(files::Fatura));
    f.DataFatHar->setDatabaseName(dataPath + QString(files::Fatura));
    f.IndexPrimary->setDatabaseName(dataPath + QString(files::Index));
    f.IndexSecondary->setDatabaseName(dataPath + QString(files::Index));
    for (DataControl *control : {f.DataCari, f.DataCariHar, f.DataStok, f.DataStokHar, f.DataFatura, f.DataFatHar,
             f.IndexPrimary, f.IndexSecondary}) {
        refreshQuietly(*control);
    }
}

void Selection::showBalance()
{
    const Services &services = m_form.services();
    Recordset &accounts = m_form.DataCari->recordset();
    try {
        accounts.findFirst(QString(CariKartlar::Unvan) + QLatin1Char('=') + jetQuoted(m_form.Combo1->text()));
    } catch (const DbError &) { }
    QString suffix;
    try {
        suffix = accounts.field(QString(CariKartlar::Hesap)).toString() == QLatin1String("Alacak")
            ? QStringLiteral(" Alacaklı")
            : QStringLiteral(" Boçlu");
    } catch (const DbError &) { }
    m_form.Command3->setEnabled(false);
    m_form.Command1[0]->setEnabled(false);
    try {
        const QVariant balance = accounts.field(QString(CariKartlar::Bakiye));
        const QString amount
            = balance.isNull() ? QString() : services.formats.format(balance.toDouble(), QStringLiteral("#,##0.00"));
        m_form.Label2->setText(amount + suffix);
    } catch (const DbError &) { }
    m_form.Frame2->show();
    m_form.Frame2->raise();
}

} // namespace pusla
