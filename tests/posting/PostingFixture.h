#pragma once

#include "app/RoleChoice.h"
#include "forms/ChoiceIndexes.h"
#include "store/DataControl.h"
#include "support/DbTestSupport.h"
#include "store/jet/JetSql.h"
#include "forms/Controls.h"
#include "support/DemoFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

namespace pusla::test {

/// The working screen over the demo set with a working mode on, as an
/// operator reaches it: role, operation kind (stored), mode box. Lines are
/// then laid into the working database and cards prepared in the set's files.
class PostingFixture : public DemoFixture
{
protected:
    /// `kind` "0" is Depo (the first branch, 02, is selected), "1" Cari (the first customer).
    TerminalForm &openInMode(const char *kind, int mode, int role = kUserRole)
    {
        settings.saveSetting(
            QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("SbCr"), QString::fromLatin1(kind));
        TerminalForm &f = openForm();
        QApplication::setActiveWindow(&f);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        tap(f.Option1[role]);
        tap(f.Check1[mode]);
        closeBalancePanel();
        return f;
    }

    /// The balance panel that Cari mode opens over the working screen.
    void closeBalancePanel()
    {
        if (form->Frame2->isVisible())
            tap(form->Command7);
    }

    /// A closed review leaves the mode menu up: after a posting every box is
    /// clear, after a cancel the mode's box is still ticked and the operator
    /// takes it off first.
    void reenterMode(int mode)
    {
        if (form->Check1[mode]->value() != 0)
            tap(form->Check1[mode]);
        tap(form->Check1[mode]);
        closeBalancePanel();
    }

    QString tempPath() const { return programFile(QStringLiteral("Temp.Mdb")); }
    QString setFile(const char *company, const char *kind) const
    {
        return dataFile(QString::fromLatin1(company) + QString::fromLatin1(kind) + QStringLiteral(".mdb"));
    }

    /// A captured line: quantity, unit price, amount and VAT amount.
    void setLine(const QString &code, double quantity, double price, double amount, double vat = 0)
    {
        runOnFile(tempPath(),
            {QStringLiteral("UPDATE StokKartlar SET KalanB=%1, Fiyat=%2, GirenTutar=%3, Kar=%4 "
                            "WHERE StokKod=%5")
                    .arg(quantity)
                    .arg(price)
                    .arg(amount)
                    .arg(vat)
                    .arg(jetQuoted(code))});
    }

    void setCard(const char *company, const QString &code, double in, double out)
    {
        runOnFile(setFile(company, "Stok"),
            {QStringLiteral("UPDATE StokKartlar SET GirenMik=%1, CikanMik=%2, GirenTutar=0, CikanTutar=0 "
                            "WHERE StokKod=%3")
                    .arg(in)
                    .arg(out)
                    .arg(jetQuoted(code))});
    }

    void setAccount(const char *company, const QString &code, double debit, double credit)
    {
        runOnFile(setFile(company, "Cari"),
            {QStringLiteral("UPDATE CariKartlar SET Borc=%1, Alacak=%2 WHERE CariKod=%3")
                    .arg(debit)
                    .arg(credit)
                    .arg(jetQuoted(code))});
    }

    QString value(const QString &path, const QString &sql) const { return cliValue(path, sql); }
    QString value(const char *company, const char *kind, const QString &sql) const
    {
        return cliValue(setFile(company, kind), sql);
    }
    int count(const char *company, const char *kind, const char *table) const
    {
        return value(company, kind, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toInt();
    }

    /// Every table a posting writes, as row counts: equal before and after means nothing was written.
    QString footprint() const
    {
        QStringList counts;
        for (const char *company : {"01", "02", "03"}) {
            counts << value(
                company, "Cari", QStringLiteral("SELECT count(*), total(Borc), total(Alacak) FROM CariHareket"))
                   << value(company, "Cari", QStringLiteral("SELECT total(Borc), total(Alacak) FROM CariKartlar"))
                   << value(company, "Stok", QStringLiteral("SELECT count(*) FROM StokHareket"))
                   << value(company, "Stok", QStringLiteral("SELECT total(GirenMik), total(CikanMik) FROM StokKartlar"))
                   << value(company, "Fatura", QStringLiteral("SELECT count(*) FROM Faturalar"))
                   << value(company, "Fatura", QStringLiteral("SELECT count(*) FROM FatHareket"))
                   << value(company, "Index",
                          QStringLiteral("SELECT count(*), group_concat(Serino), group_concat(Indexi) FROM Mdbindex"));
        }
        return counts.join(u'|');
    }

    void review(CommandButton *button) { tap(button); }
    void confirm() { tap(form->Command8[1]); }
};

} // namespace pusla::test
