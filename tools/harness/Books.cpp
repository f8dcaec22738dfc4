#include "Books.h"

#include "BookFile.h"
#include "Counters.h"
#include "Journal.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QVariant>

#include <cmath>
#include <stdexcept>

namespace pusla::harness {

namespace {

const QStringList kMovementTables{QStringLiteral("StokHareket"), QStringLiteral("CariHareket"),
                                  QStringLiteral("Faturalar"), QStringLiteral("FatHareket")};

QString tableFile(const QString &table)
{
    if (table == QLatin1String("StokHareket"))
        return QStringLiteral("Stok");
    if (table == QLatin1String("CariHareket"))
        return QStringLiteral("Cari");
    return QStringLiteral("Fatura");
}

QJsonArray numbers(const QList<double> &values)
{
    QJsonArray array;
    for (double v : values)
        array.append(v);
    return array;
}

QList<double> numbers(const QJsonArray &array)
{
    QList<double> values;
    for (const QJsonValue &v : array)
        values << v.toDouble();
    return values;
}

struct StockMove
{
    QString code;
    QString direction;
    double quantity = 0;
    double amount = 0;
    QString serial;
    QString lineSerial;
    QString account;
};

struct AccountMove
{
    QString code;
    double debit = 0;
    double credit = 0;
    QString serial;
};

struct InvoiceParts
{
    QList<Row> headers; // FaturaNo, FatTop, FatKdvTut, FatCari
    QList<Row> lines;   // FatHarNo, SeriNoDiger, FatTutar
    QList<StockMove> stock;
    QList<AccountMove> accounts;
};

struct MovementParts
{
    QString company;
    QList<AccountMove> accounts;
    QList<StockMove> stock;
};

/// Everything one database set wrote since the baseline.
struct SetChanges
{
    QList<StockMove> stock;
    QList<AccountMove> accounts;
    QList<Row> invoices;
    QList<Row> invoiceLines;
    QString merkezCode;
};

class Verifier
{
public:
    Verifier(const QString &dataDirectory, const QStringList &programFolders, const Baseline &baseline,
             const QHash<QString, Leftovers> &leftAtCrash)
        : m_data(dataDirectory)
        , m_programs(programFolders)
        , m_baseline(baseline)
        , m_leftAtCrash(leftAtCrash)
    { }

    Verdict run()
    {
        // Before anything here opens a file and so rolls back what it finds.
        checkRecovered();
        checkIntegrity();
        for (const QString &company : companyCodes(m_data)) {
            try {
                checkSet(company);
            } catch (const std::exception &error) {
                violation(QStringLiteral("set %1 cannot be read: %2").arg(company, QString::fromUtf8(error.what())));
            }
        }
        checkDepoTransfers();
        checkTerminals(m_programs, m_baseline, m_documents, m_keys, m_leftAtCrash, m_verdict);
        try {
            m_verdict.violations << checkCounters(m_data, m_programs);
        } catch (const std::exception &error) {
            violation(QStringLiteral("the counters cannot be read: ") + QString::fromUtf8(error.what()));
        }
        return m_verdict;
    }

private:
    void violation(const QString &text) { m_verdict.violations << text; }

    /// A terminal that opened the set after a crash rolled back what the crash left half written.
    /// A journal whose header never got its magic number is no hot journal: the
    /// file it belongs to was not written yet.
    void checkRecovered()
    {
        static const QByteArray magic = QByteArray::fromHex("d9d505f920a163d7");
        for (const QString &name : QDir(m_data).entryList({QStringLiteral("*.mdb-journal")}, QDir::Files)) {
            QFile journal(QDir(m_data).filePath(name));
            if (journal.open(QIODevice::ReadOnly) && journal.read(magic.size()) == magic)
                violation(QStringLiteral("%1: a hot journal is left: no terminal recovered the file").arg(name));
        }
    }

    QString title(const QString &company, const QString &account) const
    {
        return m_titles.value(company).value(account, QStringLiteral("(no account %1)").arg(account));
    }

    static QList<JournalLine> linesOf(const QList<StockMove> &moves)
    {
        QList<JournalLine> lines;
        for (const StockMove &m : moves)
            lines.append({m.code, m.quantity, m.amount, 0.0});
        return lines;
    }

