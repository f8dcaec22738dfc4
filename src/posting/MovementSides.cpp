#include "posting/MovementSides.h"

#include "app/TerminalForm.h"
#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "platform/Clock.h"
#include "platform/DataControl.h"
#include "platform/JetSql.h"
#include "platform/RegionalFormat.h"
#include "platform/forms/Controls.h"
#include "posting/AtomicPosting.h"
#include "posting/RecordFields.h"

namespace pusla {

using namespace schema;

void postAccountMovement(TerminalForm &form, const PostingSide &side)
{
    Recordset &accounts = form.DataCari->recordset();
    Recordset &movements = form.DataCariHar->recordset();
    const bool sale = side.direction == Direction::Sale;
    const bool merkez = side.kind == SideKind::Merkez;

    movements.addNew();
    setField(movements, CariHareket::CariHarKod, side.accountCode);
    setField(movements, CariHareket::Tarih, merkez ? side.documentTime : form.services().clock.now());
    setField(movements, CariHareket::Aciklama, sale ? QStringLiteral("Satış ile") : QStringLiteral("Alış ile"));
    setField(movements, sale ? CariHareket::Borc : CariHareket::Alacak, form.m_DocTotal);
    setField(movements, CariHareket::Carisi, field(accounts, merkez ? CariKartlar::CariKod : CariKartlar::Unvan));
    setField(movements, CariHareket::DigerId, side.serial);
    setField(movements, CariHareket::Nerde, QStringLiteral("S"));
    setField(movements, CariHareket::Sube, QString(CentreCode));
    movements.update();

    updateAccountCard(accounts, side.direction, form.m_DocTotal);
}

void postStockMovements(TerminalForm &form, const PostingSide &side)
{
    const RegionalFormat &formats = form.services().formats;
    Recordset &lines = form.DataTemp->recordset();
    Recordset &cards = form.DataStok->recordset();
    Recordset &movements = form.DataStokHar->recordset();
    const bool out = side.direction == Direction::Sale;
    const bool merkez = side.kind == SideKind::Merkez;
    const QString time = formats.formatDate(side.documentTime, QStringLiteral("dd/mm/yyyy HH:MM"));
    const QString branch = merkez ? formats.format(form.Combo1->listIndex() + 1, QStringLiteral("00"))
                                  : QString(side.accountCode).remove(QStringLiteral("Şube"));

    RefreshData(*form.DataTemp);
    while (!lines.eof()) {
        const RecordSnapshot line(lines);
        const QString code = line[StokKartlar::StokKod].toString();
        cards.findFirst(QString(StokKartlar::StokKod) + QLatin1Char('=') + jetQuoted(code));
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
        setField(movements, StokHareket::Unvan, form.Combo1->text());
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

} // namespace pusla
