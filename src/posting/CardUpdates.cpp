#include "posting/CardUpdates.h"

#include "data/Schema.h"
#include "store/Recordset.h"
#include "base/Rounding.h"
#include "store/jet/JetSql.h"

#include <QStringList>

namespace pusla {

using namespace schema;

QString cardCriterion(const QString &code)
{
    return QString(StokKartlar::StokKod) + QLatin1Char('=') + jetQuoted(code);
}

void findCardsAhead(Recordset &cards, Recordset &lines)
{
    if (!cards.canFindAhead())
        return;
    QStringList criteria;
    for (lines.moveFirst(); !lines.eof(); lines.moveNext())
        criteria.append(cardCriterion(lines.field(QString(StokKartlar::StokKod)).toString()));
    if (lines.recordCount() > 0)
        lines.moveFirst();
    cards.findAhead(criteria);
}

double numberField(const Recordset &records, const char *name)
{
    const QVariant value = records.field(QString::fromLatin1(name));
    return value.isNull() ? 0.0 : value.toDouble();
}

void updateStockCard(Recordset &cards, Direction direction, double quantity, double amount)
{
    const bool out = direction == Direction::Sale;
    const Name quantityField = out ? StokKartlar::CikanMik : StokKartlar::GirenMik;
    const Name amountField = out ? StokKartlar::CikanTutar : StokKartlar::GirenTutar;

    cards.edit();
    cards.setField(QString(quantityField), numberField(cards, quantityField.data()) + quantity);
    cards.setField(QString(amountField), numberField(cards, amountField.data()) + amount);
    const double in = numberField(cards, StokKartlar::GirenMik.data());
    const double gone = numberField(cards, StokKartlar::CikanMik.data());
    if (gone > in) {
        cards.setField(QString(StokKartlar::KalanA), roundHalfEven(gone - in, 4));
        cards.setField(QString(StokKartlar::KalanB), 0);
    } else {
        cards.setField(QString(StokKartlar::KalanB), roundHalfEven(in - gone, 4));
        cards.setField(QString(StokKartlar::KalanA), 0);
    }
    cards.update();
}

void updateAccountCard(Recordset &cards, Direction direction, double amount)
{
    const Name side = direction == Direction::Sale ? CariKartlar::Borc : CariKartlar::Alacak;

    cards.edit();
    cards.setField(QString(side), numberField(cards, side.data()) + amount);
    const double debit = numberField(cards, CariKartlar::Borc.data());
    const double credit = numberField(cards, CariKartlar::Alacak.data());
    if (credit > debit) {
        cards.setField(QString(CariKartlar::Bakiye), credit - debit);
        cards.setField(QString(CariKartlar::Hesap), QStringLiteral("Alacak"));
    } else {
        cards.setField(QString(CariKartlar::Bakiye), debit - credit);
        cards.setField(QString(CariKartlar::Hesap), QStringLiteral("Borç"));
    }
    cards.update();
}

} // namespace pusla
