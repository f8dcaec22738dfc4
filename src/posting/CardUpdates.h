#pragma once

#include <QString>

namespace pusla {

class Recordset;

/// Which way a document goes for the side that posts it: a sale debits the
/// account and takes the stock out, a purchase credits the account and
/// brings the stock in.
enum class Direction { Sale, Purchase };

/// The find of a stock card by its code.
QString cardCriterion(const QString &code);

/// Finds the stock cards of all `lines` (by their `StokKod`) in one go where
/// the cards are on a server, so that a posting does not wait for a round
/// trip per line; `lines` is then at its first record again.
void findCardsAhead(Recordset &cards, Recordset &lines);

/// A card's number field; a field without a value counts as 0.
double numberField(const Recordset &records, const char *name);

/// Adds a line to the current stock card: `CikanMik`/`CikanTutar` for a sale,
/// `GirenMik`/`GirenTutar` for a purchase, then the balance: the shortage in
/// `KalanA` or the quantity on hand in `KalanB`, rounded to 4 decimals (a
/// half to the even digit), the other of the two 0. Edits and saves the card.
void updateStockCard(Recordset &cards, Direction direction, double quantity, double amount);

/// Adds an amount to the current account card, `Borc` for a sale, `Alacak`
/// for a purchase, and sets `Bakiye` and `Hesap` ("Alacak" when the credit is
/// larger, otherwise "Borç"). Edits and saves the card.
void updateAccountCard(Recordset &cards, Direction direction, double amount);

} // namespace pusla
