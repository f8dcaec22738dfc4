#include "capture/ItemGrids.h"
#include "app/RoleChoice.h"
#include "capture/WorkingListModel.h"
#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "store/DataControl.h"
#include "support/DbTestSupport.h"
#include "forms/Controls.h"
#include "support/DemoFixture.h"

#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <set>

using namespace pusla;
using namespace pusla::test;
namespace sk = pusla::schema::StokKartlar;

namespace {

const QString kWorkingList = QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");

/// The working screen after a user-role start, with the working list on the
/// program folder's Temp.Mdb as the sale mode binds it.
class ItemGridsTest : public DemoFixture
{
protected:
    void SetUp() override
    {
        DemoFixture::SetUp();
        if (HasFatalFailure())
            return;
        TerminalForm &f = openForm();
        tap(f.Option1[kUserRole]);
        f.DataTemp->setDatabaseName(tree.paths().programFolder + QStringLiteral("\\Temp.Mdb"));
        f.DataTemp->setRecordSource(kWorkingList);
        RefreshData(*f.DataTemp);
    }

    QTableView &grid1() const { return *form->DBGrid1; }
    QTableView &grid2() const { return *form->DBGrid2; }
    Recordset &records() const { return form->DataTemp->recordset(); }

    static QString cell(const QTableView &grid, int row, int column)
    {
        return grid.model()->index(row, column).data().toString();
    }

    static QStringList captions(const QTableView &grid)
    {
        QStringList out;
        for (int column = 0; column < grid.model()->columnCount(); ++column)
            out.append(grid.model()->headerData(column, Qt::Horizontal).toString());
        return out;
    }

    int tempCount(const QString &condition) const
    {
        return cliValue(programFile(QStringLiteral("Temp.Mdb")),
                        QStringLiteral("SELECT count(*) FROM StokKartlar WHERE ") + condition)
            .toInt();
    }

    void clickCell(QTableView &grid, int row, int column, Qt::KeyboardModifiers modifiers = {})
    {
        const QRect rect = grid.visualRect(grid.model()->index(row, column));
        ASSERT_TRUE(rect.isValid());
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers, rect.center());
    }
};

/// Notes the rows a view reads the text of.
class ReadRows : public QIdentityProxyModel
{
public:
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole)
            rows.insert(index.row());
        return QIdentityProxyModel::data(index, role);
    }
    mutable std::set<int> rows;
};

} // namespace