    void checkIntegrity()
    {
        QStringList folders{m_data};
        folders << m_programs;
        for (const QString &folder : folders) {
            const QStringList names = QDir(folder).entryList(QDir::Files);
            for (const QString &name : names) {
                if (!name.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive))
                    continue;
                const QString path = QDir(folder).filePath(name);
                try {
                    const QList<Row> result = BookFile(path).rows(QStringLiteral("PRAGMA integrity_check"));
                    if (result.size() != 1 || result[0][0].toString() != QLatin1String("ok"))
                        violation(QStringLiteral("%1: integrity check: %2").arg(path, result.value(0).value(0).toString()));
                } catch (const std::exception &error) {
                    violation(QStringLiteral("%1: cannot be checked: %2").arg(path, QString::fromUtf8(error.what())));
                }
            }
        }
    }

    void checkSet(const QString &company)
    {
        if (!m_baseline.sets.contains(company)) {
            violation(QStringLiteral("set %1 is not in the baseline").arg(company));
            return;
        }
        const Baseline::Set &base = m_baseline.sets[company];
        const BookFile stock(setFile(m_data, company, "Stok"));
        const BookFile accounts(setFile(m_data, company, "Cari"));
        const BookFile invoices(setFile(m_data, company, "Fatura"));
        SetChanges changes;

        for (const Row &r : stock.rows(QStringLiteral("SELECT StokHarKod, GirisCikis, Miktar, Tutar, DigerId, "
                                                       "SeriNoDiger, Carisi, Nerde FROM StokHareket WHERE rowid > ?"),
                                       {base.lastRow.value(QStringLiteral("StokHareket"))})) {
            StockMove move{r[0].toString(), r[1].toString(), number(r[2]), number(r[3]),
                           r[4].toString(), r[5].toString(), r[6].toString()};
            move.account = r[7].toString() + QLatin1Char('|') + move.account; // Nerde|Carisi
            changes.stock << move;
        }
        for (const Row &r : accounts.rows(QStringLiteral("SELECT CariHarKod, Borc, Alacak, DigerId, Nerde FROM "
                                                          "CariHareket WHERE rowid > ?"),
                                          {base.lastRow.value(QStringLiteral("CariHareket"))})) {
            changes.accounts << AccountMove{r[4].toString() + QLatin1Char('|') + r[0].toString(), number(r[1]),
                                            number(r[2]), r[3].toString()};
        }
        changes.invoices = invoices.rows(QStringLiteral("SELECT FaturaNo, FatTop, FatKdvTut, FatCari, DigerId FROM "
                                                        "Faturalar WHERE rowid > ?"),
                                         {base.lastRow.value(QStringLiteral("Faturalar"))});
        changes.invoiceLines = invoices.rows(QStringLiteral("SELECT FatHarNo, SeriNoDiger, FatTutar, DigerId FROM "
                                                            "FatHareket WHERE rowid > ?"),
                                             {base.lastRow.value(QStringLiteral("FatHareket"))});
        const QList<Row> merkez = accounts.rows(QStringLiteral("SELECT CariKod FROM CariKartlar WHERE Unvan='Merkez'"));
        changes.merkezCode = merkez.isEmpty() ? QString() : merkez[0][0].toString();
        for (const Row &r : accounts.rows(QStringLiteral("SELECT CariKod, Unvan FROM CariKartlar")))
            m_titles[company].insert(r[0].toString(), r[1].toString());
        readKeys(company, base);

        reconcileStock(company, base, stock, changes);
        reconcileAccounts(company, base, accounts, changes);
        checkInvoices(company, changes);
        checkMovementDocuments(company, changes);
        checkDuplicates(company, stock, invoices);
    }

    /// The posting keys written since the baseline.
    void readKeys(const QString &company, const Baseline::Set &base)
    {
        const BookFile index(setFile(m_data, company, "Index"));
        if (!index.hasTable(QStringLiteral("PuslaKayit")))
            return;
        for (const Row &r : index.rows(QStringLiteral("SELECT Anahtar FROM PuslaKayit WHERE rowid > ? AND Tarih IS NOT 'void'"),
                                       {base.lastRow.value(QStringLiteral("PuslaKayit"))}))
            m_keys[company] << r[0].toString();
    }

