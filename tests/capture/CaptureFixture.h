#pragma once

#include "app/RoleChoice.h"
#include "capture/QuantityEntry.h"
#include "data/DataRoutines.h"
#include "store/DataControl.h"
#include "store/jet/JetSql.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "support/DbTestSupport.h"
#include "support/DemoFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QTest>

namespace pusla::test {

/// One line of a stock table as a test lays it down.
struct StockRow
{
    QString stokKod;
    QString stokAdi;
    QString barkod;
    QString barkod2;
    QString barkod3;
    double kalanB = 0;
    double kalanA = 0;
    double fiyat = 0;
    double girenTutar = 0;
    double kdv = 0;
};

/// A line known by its code, name and barcodes, with nothing on it.
inline StockRow item(const char *stokKod, const char *stokAdi, const char *barkod, const char *barkod2 = nullptr,
                     const char *barkod3 = nullptr)
{
    StockRow row;
    row.stokKod = QString::fromUtf8(stokKod);
    row.stokAdi = QString::fromUtf8(stokAdi);
    row.barkod = QString::fromUtf8(barkod);
    row.barkod2 = barkod2 ? QString::fromUtf8(barkod2) : QString();
    row.barkod3 = barkod3 ? QString::fromUtf8(barkod3) : QString();
    return row;
}

/// The working screen in the user role over the demo set, with the working
/// list of Temp.Mdb bound as the sale and purchase modes bind it. Rows a test
/// needs are written into the files before the form opens.
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
        // Cari keeps the centre's set; the rows are laid down after the role
        // choice, whose selection resets the working database.
        settings.saveSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("SbCr"),
                             QStringLiteral("1"));
        TerminalForm &f = openForm();
        QApplication::setActiveWindow(&f);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        tap(f.Option1[kUserRole]);
        ASSERT_TRUE(dialogs.messages.isEmpty());
        layDownRows();
        if (HasFatalFailure())
            return;
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

    static void insertRows(const QString &path, const std::vector<StockRow> &rows)
    {
        QStringList statements;
        for (const StockRow &row : rows) {
            statements << QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, Barkod, Barkod2, Barkod3, KalanB, "
                                         "KalanA, Fiyat, Fiyat2, GirenTutar, Kdv, StokGizle) VALUES (%1, %2, %3, %4, "
                                         "%5, %6, %7, %8, %8, %9, %10, 0)")
                              .arg(sqlText(row.stokKod), sqlText(row.stokAdi), sqlText(row.barkod),
                                   sqlText(row.barkod2), sqlText(row.barkod3))
                              .arg(row.kalanB)
                              .arg(row.kalanA)
                              .arg(row.fiyat)
                              .arg(row.girenTutar)
                              .arg(row.kdv);
        }
        runOnFile(path, statements);
    }

    static QString sqlText(const QString &text)
    {
        return text.isNull() ? QStringLiteral("NULL") : jetQuoted(text);
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

    /// Keystrokes into the entry box; '\b' stands for Backspace, '\r' for Enter.
    void typeIntoEntryBox(const QString &keys)
    {
        if (QApplication::focusWidget() != form->Text2)
            form->Text2->setFocus();
        for (QChar c : keys) {
            if (c == u'\b')
                QTest::keyClick(form->Text2, Qt::Key_Backspace);
            else if (c == u'\r')
                QTest::keyClick(form->Text2, Qt::Key_Return);
            else
                QTest::keyClick(form->Text2, c.toLatin1());
        }
    }

    QString currentName() const
    {
        return form->DataTemp->recordset().field(QStringLiteral("StokAdi")).toString();
    }

    QString tempPath() const { return programFile(QStringLiteral("Temp.Mdb")); }
    QString stockPath() const { return dataFile(QStringLiteral("01Stok.mdb")); }

    /// A value of the working list as it is on disk.
    QString tempValue(const QString &sql) const { return cliValue(tempPath(), sql); }
    int tempRowCount() const { return tempValue(QStringLiteral("SELECT count(*) FROM StokKartlar")).toInt(); }
    double lineNumber(const QString &stokKod, const QString &field) const
    {
        return tempValue(QStringLiteral("SELECT %1 FROM StokKartlar WHERE StokKod=%2").arg(field, jetQuoted(stokKod)))
            .toDouble();
    }
    bool lineExists(const QString &stokKod) const
    {
        return tempValue(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE StokKod=%1").arg(jetQuoted(stokKod)))
            == QStringLiteral("1");
    }

private:
    void layDownRows()
    {
        insertRows(tempPath(), workingRows());
        insertRows(stockPath(), stockCards());
    }
};

} // namespace pusla::test
