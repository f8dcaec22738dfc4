#include "Counters.h"

#include "BookFile.h"
#include "Books.h"
#include "TerminalSession.h"

#include "data/SettingKeys.h"
#include "data/Schema.h"
#include "base/SettingsStore.h"

#include <QFile>
#include <QHash>
#include <QSet>

namespace pusla::harness {

namespace {

/// A serial in the books and the table it was found in.
struct Drawn
{
    QString serial;
    QString table;
};

/// Serials drawn from one numbering file: document serials (DigerId, from
/// Indexi) and line serials (SeriNoDiger, from Serino).
struct DrawnFrom
{
    QList<Drawn> documents;
    QList<Drawn> lines;
};

/// The set whose numbering file drew a movement's serial: the centre's side
/// of a Depo transfer carries the serial its branch drew.
QString drawingSet(const QString &company, const QString &account)
{
    static const QString branchAccount = QStringLiteral("Şube");
    return account.startsWith(branchAccount) ? account.mid(branchAccount.size()) : company;
}

/// The numeric part of an invoice number or counter; -1 when there is none.
qint64 counterValue(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : -1;
}

/// FatNo.txt holds one record in sequential "write" form: the counter in quotes.
QString counterFileValue(const QString &path, bool *present)
{
    QFile file(path);
    *present = file.open(QIODevice::ReadOnly);
    QString text = QString::fromLatin1(file.readAll()).trimmed();
    if (text.startsWith(u'"'))
        text = text.mid(1).section(u'"', 0, 0);
    return text;
}

class CounterCheck
{
public:
    CounterCheck(const QString &dataDirectory, const QStringList &programFolders)
        : m_data(dataDirectory)
        , m_programs(programFolders)
        , m_companies(companyCodes(dataDirectory))
    { }

    QStringList run()
    {
        for (const QString &company : m_companies)
            readNumbers(company);
        checkCounterFile();
        for (const QString &folder : m_programs)
            checkStoredCopies(folder);
        for (const QString &company : m_companies)
            checkNumbering(company);
        return m_violations;
    }

private:
    void readNumbers(const QString &company)
    {
        const BookFile invoices(setFile(m_data, company, "Fatura"));
        for (const Row &r : invoices.rows(QStringLiteral("SELECT FaturaNo, DigerId FROM Faturalar"))) {
            const QString number = r[0].toString();
            m_invoices[company].insert(number);
            const qint64 value = counterValue(number.mid(1));
            if (value > m_highestInvoice) {
                m_highestInvoice = value;
                m_highestInvoiceNumber = QStringLiteral("%1 in set %2").arg(number, company);
            }
            m_drawn[company].documents << Drawn {r[1].toString(), QStringLiteral("Faturalar")};
        }
        for (const Row &r : invoices.rows(QStringLiteral("SELECT DigerId, SeriNoDiger FROM FatHareket"))) {
            m_drawn[company].documents << Drawn {r[0].toString(), QStringLiteral("FatHareket")};
            m_drawn[company].lines << Drawn {r[1].toString(), QStringLiteral("FatHareket")};
        }
        const BookFile stock(setFile(m_data, company, "Stok"));
        for (const Row &r : stock.rows(QStringLiteral("SELECT DigerId, SeriNoDiger, Carisi FROM StokHareket"))) {
            DrawnFrom &from = m_drawn[drawingSet(company, r[2].toString())];
            from.documents << Drawn {r[0].toString(), QStringLiteral("StokHareket")};
            from.lines << Drawn {r[1].toString(), QStringLiteral("StokHareket")};
        }
        const BookFile accounts(setFile(m_data, company, "Cari"));
        for (const Row &r : accounts.rows(QStringLiteral("SELECT DigerId, CariHarKod FROM CariHareket")))
            m_drawn[drawingSet(company, r[1].toString())].documents
                << Drawn {r[0].toString(), QStringLiteral("CariHareket")};
    }

    void checkCounterFile()
    {
        bool present = false;
        const QString counter = counterFileValue(fileIn(m_data, QString(schema::files::FatNo)), &present);
        m_counter = present ? counterValue(counter) : 0;
        if (present && m_counter < 0)
            m_violations << QStringLiteral("FatNo.txt holds no counter: \"%1\"").arg(counter);
        else if (m_counter < m_highestInvoice)
            m_violations << QStringLiteral("FatNo.txt counts %1, behind invoice %2: the next invoice repeats a number")
                                .arg(present ? counter : QStringLiteral("nothing (it is missing)"),
                                    m_highestInvoiceNumber);
    }