    void reconcileStock(const QString &company, const Baseline::Set &base, const BookFile &stock,
                        const SetChanges &changes)
    {
        QHash<QString, QList<double>> moved; // in qty, out qty, in amount, out amount
        for (const StockMove &m : changes.stock) {
            QList<double> &sums = moved[m.code];
            sums.resize(4);
            if (m.direction == QStringLiteral("Alış")) {
                sums[0] += m.quantity;
                sums[2] += m.amount;
            } else if (m.direction == QStringLiteral("Satış")) {
                sums[1] += m.quantity;
                sums[3] += m.amount;
            } else {
                violation(QStringLiteral("set %1: stock movement of %2 is neither Alış nor Satış: %3")
                              .arg(company, m.code, m.direction));
            }
        }
        const QList<Row> cards = stock.rows(
            QStringLiteral("SELECT StokKod, GirenMik, CikanMik, GirenTutar, CikanTutar, KalanA, KalanB FROM StokKartlar"));
        QSet<QString> seen;
        static const char *names[] = {"GirenMik", "CikanMik", "GirenTutar", "CikanTutar"};
        for (const Row &card : cards) {
            const QString code = card[0].toString();
            if (seen.contains(code))
                violation(QStringLiteral("set %1: stock card %2 is there twice").arg(company, code));
            seen.insert(code);
            if (!base.cards.contains(code)) {
                violation(QStringLiteral("set %1: stock card %2 appeared").arg(company, code));
                continue;
            }
            const QList<double> before = base.cards[code];
            QList<double> sums = moved.value(code);
            sums.resize(4);
            for (int i = 0; i < 4; ++i) {
                const double change = number(card[1 + i]) - before.value(i);
                if (!near(change, sums[i]))
                    violation(QStringLiteral("set %1: stock card %2: %3 changed by %4, its movements add up to %5 "
                                             "(lost or unrecorded update)")
                                  .arg(company, code, QLatin1String(names[i]), fmt(change), fmt(sums[i])));
            }
            const double in = number(card[1]);
            const double out = number(card[2]);
            const double shortage = out > in ? std::round((out - in) * 1e4) / 1e4 : 0.0;
            const double onHand = out > in ? 0.0 : std::round((in - out) * 1e4) / 1e4;
            if (std::fabs(number(card[5]) - shortage) > 1.0001e-4 || std::fabs(number(card[6]) - onHand) > 1.0001e-4)
                violation(QStringLiteral("set %1: stock card %2: KalanA/KalanB %3/%4 do not follow GirenMik %5 - "
                                         "CikanMik %6")
                              .arg(company, code, fmt(number(card[5])), fmt(number(card[6])), fmt(in), fmt(out)));
        }
        for (auto it = moved.cbegin(); it != moved.cend(); ++it) {
            if (!seen.contains(it.key()))
                violation(QStringLiteral("set %1: movements of a stock card that is not there: %2").arg(company, it.key()));
        }
    }

    void reconcileAccounts(const QString &company, const Baseline::Set &base, const BookFile &accounts,
                           const SetChanges &changes)
    {
        QHash<QString, QList<double>> moved;
        for (const AccountMove &m : changes.accounts) {
            QList<double> &sums = moved[m.code.section(u'|', 1)];
            sums.resize(2);
            sums[0] += m.debit;
            sums[1] += m.credit;
        }
        const QList<Row> cards
            = accounts.rows(QStringLiteral("SELECT CariKod, Borc, Alacak, Bakiye, Hesap FROM CariKartlar"));
        QSet<QString> seen;
        for (const Row &card : cards) {
            const QString code = card[0].toString();
            if (seen.contains(code))
                violation(QStringLiteral("set %1: account %2 is there twice").arg(company, code));
            seen.insert(code);
            if (!base.accounts.contains(code)) {
                violation(QStringLiteral("set %1: account %2 appeared").arg(company, code));
                continue;
            }
            const QList<double> before = base.accounts[code];
            QList<double> sums = moved.value(code);
            sums.resize(2);
            const double debit = number(card[1]);
            const double credit = number(card[2]);
            if (!near(debit - before.value(0), sums[0]))
                violation(QStringLiteral("set %1: account %2: Borc changed by %3, its movements add up to %4")
                              .arg(company, code, fmt(debit - before.value(0)), fmt(sums[0])));
            if (!near(credit - before.value(1), sums[1]))
                violation(QStringLiteral("set %1: account %2: Alacak changed by %3, its movements add up to %4")
                              .arg(company, code, fmt(credit - before.value(1)), fmt(sums[1])));
            if (moved.contains(code)) {
                const QString side = credit > debit ? QStringLiteral("Alacak") : QStringLiteral("Borç");
                if (!near(number(card[3]), std::fabs(debit - credit)) || card[4].toString() != side)
                    violation(QStringLiteral("set %1: account %2: Bakiye %3 %4 does not follow Borc %5 / Alacak %6")
                                  .arg(company, code, fmt(number(card[3])), card[4].toString(), fmt(debit), fmt(credit)));
            }
        }
        for (auto it = moved.cbegin(); it != moved.cend(); ++it) {
            if (!seen.contains(it.key()))
                violation(QStringLiteral("set %1: movements of an account that is not there: %2").arg(company, it.key()));
        }
    }