TEST_F(ItemGridsTest, BothGridsShowTheWorkingListWithTheirCaptions)
{
    ASSERT_EQ(grid1().model(), &terminal->grids().captureModel());
    ASSERT_EQ(grid2().model(), &terminal->grids().reviewModel());
    EXPECT_EQ(captions(grid1()), (QStringList{"Barkod", "                     Stok Adı", "Miktar", "Fazla", "Fiyat"}));
    EXPECT_EQ(captions(grid2()), (QStringList{"Stok Adı", "Fiyat", "Miktar", "Tutar"}));

    const int visible = tempCount(QStringLiteral("StokGizle=0"));
    ASSERT_GT(visible, 0);
    EXPECT_LT(visible, tempCount(QStringLiteral("1"))) << "the demo set has hidden cards";
    EXPECT_EQ(grid1().model()->rowCount(), visible);
    EXPECT_EQ(grid2().model()->rowCount(), visible);
    EXPECT_EQ(cell(grid1(), 0, ItemGrids::CaptureStokAdi),
              cliValue(programFile(QStringLiteral("Temp.Mdb")),
                       QStringLiteral("SELECT StokAdi FROM StokKartlar WHERE StokGizle=0 ORDER BY StokAdi LIMIT 1")));

    EXPECT_TRUE(grid1().horizontalHeader()->isVisibleTo(&grid1()));
    EXPECT_FALSE(grid1().verticalHeader()->isVisibleTo(&grid1())) << "no record selector";
    EXPECT_EQ(grid1().palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(grid2().palette().color(QPalette::Base), QColor(255, 255, 0));
}

TEST_F(ItemGridsTest, ALineChangedThroughTheRecordSetShowsInTurkishFormats)
{
    records().setAbsolutePosition(2);
    const QString before = cell(grid2(), 2, ItemGrids::ReviewTutar);
    QSignalSpy changed(grid1().model(), &QAbstractItemModel::dataChanged);
    records().edit();
    records().setField(QString(sk::KalanB), 2.5);
    records().setField(QString(sk::KalanA), 1234.5);
    records().setField(QString(sk::Fiyat), 1234.5);
    records().setField(QString(sk::Fiyat2), 1234.5);
    records().setField(QString(sk::GirenTutar), 3086.25);
    records().update();

    EXPECT_FALSE(changed.isEmpty());
    EXPECT_EQ(cell(grid1(), 2, ItemGrids::CaptureMiktar), QStringLiteral("2,5"));
    EXPECT_EQ(cell(grid1(), 2, ItemGrids::CaptureFazla), QStringLiteral("1234,5"));
    EXPECT_EQ(cell(grid1(), 2, ItemGrids::CaptureFiyat), QStringLiteral("1234,5"));
    EXPECT_EQ(cell(grid2(), 2, ItemGrids::ReviewFiyat), QStringLiteral("1.234,50"));
    EXPECT_EQ(cell(grid2(), 2, ItemGrids::ReviewMiktar), QStringLiteral("2,50"));
    EXPECT_NE(before, QStringLiteral("3.086,25"));
    EXPECT_EQ(cell(grid2(), 2, ItemGrids::ReviewTutar), QStringLiteral("3.086,25"));
}

TEST_F(ItemGridsTest, ARebindResetsBothGrids)
{
    runOnFile(programFile(QStringLiteral("Temp.Mdb")),
              {QStringLiteral("UPDATE StokKartlar SET KalanB = 2 WHERE rowid IN (2, 5, 9)")});
    QSignalSpy reset1(grid1().model(), &QAbstractItemModel::modelReset);
    QSignalSpy reset2(grid2().model(), &QAbstractItemModel::modelReset);
    form->DataTemp->setRecordSource(
        QStringLiteral("Select * From StokKartlar Where StokGizle=False And KalanB<>0 Order By StokAdi Asc"));
    RefreshData(*form->DataTemp);

    EXPECT_EQ(reset1.count(), 1);
    EXPECT_EQ(reset2.count(), 1);
    const int withQuantity = tempCount(QStringLiteral("StokGizle=0 AND KalanB<>0"));
    EXPECT_LT(withQuantity, tempCount(QStringLiteral("StokGizle=0")));
    EXPECT_EQ(grid2().model()->rowCount(), withQuantity);
    EXPECT_EQ(grid1().currentIndex().row(), 0) << "the refreshed list starts on its first line";
}

TEST_F(ItemGridsTest, TheWorkingModeRenamesAndHidesCaptureColumns)
{
    ItemGrids &grids = terminal->grids();
    grids.setColumnCaption(ItemGrids::CaptureFazla, QStringLiteral("Stok"));
    grids.setColumnVisible(ItemGrids::CaptureFiyat, false);

    EXPECT_EQ(grids.columnCaption(ItemGrids::CaptureFazla), QStringLiteral("Stok"));
    EXPECT_EQ(grid1().model()->headerData(ItemGrids::CaptureFazla, Qt::Horizontal).toString(), QStringLiteral("Stok"));
    EXPECT_EQ(captions(grid2()).last(), QStringLiteral("Tutar")) << "the review grid keeps its captions";
    EXPECT_FALSE(grids.isColumnVisible(ItemGrids::CaptureFiyat));
    EXPECT_TRUE(grid1().isColumnHidden(ItemGrids::CaptureFiyat));
    EXPECT_TRUE(grids.isColumnVisible(ItemGrids::CaptureFazla));

    grids.setColumnCaption(ItemGrids::CaptureFazla, QStringLiteral("Fazla"));
    grids.setColumnVisible(ItemGrids::CaptureFiyat, true);
    EXPECT_EQ(grids.columnCaption(ItemGrids::CaptureFazla), QStringLiteral("Fazla"));
    EXPECT_FALSE(grid1().isColumnHidden(ItemGrids::CaptureFiyat));

    EXPECT_EQ(grids.columnCaption(5), QString());
    EXPECT_FALSE(grids.isColumnVisible(-1));
}

TEST_F(ItemGridsTest, TheCurrentLineIsTheCurrentRowOfBothGrids)
{
    EXPECT_EQ(grid1().currentIndex().row(), 0);
    records().setAbsolutePosition(3);
    EXPECT_EQ(grid1().currentIndex().row(), 3);
    EXPECT_EQ(grid2().currentIndex().row(), 3);
    const QModelIndex current = grid1().model()->index(3, ItemGrids::CaptureMiktar);
    EXPECT_EQ(current.data(Qt::BackgroundRole).value<QBrush>(), grid1().palette().brush(QPalette::Highlight));
    EXPECT_FALSE(grid1().model()->index(0, 0).data(Qt::BackgroundRole).isValid());

    records().moveLast();
    records().moveNext();
    EXPECT_FALSE(grid1().currentIndex().isValid()) << "past the end there is no current line";
}

TEST_F(ItemGridsTest, ATapPicksTheLineAndNothingIsEverSelected)
{
    clickCell(grid1(), 2, ItemGrids::CaptureMiktar);
    EXPECT_EQ(records().absolutePosition(), 2);
    EXPECT_EQ(grid2().currentIndex().row(), 2);

    clickCell(grid1(), 4, ItemGrids::CaptureBarkod, Qt::ShiftModifier);
    EXPECT_EQ(records().absolutePosition(), 4);
    QTest::keyClick(&grid1(), Qt::Key_A, Qt::ControlModifier);
    const QHeaderView &header = *grid1().horizontalHeader();
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                      QPoint(header.sectionViewportPosition(ItemGrids::CaptureFazla) + 5, header.height() / 2));
    EXPECT_EQ(records().absolutePosition(), 4) << "a header tap does not move the current line";
    EXPECT_FALSE(grid1().selectionModel()->hasSelection());
    EXPECT_TRUE(grid1().selectionModel()->selectedIndexes().isEmpty());

    grid2().selectionModel()->select(grid2().model()->index(1, 1),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(grid2().selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(ItemGridsTest, CellsCannotBeEdited)
{
    const QRect rect = grid1().visualRect(grid1().model()->index(1, ItemGrids::CaptureMiktar));
    QTest::mouseDClick(grid1().viewport(), Qt::LeftButton, {}, rect.center());
    QTest::keyClick(&grid1(), Qt::Key_F2);
    QTest::keyClicks(&grid1(), QStringLiteral("99"));
    grid1().edit(grid1().model()->index(1, ItemGrids::CaptureMiktar));
    EXPECT_TRUE(grid1().findChildren<QLineEdit *>().isEmpty());
    EXPECT_EQ(tempCount(QStringLiteral("KalanB=99")), 0);
}

TEST_F(ItemGridsTest, OnlyTheShownRowsAreRead)
{
    runOnFile(programFile(QStringLiteral("Temp.Mdb")),
              {QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                              "INSERT INTO StokKartlar (StokAdi, Barkod, KalanB) "
                              "SELECT printf('ZZ %05d', i), printf('%013d', i), i FROM n")});
    RefreshData(*form->DataTemp);
    const int rows = grid1().model()->rowCount();
    ASSERT_GT(rows, 20000);

    ReadRows reads;
    reads.setSourceModel(&terminal->grids().captureModel());
    grid1().setModel(&reads);
    grid1().grab();
    ASSERT_FALSE(reads.rows.empty());
    EXPECT_LT(*reads.rows.rbegin(), 40);

    reads.rows.clear();
    grid1().scrollToBottom();
    grid1().grab();
    ASSERT_FALSE(reads.rows.empty());
    EXPECT_GT(*reads.rows.begin(), rows - 40);
    EXPECT_EQ(*reads.rows.rbegin(), rows - 1);
}
