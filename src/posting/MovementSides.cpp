#include "posting/MovementSides.h"

#include "app/TerminalForm.h"
#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "platform/Clock.h"
#include "platform/DataControl.h"
#include "platform/JetSql.h"
#include "platform/RegionalFormat.h"
#include "posting/PostingRun.h"
#include "platform/forms/Controls.h"

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

} // namespace

void postAccountMovement(TerminalForm &form, const PostingSide &side)
{
    Recordset &accounts = form.DataCari->recordset();
    Recordset &movements = form.DataCariHar->recordset();
    const bool sale = side.direction == Direction::Sale;
    const bool merkez = side.kind == SideKind::Merkez;

    movements.addNew();
    set(movements, CariHareket::CariHarKod, side.accountCode);
    set(movements, CariHareket::Tarih, merkez ? side.documentTime : form.services().clock.now());
    set(movements, CariHareket::Aciklama, sale ? QStringLiteral("Satış ile") : QStringLiteral("Alış ile"));
    set(movements, sale ? CariHareket::Borc : CariHareket::Alacak, form.m_DocTotal);
    set(movements, CariHareket::Carisi, get(accounts, merkez ? CariKartlar::CariKod : CariKartlar::Unvan));
    set(movements, CariHareket::DigerId, side.serial);
    set(movements, CariHareket::Nerde, QStringLiteral("S"));
    set(movements, CariHareket::Sube, QString(CentreCode));
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
        const QString code = get(lines, StokKartlar::StokKod).toString();
        cards.findFirst(QString(StokKartlar::StokKod) + QLatin1Char('=') + jetQuoted(code));
        if (cards.noMatch())
            throw PostingFailure(QStringLiteral("Stok kartı bulunamadı: %1").arg(code));

        movements.addNew();
        set(movements, StokHareket::StokHarKod, code);
        set(movements, StokHareket::Tarih, time);
        set(movements, StokHareket::Aciklama, QString(get(lines, StokKartlar::StokAdi).toString() + QStringLiteral(" İle")));
        set(movements, StokHareket::Birim, get(lines, StokKartlar::Birim));
        set(movements, StokHareket::Fiyat, get(lines, StokKartlar::Fiyat));
        set(movements, StokHareket::Miktar, get(lines, StokKartlar::KalanB));
        set(movements, StokHareket::Tutar, get(lines, StokKartlar::GirenTutar));
        set(movements, StokHareket::GirisCikis, out ? QStringLiteral("Satış") : QStringLiteral("Alış"));
        set(movements, StokHareket::Carisi, side.accountCode);
        set(movements, StokHareket::DigerId, side.serial);
        set(movements, StokHareket::Nerde, QStringLiteral("C"));
        set(movements, StokHareket::SatTar, side.documentTime);
        set(movements, StokHareket::StokAd, get(cards, StokKartlar::StokAdi));
        set(movements, StokHareket::Unvan, form.Combo1->text());
        set(movements, StokHareket::Barkod, get(cards, StokKartlar::Barkod));
        set(movements, StokHareket::Maliyet, get(cards, StokKartlar::gFiyat));
        set(movements, StokHareket::Sube, branch);
        if (!merkez)
            set(movements, StokHareket::tGurup, QStringLiteral("Şube"));
        movements.update();

        updateStockCard(cards, side.direction, numberField(lines, StokKartlar::KalanB.data()),
                        numberField(lines, StokKartlar::GirenTutar.data()));
        lines.moveNext();
    }
}

} // namespace pusla