    void checkInvoices(const QString &company, const SetChanges &changes)
    {
        QMap<QString, InvoiceParts> bySerial;
        for (const Row &r : changes.invoices)
            bySerial[r[4].toString()].headers << Row{r[0], r[1], r[2], r[3]};
        for (const Row &r : changes.invoiceLines)
            bySerial[r[3].toString()].lines << Row{r[0], r[1], r[2]};
        for (const StockMove &m : changes.stock) {
            if (m.account.startsWith(QLatin1String("F|")))
                bySerial[m.serial].stock << m;
        }
        for (const AccountMove &m : changes.accounts) {
            if (m.code.startsWith(QLatin1String("F|")))
                bySerial[m.serial].accounts << m;
        }
        for (auto it = bySerial.cbegin(); it != bySerial.cend(); ++it) {
            const QString where = QStringLiteral("set %1: invoice with DigerId %2: ").arg(company, it.key());
            const InvoiceParts &p = it.value();
            const qsizetype found = m_verdict.violations.size();
            if (p.headers.size() != 1) {
                violation(where + (p.headers.isEmpty() ? QStringLiteral("lines or movements without a Faturalar row")
                                                       : QStringLiteral("%1 Faturalar rows (DigerId drawn twice)")
                                                             .arg(p.headers.size())));
                if (p.headers.isEmpty())
                    continue;
            }
            ++m_verdict.documents;
            const QString number_ = p.headers[0][0].toString();
            const double total = number(p.headers[0][1]);
            const double vat = number(p.headers[0][2]);
            const QString customer = p.headers[0][3].toString();
            if (p.lines.isEmpty() || p.lines.size() != p.stock.size())
                violation(where + QStringLiteral("%1 FatHareket rows against %2 StokHareket rows")
                                      .arg(p.lines.size())
                                      .arg(p.stock.size()));
            double lineSum = 0;
            QStringList lineSerials;
            for (const Row &line : p.lines) {
                lineSum += number(line[2]);
                lineSerials << line[1].toString();
                if (line[0].toString() != number_)
                    violation(where + QStringLiteral("a line of %1 carries FatHarNo %2").arg(number_, line[0].toString()));
            }
            double stockSum = 0;
            QStringList stockSerials;
            for (const StockMove &m : p.stock) {
                stockSum += m.amount;
                stockSerials << m.lineSerial;
                if (m.direction != QStringLiteral("Satış"))
                    violation(where + QStringLiteral("stock movement %1 is not a sale").arg(m.code));
            }
            lineSerials.sort();
            stockSerials.sort();
            if (lineSerials != stockSerials)
                violation(where + QStringLiteral("line serials %1 against stock movement serials %2")
                                      .arg(lineSerials.join(u','), stockSerials.join(u',')));
            if (!near(total, lineSum) || !near(total, stockSum))
                violation(where + QStringLiteral("FatTop %1, lines %2, stock movements %3")
                                      .arg(fmt(total), fmt(lineSum), fmt(stockSum)));
            int customerRows = 0;
            int vatRows = 0;
            for (const AccountMove &m : p.accounts) {
                const QString code = m.code.section(u'|', 1);
                if (code == customer) {
                    ++customerRows;
                    if (!near(m.debit, total))
                        violation(where + QStringLiteral("customer debited %1 for a total of %2").arg(fmt(m.debit), fmt(total)));
                } else if (code == QLatin1String("=110")) {
                    ++vatRows;
                    if (!near(m.debit, vat))
                        violation(where + QStringLiteral("VAT account debited %1 for VAT of %2").arg(fmt(m.debit), fmt(vat)));
                } else {
                    violation(where + QStringLiteral("movement of an unexpected account %1").arg(code));
                }
            }
            if (customerRows != 1 || vatRows != (vat > 0 ? 1 : 0))
                violation(where + QStringLiteral("%1 customer and %2 VAT movements").arg(customerRows).arg(vatRows));
            if (m_verdict.violations.size() == found)
                m_documents.append({QStringLiteral("invoice"), company, title(company, customer), linesOf(p.stock),
                                    number_});
        }
    }