    void checkStoredCopies(const QString &folder)
    {
        for (const QString &company : m_companies) {
            const QString stored = storedInvoiceCounter(folder, company);
            if (stored.isEmpty())
                continue;
            const QString where = QStringLiteral("%1: stored %2FatNo %3: ").arg(folder, company, stored);
            if (!m_invoices.value(company).contains(QStringLiteral("S") + stored))
                m_violations << where
                        + QStringLiteral("no such invoice in set %1 (stored before its invoice landed)").arg(company);
            if (m_counter >= 0 && counterValue(stored) > m_counter)
                m_violations << where + QStringLiteral("beyond FatNo.txt");
        }
    }

    void checkNumbering(const QString &company)
    {
        const BookFile index(setFile(m_data, company, "Index"));
        for (const QString &table : {QStringLiteral("Mdbindex"), QStringLiteral("Tarih")}) {
            for (const Row &r : index.rows(
                     QStringLiteral("SELECT Tarih, count(*) FROM %1 GROUP BY Tarih HAVING count(*) > 1").arg(table)))
                m_violations << QStringLiteral("set %1: %2 has %3 rows for year %4")
                                    .arg(company, table, r[1].toString(), r[0].toString());
        }
        QHash<QString, QPair<QString, QString>> counters; // year's last two digits -> Indexi, Serino
        for (const Row &r : index.rows(QStringLiteral("SELECT Tarih, Indexi, Serino FROM Mdbindex")))
            counters.insert(r[0].toString().right(2), {r[1].toString(), r[2].toString()});
        const DrawnFrom drawn = m_drawn.value(company);
        checkSerials(
            company, QStringLiteral("document serial"), QStringLiteral("Indexi"), drawn.documents, counters, true);
        checkSerials(company, QStringLiteral("line serial"), QStringLiteral("Serino"), drawn.lines, counters, false);
    }

    /// Every serial at or below its year's counter; one line per kind of fault, with an example.
    void checkSerials(const QString &company, const QString &what, const QString &field, const QList<Drawn> &serials,
        const QHash<QString, QPair<QString, QString>> &counters, bool documents)
    {
        int beyond = 0;
        int uncounted = 0;
        QString beyondExample;
        QString uncountedExample;
        for (const Drawn &drawn : serials) {
            if (drawn.serial.isEmpty())
                continue;
            const QString year = drawn.serial.left(2);
            if (!counters.contains(year)) {
                if (uncounted++ == 0)
                    uncountedExample = QStringLiteral("%1 in %2").arg(drawn.serial, drawn.table);
                continue;
            }
            const QString counter = documents ? counters[year].first : counters[year].second;
            if (counterValue(drawn.serial.mid(2)) > counterValue(counter.mid(2)) && beyond++ == 0)
                beyondExample
                    = QStringLiteral("%1 in %2 while %3 is %4").arg(drawn.serial, drawn.table, field, counter);
        }
        if (beyond > 0)
            m_violations << QStringLiteral("set %1: %2 %3s beyond the numbering file's counter (a later draw repeats "
                                           "them), e.g. %4")
                                .arg(company)
                                .arg(beyond)
                                .arg(what, beyondExample);
        if (uncounted > 0)
            m_violations << QStringLiteral("set %1: %2 %3s of a year the numbering file has no counter for, e.g. %4")
                                .arg(company)
                                .arg(uncounted)
                                .arg(what, uncountedExample);
    }

    QString m_data;
    QStringList m_programs;
    QStringList m_companies;
    QHash<QString, QSet<QString>> m_invoices; // by set
    QHash<QString, DrawnFrom> m_drawn; // by the set whose numbering file drew them
    qint64 m_highestInvoice = 0;
    QString m_highestInvoiceNumber;
    qint64 m_counter = 0;
    QStringList m_violations;
};

} // namespace

QString storedInvoiceCounter(const QString &programFolder, const QString &company)
{
    const SettingsStore settings(settingsFolder(programFolder));
    QString counter = settings.regReadString(
        SettingsStore::HKEY_CURRENT_USER, settingkeys::PropertiesKey, company + QStringLiteral("FatNo"));
    for (QChar &c : counter)
        c = QChar(c.unicode() - 1);
    return counter;
}

QStringList checkCounters(const QString &dataDirectory, const QStringList &programFolders)
{
    return CounterCheck(dataDirectory, programFolders).run();
}

} // namespace pusla::harness
