#include "posting/MovementDocument.h"

#include "data/DataRoutines.h"
#include "data/DatabaseSet.h"
#include "data/RecordNumbering.h"
#include "data/Schema.h"
#include "base/Clock.h"
#include "store/DataControl.h"
#include "store/jet/JetSql.h"
#include "base/RegionalFormat.h"
#include "posting/AtomicPosting.h"
#include "posting/RecordFields.h"
#include "posting/WorkingListViews.h"
#include "base/Program.h"
#include "base/Services.h"
#include "store/DbError.h"

#include <QDateTime>

#include <utility>
#include <vector>

namespace pusla {

using namespace schema;

namespace {

/// The two sides of a movement posting. A Depo transfer posts the Merkez side
/// in the branch's set, against its account "Merkez", and the document side
/// in the centre's set against the branch's account; a Cari document has
/// only the document side.
enum class SideKind { Merkez, Document };

/// What every record of one side shares.
struct PostingSide
{
    SideKind kind = SideKind::Document;
    Direction direction = Direction::Sale;
    /// Taken once when the posting starts.
    QDateTime documentTime;
    /// The document serial, in `DigerId` of every movement of both sides.
    QString serial;
    /// The side's account: "Merkez"'s code, the branch account (Şube02) or the customer's code.
    QString accountCode;
};

/// What the posting needs of the machine: the time, the regional formats and
/// the mapping of the suite's file names.
struct PostingContext
{
    const Clock &clock;
    const RegionalFormat &formats;
    const PathMapper &paths;
};

/// One posting of a document into the set the controls point at.
class MovementPosting
{
public:
    MovementPosting(const DataControls &controls, const PostingContext &context, const MovementDocument &document)
        : m_controls(controls)
        , m_context(context)
        , m_document(document)
    { }

    void post();

private:
    QString documentAccountCode();
    void postAccountMovement(const PostingSide &side);
    void postStockMovements(const PostingSide &side);
    void switchToCentre();