    void checkMovementDocuments(const QString &company, const SetChanges &changes)
    {
        QMap<QString, MovementParts> cari;
        for (const AccountMove &m : changes.accounts) {
            if (m.code.startsWith(QLatin1String("S|")))
                place(company, changes, m.code.section(u'|', 1), m.serial, cari).accounts << m;
        }
        for (const StockMove &m : changes.stock) {
            if (m.account.startsWith(QLatin1String("C|")))
                place(company, changes, m.account.section(u'|', 1), m.serial, cari).stock << m;
        }
        for (auto it = cari.cbegin(); it != cari.cend(); ++it) {
            const QString where = QStringLiteral("set %1: account document with DigerId %2: ").arg(company, it.key());
            const qsizetype found = m_verdict.violations.size();
            if (!checkSide(where, it.value()))
                continue;
            ++m_verdict.documents;
            if (m_verdict.violations.size() == found) {
                const AccountMove &account = it->accounts[0];
                m_documents.append({account.debit > 0 ? QStringLiteral("cari-sale") : QStringLiteral("cari-purchase"),
                                    company, title(company, account.code.section(u'|', 1)), linesOf(it->stock), {}});
            }
        }
    }

    /// Sorts a movement into its document: a Depo side by branch and serial, otherwise a Cari document.
    MovementParts &place(const QString &company, const SetChanges &changes, const QString &account,
                         const QString &serial, QMap<QString, MovementParts> &cari)
    {
        MovementParts *parts = nullptr;
        if (!changes.merkezCode.isEmpty() && account == changes.merkezCode)
            parts = &m_depoBranchSides[company + QLatin1Char('/') + serial];
        else if (account.startsWith(QStringLiteral("Şube")))
            parts = &m_depoCentreSides[account.mid(4) + QLatin1Char('/') + serial];
        else
            parts = &cari[serial];
        parts->company = company;
        return *parts;
    }

    /// One account movement and its stock movements, adding up; true when it is there at all.
    bool checkSide(const QString &where, const MovementParts &p)
    {
        if (p.accounts.size() != 1) {
            violation(where + (p.accounts.isEmpty() ? QStringLiteral("stock movements without the account movement")
                                                    : QStringLiteral("%1 account movements (DigerId drawn twice)")
                                                          .arg(p.accounts.size())));
            if (p.accounts.isEmpty())
                return false;
        }
        const AccountMove &account = p.accounts[0];
        if (p.stock.isEmpty())
            violation(where + QStringLiteral("an account movement without stock movements"));
        const bool sale = account.debit > 0;
        double sum = 0;
        for (const StockMove &m : p.stock) {
            sum += m.amount;
            if (m.direction != (sale ? QStringLiteral("Satış") : QStringLiteral("Alış")))
                violation(where + QStringLiteral("stock movement %1 goes the other way (%2)").arg(m.code, m.direction));
        }
        if (!near(account.debit + account.credit, sum))
            violation(where + QStringLiteral("account movement %1 against stock movements adding up to %2")
                                  .arg(fmt(account.debit + account.credit), fmt(sum)));
        return true;
    }

