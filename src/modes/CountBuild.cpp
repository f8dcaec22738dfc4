#include "modes/CountBuild.h"

#include "base/PathMapper.h"
#include "base/Pause.h"
#include "base/Program.h"
#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "data/SchemaDdl.h"
#include "data/ServerBooks.h"
#include "forms/ChoiceIndexes.h"
#include "forms/Controls.h"
#include "forms/CopyDatabase.h"
#include "forms/TerminalForm.h"
#include "forms/TerminalState.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/Transaction.h"
#include "store/jet/JetSql.h"

#include <QFile>
#include <QListWidget>

#include <optional>
#include <vector>

namespace pusla {

using namespace schema;

namespace {

const QString kBranchStockPattern = QStringLiteral("??Stok.mdb");
// Page cache of the count database while it grows, in KiB: its lookup
// indexes take every branch's cards in random places, and a cache that holds
// them saves re-reading their pages for every branch.
constexpr int kBuildCacheKiB = 262144;

/// The visible cards with stock or a shortage: those a count looks at.
QString countedCardsCondition()
{
    return QStringLiteral("%1=False And %2+%3<>0")
        .arg(StokKartlar::StokGizle, StokKartlar::KalanB, StokKartlar::KalanA);
}

QString countedCardsSource()
{
    return QStringLiteral("Select * From %1 Where %2 Order By %3 Asc")
        .arg(StokKartlar::Table, countedCardsCondition(), StokKartlar::StokAdi);
}

/// Runs the writes of `work` as one commit. Without a transaction (another
/// program holds a write lock past the busy timeout) each write commits by
/// itself: slower, with the same result.
template <typename Work> void inOneTransaction(const PathMapper &paths, Work &&work)
{
    std::optional<Transaction> transaction;
    try {
        transaction.emplace(paths);
        transaction->begin();
    } catch (const DbError &) { }
    work();
    try {
        if (transaction && transaction->isActive())
            transaction->commit();
    } catch (const DbError &) {
        // A commit that cannot finish is undone as a whole.
    }
}

/// The count database is read by branch code in name order, the order from
/// the name's sort index; the scan box looks lines up in the branch's own
/// copy, not here. Barcode, code and folded name indexes would take every
/// branch's cards at random places: more than half of the build's time. One
/// that cannot be dropped only makes it slower.
void dropLookupIndexes(Database &countFile)
{
    std::vector<LookupIndex> unread(cardCodeIndexes().begin(), cardCodeIndexes().end());
    unread.push_back({StokKartlar::Table, StokKartlar::StokAdi, IndexKey::Folded});
    for (const LookupIndex &index : unread) {
        try {
            countFile.dropIndex(indexName(index));
        } catch (const DbError &) { }
    }
}

} // namespace

CountBuild::CountBuild(TerminalForm &form)
    : m_form(form)
{ }

QString CountBuild::programFile(const QString &name) const
{
    return m_form.services().program.folder() + QLatin1Char('\\') + name;
}

void CountBuild::run()
{
    const Services &services = m_form.services();
    const QString countDatabase = programFile(QString(files::SayTmp));
    if (const auto local = services.paths.toLocal(countDatabase); local && QFile::exists(*local))
        QFile::remove(*local);
    CopyDatabase(m_form, programFile(QString(files::LocalStok)), countDatabase);

    std::optional<Database> countFile;
    int cacheKiB = 0;
    try {
        countFile.emplace(Database::open(services.paths, countDatabase));
        cacheKiB = countFile->cacheSize();
        countFile->setCacheSize(kBuildCacheKiB);
    } catch (const DbError &) {
        // Without a count database the branch cards have nowhere to go; each
        // copy below fails on its own.
        countFile.reset();
    }
    if (countFile)
        dropLookupIndexes(*countFile);

    DataControl &workingList = *m_form.DataTemp;
    workingList.setDatabaseName(countDatabase);
    try {
        workingList.refresh();
    } catch (const DbError &) { }

    // The MuhasebeData directory, as a file list names its folder: no
    // trailing separator.
    const QString &dataPath = m_form.state().dataPath();
    QString folder = dataPath.chopped(qMin<qsizetype>(2, dataPath.size()));
    if (folder.endsWith(QLatin1Char('\\')))
        folder.chop(1);
    QListWidget *fileList = m_form.File1;
    fileList->clear();
    fileList->addItems(serverbooks::listFiles(services.paths, folder, kBranchStockPattern));

    // The first file is the centre's own; only the branches are counted.
    for (int i = 1; i < fileList->count() && !services.program.hasEnded(); ++i)
        readBranchFile(folder, fileList->item(i)->text());

    if (countFile) {
        try {
            countFile->setCacheSize(cacheKiB);
        } catch (const DbError &) { }
    }
}

void CountBuild::readBranchFile(const QString &folder, const QString &fileName)
{
    CheckBox *countBox = m_form.Check1[kCount];
    countBox->setText(fileName);
    countBox->repaint();

    DataControl &branch = *m_form.Data1;
    branch.close();
    branch.setDatabaseName(folder + QLatin1Char('\\') + fileName);
    branch.setRecordSource(countedCardsSource());
    try {
        RefreshData(branch);
        markBranchCode(fileName.left(2));
    } catch (const DbError &) {
        // An unreadable branch file is passed over.
    }

    try {
        RefreshData(branch);
        if (branch.recordset().recordCount() > 0)
            copyCountedCards();
    } catch (const DbError &) { }

    try {
        RefreshData(*m_form.DataTemp);
    } catch (const DbError &) { }
    pauseWithEvents(m_form.services(), 2);
}

void CountBuild::markBranchCode(const QString &code)
{
    // Every card of the branch file's record set gets the code: one statement
    // with the record set's own condition, so one commit for the file. Card
    // by card through the record set costs a commit per card, and even inside
    // one transaction some forty times the statement.
    Database branchFile = Database::open(m_form.services().paths, m_form.Data1->databaseName());
    branchFile.execute(QStringLiteral("UPDATE %1 Set %2=%3 Where %4")
                           .arg(StokKartlar::Table, StokKartlar::Sube, jetQuoted(code), countedCardsCondition()));
    branchFile.close();
}

void CountBuild::copyCountedCards()
{
    const Services &services = m_form.services();
    inOneTransaction(services.paths, [&] { CopyCountStock(*m_form.Data1, services.paths, services.program.folder()); });
}

} // namespace pusla