    const DataControls &m_controls;
    const PostingContext &m_context;
    const MovementDocument &m_document;
};

void MovementPosting::post()
{
    Recordset &accounts = m_controls.DataCari->recordset();

    // Cards and accounts as they are now, with those other terminals or the
    // suite added since the set was opened; the files are locked from here on.
    RefreshData(*m_controls.DataCari);
    RefreshData(*m_controls.DataStok);

    // The document account of Cari mode is the one chosen in the list, found
    // now by its title: wherever the account list happens to stand (its first
    // card after a failed posting) is no choice of the operator's.
    QString code = m_document.depo ? QString() : documentAccountCode();

    PostingSide side;
    side.documentTime = m_context.clock.now();
    side.serial = NextRecordNumber(*m_controls.IndexPrimary, *m_controls.IndexSecondary, 0,
        QString::number(side.documentTime.date().year()), m_context.paths);
    const bool saleBox = m_document.direction == Direction::Sale;

    if (m_document.depo) {
        accounts.findFirst(QStringLiteral("Unvan='Merkez'"));
        if (accounts.noMatch())
            throw PostingFailure(QStringLiteral("\"Merkez\" cari hesabı bulunamadı."));
        side.kind = SideKind::Merkez;
        side.direction = saleBox ? Direction::Purchase : Direction::Sale;
        side.accountCode = accounts.field(QString(CariKartlar::CariKod)).toString();
        postAccountMovement(side);
        postStockMovements(side);
        switchToCentre();
        code = QStringLiteral("Şube") + m_context.formats.format(m_document.chosenIndex + 2, QStringLiteral("00"));
    }

    accounts.findFirst(QString(CariKartlar::CariKod) + QLatin1Char('=') + jetQuoted(code));
    if (accounts.noMatch())
        throw PostingFailure(QStringLiteral("Cari hesap bulunamadı: %1").arg(code));
    side.kind = SideKind::Document;
    side.direction = m_document.direction;
    side.accountCode = code;
    postAccountMovement(side);
    postStockMovements(side);
}

QString MovementPosting::documentAccountCode()
{
    const QString &title = m_document.chosenTitle;
    if (title.isEmpty())
        throw PostingFailure(QStringLiteral("Cari hesap seçili değil."));
    Recordset &accounts = m_controls.DataCari->recordset();
    accounts.findFirst(QString(CariKartlar::Unvan) + QLatin1Char('=') + jetQuoted(title));
    if (accounts.noMatch())
        throw PostingFailure(QStringLiteral("Cari hesap bulunamadı: %1").arg(title));
    return accounts.field(QString(CariKartlar::CariKod)).toString();
}

/// Writes the side's account movement and carries the document total into
/// the current account card.
void MovementPosting::postAccountMovement(const PostingSide &side)
{
    Recordset &accounts = m_controls.DataCari->recordset();
    Recordset &movements = m_controls.DataCariHar->recordset();
    const bool sale = side.direction == Direction::Sale;
    const bool merkez = side.kind == SideKind::Merkez;

    movements.addNew();
    setField(movements, CariHareket::CariHarKod, side.accountCode);
    setField(movements, CariHareket::Tarih, merkez ? side.documentTime : m_context.clock.now());
    setField(movements, CariHareket::Aciklama, sale ? QStringLiteral("Satış ile") : QStringLiteral("Alış ile"));
    setField(movements, sale ? CariHareket::Borc : CariHareket::Alacak, m_document.total);
    setField(movements, CariHareket::Carisi, field(accounts, merkez ? CariKartlar::CariKod : CariKartlar::Unvan));
    setField(movements, CariHareket::DigerId, side.serial);
    setField(movements, CariHareket::Nerde, QStringLiteral("S"));
    setField(movements, CariHareket::Sube, QString(CentreCode));
    movements.update();

    updateAccountCard(accounts, side.direction, m_document.total);
}

/// Writes one stock movement per line of the working list (as it stands: the
/// lines of the document by code) and brings each item's stock card up to
/// date. A line whose stock card is missing fails the posting.
void MovementPosting::postStockMovements(const PostingSide &side)
{
    const RegionalFormat &formats = m_context.formats;
    Recordset &lines = m_controls.DataTemp->recordset();
    Recordset &cards = m_controls.DataStok->recordset();
    Recordset &movements = m_controls.DataStokHar->recordset();
    const bool out = side.direction == Direction::Sale;
    const bool merkez = side.kind == SideKind::Merkez;
    const QString time = formats.formatDate(side.documentTime, QStringLiteral("dd/mm/yyyy HH:MM"));
    const QString branch = merkez ? formats.format(m_document.chosenIndex + 1, QStringLiteral("00"))
                                  : QString(side.accountCode).remove(QStringLiteral("Şube"));

    RefreshData(*m_controls.DataTemp);
    findCardsAhead(cards, lines);
    while (!lines.eof()) {
        const RecordSnapshot line(lines);
        const QString code = line[StokKartlar::StokKod].toString();
        cards.findFirst(cardCriterion(code));
        if (cards.noMatch())
            throw PostingFailure(QStringLiteral("Stok kartı bulunamadı: %1").arg(code));

        movements.addNew();
        setField(movements, StokHareket::StokHarKod, code);
        setField(movements, StokHareket::Tarih, time);
        setField(
            movements, StokHareket::Aciklama, QString(line[StokKartlar::StokAdi].toString() + QStringLiteral(" İle")));
        setField(movements, StokHareket::Birim, line[StokKartlar::Birim]);
        setField(movements, StokHareket::Fiyat, line[StokKartlar::Fiyat]);
        setField(movements, StokHareket::Miktar, line[StokKartlar::KalanB]);
        setField(movements, StokHareket::Tutar, line[StokKartlar::GirenTutar]);
        setField(movements, StokHareket::GirisCikis, out ? QStringLiteral("Satış") : QStringLiteral("Alış"));
        setField(movements, StokHareket::Carisi, side.accountCode);
        setField(movements, StokHareket::DigerId, side.serial);
        setField(movements, StokHareket::Nerde, QStringLiteral("C"));
        setField(movements, StokHareket::SatTar, side.documentTime);
        setField(movements, StokHareket::StokAd, field(cards, StokKartlar::StokAdi));
        setField(movements, StokHareket::Unvan, m_document.chosenTitle);
        setField(movements, StokHareket::Barkod, field(cards, StokKartlar::Barkod));
        setField(movements, StokHareket::Maliyet, field(cards, StokKartlar::gFiyat));
        setField(movements, StokHareket::Sube, branch);
        if (!merkez)
            setField(movements, StokHareket::tGurup, QStringLiteral("Şube"));
        movements.update();

        updateStockCard(cards, side.direction, line.number(StokKartlar::KalanB), line.number(StokKartlar::GirenTutar));
        lines.moveNext();
    }
}

/// Points the account, stock and index controls at the centre's set.
void MovementPosting::switchToCentre()
{
    const DataControls &c = m_controls;
    const QString prefix = centrePrefix(c.DataCari->databaseName());
    c.DataCari->setDatabaseName(prefix + QStringLiteral("01Cari.Mdb"));
    c.DataCariHar->setDatabaseName(prefix + QStringLiteral("01Cari.Mdb"));
    c.DataStok->setDatabaseName(prefix + QStringLiteral("01Stok.Mdb"));
    c.DataStokHar->setDatabaseName(prefix + QStringLiteral("01Stok.Mdb"));
    c.IndexPrimary->setDatabaseName(prefix + QStringLiteral("01Index.Mdb"));
    c.IndexSecondary->setDatabaseName(prefix + QStringLiteral("01Index.Mdb"));
    for (DataControl *control :
        {c.DataCari, c.DataStok, c.DataCariHar, c.DataStokHar, c.IndexPrimary, c.IndexSecondary})
        RefreshData(*control);
}

} // namespace

PostingResult postMovements(const DataControls &controls, const Services &services, const MovementDocument &document)
{
    PostingResult result;
    result.total = document.total;
    try {
        DataControl &workingList = *controls.DataTemp;
        workingList.close();
        workingList.setRecordSource(workingListView(WorkingListView::DocumentByCode));
        RefreshData(workingList);
    } catch (const DbError &) {
        // Nothing can be read to post; the total decides below.
    }
    if (document.total == 0) {
        result.outcome = PostingResult::Outcome::NothingToPost;
        return result;
    }

    // The set the document was captured in: a Depo posting ends in the
    // centre's, and a failed one goes back.
    std::vector<std::pair<DataControl *, QString>> bindings;
    for (DataControl *control : {controls.DataCari, controls.DataCariHar, controls.DataStok, controls.DataStokHar,
             controls.IndexPrimary, controls.IndexSecondary})
        bindings.emplace_back(control, control->databaseName());

    PostingFiles files;
    files.books = QStringList {controls.DataCari->databaseName(), controls.DataStok->databaseName(),
        controls.IndexPrimary->databaseName()};
    if (document.depo) {
        const QString prefix = centrePrefix(controls.DataCari->databaseName());
        files.books << prefix + QStringLiteral("01Cari.Mdb") << prefix + QStringLiteral("01Stok.Mdb")
                    << prefix + QStringLiteral("01Index.Mdb");
    }
    files.keyFile = controls.IndexPrimary->databaseName();
    files.programFolder = services.program.folder();

    const PostingContext context {services.clock, services.formats, services.paths};
    result = postAtomically(services.paths, files, [&] {
        reopenClosed(controls);
        MovementPosting(controls, context, document).post();
        return true;
    });
    result.total = document.total;
    if (result.outcome != PostingResult::Outcome::Posted) {
        for (const auto &[control, databaseName] : bindings)
            control->setDatabaseName(databaseName);
        refreshAfterRollback(services.paths, controls);
    }
    return result;
}

QString centrePrefix(const QString &accountFile)
{
    // The company number stands just before "Cari" in the file name. The
    // name is searched, not the folders: a data directory whose path holds
    // "Cari" would otherwise be cut in the middle.
    const qsizetype name = accountFile.lastIndexOf(QLatin1Char('\\')) + 1;
    const qsizetype p = accountFile.indexOf(QLatin1String("Cari"), name) + 1;
    return accountFile.left(qMax<qsizetype>(0, p - 3));
}

} // namespace pusla