    void checkDepoTransfers()
    {
        QSet<QString> keys;
        for (auto it = m_depoBranchSides.cbegin(); it != m_depoBranchSides.cend(); ++it)
            keys.insert(it.key());
        for (auto it = m_depoCentreSides.cbegin(); it != m_depoCentreSides.cend(); ++it)
            keys.insert(it.key());
        for (const QString &key : keys) {
            const QString where = QStringLiteral("Depo transfer of branch %1 with DigerId %2: ")
                                      .arg(key.section(u'/', 0, 0), key.section(u'/', 1));
            const bool branch = m_depoBranchSides.contains(key);
            const bool centre = m_depoCentreSides.contains(key);
            if (!branch || !centre) {
                violation(where + (branch ? QStringLiteral("the branch side is there, the centre's is not")
                                          : QStringLiteral("the centre side is there, the branch's is not")));
                continue;
            }
            const qsizetype found = m_verdict.violations.size();
            const bool branchOk = checkSide(where + QStringLiteral("branch side: "), m_depoBranchSides[key]);
            const bool centreOk = checkSide(where + QStringLiteral("centre side: "), m_depoCentreSides[key]);
            if (!branchOk || !centreOk)
                continue;
            ++m_verdict.documents;
            const MovementParts &b = m_depoBranchSides[key];
            const MovementParts &c = m_depoCentreSides[key];
            const AccountMove &ba = b.accounts[0];
            const AccountMove &ca = c.accounts[0];
            if (b.stock.size() != c.stock.size() || !near(ba.debit + ba.credit, ca.debit + ca.credit)
                || (ba.debit > 0) == (ca.debit > 0))
                violation(where + QStringLiteral("the sides differ: branch %1 lines %2/%3, centre %4 lines %5/%6")
                                      .arg(b.stock.size())
                                      .arg(fmt(ba.debit), fmt(ba.credit))
                                      .arg(c.stock.size())
                                      .arg(fmt(ca.debit), fmt(ca.credit)));
            const QString branchCode = key.section(u'/', 0, 0);
            const QString kind = ca.debit > 0 ? QStringLiteral("depo") : QStringLiteral("depo-purchase");
            const QString account = title(c.company, ca.code.section(u'|', 1));
            if (describe(kind, branchCode, account, linesOf(b.stock))
                != describe(kind, branchCode, account, linesOf(c.stock)))
                violation(where + QStringLiteral("the sides carry different lines"));
            if (m_verdict.violations.size() == found)
                m_documents.append({kind, branchCode, account, linesOf(c.stock), {}});
        }
    }

    void checkDuplicates(const QString &company, const BookFile &stock, const BookFile &invoices)
    {
        for (const Row &r : invoices.rows(QStringLiteral(
                 "SELECT FaturaNo, count(*) FROM Faturalar GROUP BY FaturaNo HAVING count(*) > 1")))
            violation(QStringLiteral("set %1: FaturaNo %2 is used %3 times").arg(company, r[0].toString(), r[1].toString()));
        for (const Row &r : invoices.rows(QStringLiteral("SELECT SeriNoDiger, count(*) FROM FatHareket WHERE "
                                                         "SeriNoDiger <> '' GROUP BY SeriNoDiger HAVING count(*) > 1")))
            violation(QStringLiteral("set %1: FatHareket SeriNoDiger %2 is used %3 times")
                          .arg(company, r[0].toString(), r[1].toString()));
        for (const Row &r : stock.rows(QStringLiteral("SELECT SeriNoDiger, count(*) FROM StokHareket WHERE "
                                                      "SeriNoDiger <> '' GROUP BY SeriNoDiger HAVING count(*) > 1")))
            violation(QStringLiteral("set %1: StokHareket SeriNoDiger %2 is used %3 times")
                          .arg(company, r[0].toString(), r[1].toString()));
    }

    QString m_data;
    QStringList m_programs;
    const Baseline &m_baseline;
    const QHash<QString, Leftovers> &m_leftAtCrash;
    Verdict m_verdict;
    QList<BookDocument> m_documents; // whole documents since the baseline
    QHash<QString, QStringList> m_keys; // posting keys since the baseline, by set
    QHash<QString, QHash<QString, QString>> m_titles; // set -> CariKod -> Unvan
    QHash<QString, MovementParts> m_depoBranchSides; // "02/171"
    QHash<QString, MovementParts> m_depoCentreSides;
};

} // namespace

