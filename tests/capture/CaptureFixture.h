#pragma once

#include "app/RoleChoice.h"
#include "capture/QuantityEntry.h"
#include "data/DataRoutines.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "store/DataControl.h"
#include "store/jet/JetSql.h"
#include "support/DbTestSupport.h"
#include "support/DemoFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QTest>

namespace pusla::test {

/// One line of a stock table as a test lays it down; a text left out is NULL.
struct StockRow
{
    QString stokKod, stokAdi, barkod, barkod2 = {}, barkod3 = {};
    double kalanB = 0, kalanA = 0, fiyat = 0, girenTutar = 0, kdv = 0;
};

/// The working screen in the user role over the demo set, with the working
/// list of Temp.Mdb bound as the sale and purchase modes bind it. The rows a
/// test needs are written into the files after the role choice, whose
/// selection resets the working database.
class CaptureFixture : public DemoFixture
{
protected:
    static QString workingListSource()
    {
        return QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");
    }

    void SetUp() override
    {
        DemoFixture::SetUp();
        if (HasFatalFailure())
            return;
        // Cari keeps the centre's set.
        settings.saveSetting(
            QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("SbCr"), QStringLiteral("1"));
        TerminalForm &f = openForm();
        QApplication::setActiveWindow(&f);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        tap(f.Option1[kUserRole]);
        ASSERT_TRUE(dialogs.messages.isEmpty());
        insertRows(tempPath(), workingRows());
        insertRows(stockPath(), stockCards());
        RefreshData(*f.DataStok);
        f.DataTemp->setDatabaseName(program.folder() + QStringLiteral("\\Temp.Mdb"));
        f.DataTemp->setRecordSource(workingListSource());
        RefreshData(*f.DataTemp);
        ASSERT_GT(f.DataTemp->recordset().recordCount(), 0);
        // The working screen as a ticked mode leaves it (see tickMode).
        f.Frame1->hide();
    }

    /// Rows for Temp.Mdb (the working list) and 01Stok.mdb (the stock cards).
    virtual std::vector<StockRow> workingRows() const { return {}; }
    virtual std::vector<StockRow> stockCards() const { return {}; }

    /// The working list down to the test's own rows.
    void keepOnlyTheWorkingRows() const
    {
        QStringList codes;
        for (const StockRow &row : workingRows())
            codes << jetQuoted(row.stokKod);
        runOnFile(
            tempPath(), {QStringLiteral("DELETE FROM StokKartlar WHERE StokKod NOT IN (%1)").arg(codes.join(u','))});
    }

    static void insertRows(const QString &path, const std::vector<StockRow> &rows)
    {
        const auto text = [](const QString &t) { return t.isNull() ? QStringLiteral("NULL") : jetQuoted(t); };
        QStringList statements;
        for (const StockRow &r : rows)
            statements << QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, Barkod, Barkod2, Barkod3, KalanB, "
                                         "KalanA, Fiyat, Fiyat2, GirenTutar, Kdv, StokGizle) VALUES (%1, %2, %3, %4, "
                                         "%5, %6, %7, %8, %8, %9, %10, 0)")
                              .arg(text(r.stokKod), text(r.stokAdi), text(r.barkod), text(r.barkod2), text(r.barkod3))
                              .arg(r.kalanB)
                              .arg(r.kalanA)
                              .arg(r.fiyat)
                              .arg(r.girenTutar)
                              .arg(r.kdv);
        runOnFile(path, statements);
    }

    /// Puts the form in a working mode without running the mode handling.
    void tickMode(int index)
    {
        const QSignalBlocker blocker(form->Check1[index]);
        form->Check1[index]->setChecked(true);
        form->state().setMode(index);
    }

    /// Fills Combo1 with two branches and selects `index` (-1: none) without a selection run.
    void chooseBranchIndex(int index)
    {
        const QSignalBlocker blocker(form->Combo1);
        form->Combo1->clearEntries();
        form->Combo1->addEntry(QStringLiteral("Şube A"));
        form->Combo1->addEntry(QStringLiteral("Şube B"));
        form->Combo1->setListIndex(index);
    }

    /// The scanner: the focus is in the scan box, the code arrives, then Enter.
    void scan(const QString &text)
    {
        form->Text1->setFocus();
        form->Text1->setText(text);
        QTest::keyClick(form->Text1, Qt::Key_Return);
    }

    /// Keystrokes into the entry box; '\b' is Backspace and '\r' Enter, as the keyboard sends them.
    void typeIntoEntryBox(const QString &keys)
    {
        if (QApplication::focusWidget() != form->Text2)
            form->Text2->setFocus();
        QTest::keyClicks(form->Text2, keys);
    }

    QString currentName() const { return form->DataTemp->recordset().field(QStringLiteral("StokAdi")).toString(); }

    QString tempPath() const { return programFile(QStringLiteral("Temp.Mdb")); }
    QString stockPath() const { return dataFile(QStringLiteral("01Stok.mdb")); }

    /// A value of the working list as it is on disk.
    QString tempValue(const QString &sql) const { return cliValue(tempPath(), sql); }
    int tempRowCount() const { return tempValue(QStringLiteral("SELECT count(*) FROM StokKartlar")).toInt(); }
    int lineCount(const QString &stokKod) const
    {
        return tempValue(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE StokKod=%1").arg(jetQuoted(stokKod)))
            .toInt();
    }
    /// Fields ("KalanB,KalanA") of a line of the working list on disk, joined
    /// by '|'; empty when the line is not there.
    QString lineFields(const QString &stokKod, QString fields) const
    {
        return tempValue(QStringLiteral("SELECT %1 FROM StokKartlar WHERE StokKod=%2")
                             .arg(fields.replace(u',', QStringLiteral("||'|'||")), jetQuoted(stokKod)));
    }
};

} // namespace pusla::test