QStringList companyCodes(const QString &dataDirectory)
{
    static const QRegularExpression setName(QStringLiteral("^(\\d\\d)cari\\.mdb$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList codes;
    for (const QString &name : QDir(dataDirectory).entryList(QDir::Files)) {
        const QRegularExpressionMatch match = setName.match(name);
        if (match.hasMatch())
            codes << match.captured(1);
    }
    codes.sort();
    return codes;
}

Baseline takeBaseline(const QString &dataDirectory, const QStringList &programFolders)
{
    Baseline baseline;
    for (const QString &company : companyCodes(dataDirectory)) {
        Baseline::Set set;
        const BookFile stock(setFile(dataDirectory, company, "Stok"));
        for (const Row &r :
             stock.rows(QStringLiteral("SELECT StokKod, GirenMik, CikanMik, GirenTutar, CikanTutar FROM StokKartlar")))
            set.cards.insert(r[0].toString(), {number(r[1]), number(r[2]), number(r[3]), number(r[4])});
        const BookFile accounts(setFile(dataDirectory, company, "Cari"));
        for (const Row &r : accounts.rows(QStringLiteral("SELECT CariKod, Borc, Alacak FROM CariKartlar")))
            set.accounts.insert(r[0].toString(), {number(r[1]), number(r[2])});
        for (const QString &table : kMovementTables) {
            const BookFile file(setFile(dataDirectory, company, tableFile(table).toLatin1().constData()));
            set.lastRow.insert(table, file.rows(QStringLiteral("SELECT coalesce(max(rowid), 0) FROM ") + table)[0][0].toLongLong());
        }
        const BookFile index(setFile(dataDirectory, company, "Index"));
        if (index.hasTable(QStringLiteral("PuslaKayit"))) {
            const QList<Row> last = index.rows(QStringLiteral("SELECT coalesce(max(rowid), 0) FROM PuslaKayit"));
            set.lastRow.insert(QStringLiteral("PuslaKayit"), last[0][0].toLongLong());
        }
        baseline.sets.insert(company, set);
    }
    for (const QString &folder : programFolders)
        baseline.journalOffsets.insert(folder, Journal::size(folder));
    return baseline;
}

Verdict verifyBooks(const QString &dataDirectory, const QStringList &programFolders, const Baseline &baseline,
                    const QHash<QString, Leftovers> &leftAtCrash)
{
    return Verifier(dataDirectory, programFolders, baseline, leftAtCrash).run();
}

QJsonObject Baseline::toJson() const
{
    QJsonObject setsJson;
    for (auto it = sets.cbegin(); it != sets.cend(); ++it) {
        QJsonObject cardsJson;
        for (auto c = it->cards.cbegin(); c != it->cards.cend(); ++c)
            cardsJson.insert(c.key(), numbers(c.value()));
        QJsonObject accountsJson;
        for (auto a = it->accounts.cbegin(); a != it->accounts.cend(); ++a)
            accountsJson.insert(a.key(), numbers(a.value()));
        QJsonObject rowsJson;
        for (auto r = it->lastRow.cbegin(); r != it->lastRow.cend(); ++r)
            rowsJson.insert(r.key(), r.value());
        setsJson.insert(it.key(), QJsonObject{{QStringLiteral("cards"), cardsJson},
                                              {QStringLiteral("accounts"), accountsJson},
                                              {QStringLiteral("lastRow"), rowsJson}});
    }
    QJsonObject journalsJson;
    for (auto it = journalOffsets.cbegin(); it != journalOffsets.cend(); ++it)
        journalsJson.insert(it.key(), it.value());
    return {{QStringLiteral("sets"), setsJson}, {QStringLiteral("journals"), journalsJson}};
}

Baseline Baseline::fromJson(const QJsonObject &json)
{
    Baseline baseline;
    const QJsonObject setsJson = json.value(QStringLiteral("sets")).toObject();
    for (auto it = setsJson.constBegin(); it != setsJson.constEnd(); ++it) {
        const QJsonObject setJson = it.value().toObject();
        Set set;
        const QJsonObject cardsJson = setJson.value(QStringLiteral("cards")).toObject();
        for (auto c = cardsJson.constBegin(); c != cardsJson.constEnd(); ++c)
            set.cards.insert(c.key(), numbers(c.value().toArray()));
        const QJsonObject accountsJson = setJson.value(QStringLiteral("accounts")).toObject();
        for (auto a = accountsJson.constBegin(); a != accountsJson.constEnd(); ++a)
            set.accounts.insert(a.key(), numbers(a.value().toArray()));
        const QJsonObject rowsJson = setJson.value(QStringLiteral("lastRow")).toObject();
        for (auto r = rowsJson.constBegin(); r != rowsJson.constEnd(); ++r)
            set.lastRow.insert(r.key(), r.value().toInteger());
        baseline.sets.insert(it.key(), set);
    }
    const QJsonObject journalsJson = json.value(QStringLiteral("journals")).toObject();
    for (auto it = journalsJson.constBegin(); it != journalsJson.constEnd(); ++it)
        baseline.journalOffsets.insert(it.key(), it.value().toInteger());
    return baseline;
}

} // namespace pusla::harness
