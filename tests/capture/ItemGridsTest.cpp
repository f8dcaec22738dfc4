#include "capture/ItemGrids.h"
#include "capture/CaptureFixture.h"
#include "capture/WorkingListModel.h"
#include "data/Schema.h"

#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QTableView>

#include <set>

using namespace pusla;
using namespace pusla::test;
namespace sk = pusla::schema::StokKartlar;

namespace {

/// The capture grid and the review grid over the demo set's working list;
/// what the model behind them does is the working list model's own suite.
class ItemGridsTest : public CaptureFixture
{
protected:
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

    void tapCell(QTableView &grid, int row, int column)
    {
        tap(grid.viewport(), grid.visualRect(grid.model()->index(row, column)).center());
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

TEST_F(ItemGridsTest, BothGridsShowTheVisibleLinesWithTheirCaptionsAndColours)
{
    EXPECT_EQ(captions(grid1()), (QStringList{"Barkod", "                     Stok Adı", "Miktar", "Fazla", "Fiyat"}));
    EXPECT_EQ(captions(grid2()), (QStringList{"Stok Adı", "Fiyat", "Miktar", "Tutar"}));
    const int visible = tempValue(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE StokGizle=0")).toInt();
    EXPECT_LT(visible, tempRowCount()) << "the demo set has hidden cards";
    EXPECT_EQ(grid1().model()->rowCount(), visible);
    EXPECT_EQ(grid2().model()->rowCount(), visible);
    EXPECT_TRUE(grid1().horizontalHeader()->isVisibleTo(&grid1()));
    EXPECT_FALSE(grid1().verticalHeader()->isVisibleTo(&grid1())) << "no record selector";
    EXPECT_EQ(grid1().palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(grid2().palette().color(QPalette::Base), QColor(255, 255, 0));
}

// The capture grid shows its numbers as they are, the review grid with two decimals.
TEST_F(ItemGridsTest, EachGridShowsItsFieldsInItsFormats)
{
    records().setAbsolutePosition(2);
    records().edit();
    records().setField(QString(sk::KalanB), 2.5);
    records().setField(QString(sk::KalanA), 1234.5);
    records().setField(QString(sk::Fiyat), 1234.5);
    records().setField(QString(sk::Fiyat2), 1234.5);
    records().setField(QString(sk::GirenTutar), 3086.25);
    records().update();

    EXPECT_EQ(cell(grid1(), 2, ItemGrids::CaptureBarkod), records().field(QString(sk::Barkod)).toString());
    EXPECT_EQ(cell(grid1(), 2, ItemGrids::CaptureStokAdi), currentName());
    EXPECT_EQ(cell(grid1(), 2, ItemGrids::CaptureMiktar), QStringLiteral("2,5"));
    EXPECT_EQ(cell(grid1(), 2, ItemGrids::CaptureFazla), QStringLiteral("1234,5"));
    EXPECT_EQ(cell(grid1(), 2, ItemGrids::CaptureFiyat), QStringLiteral("1234,5"));
    EXPECT_EQ(cell(grid2(), 2, ItemGrids::ReviewStokAdi), currentName());
    EXPECT_EQ(cell(grid2(), 2, ItemGrids::ReviewFiyat), QStringLiteral("1.234,50"));
    EXPECT_EQ(cell(grid2(), 2, ItemGrids::ReviewMiktar), QStringLiteral("2,50"));
    EXPECT_EQ(cell(grid2(), 2, ItemGrids::ReviewTutar), QStringLiteral("3.086,25"));
}

TEST_F(ItemGridsTest, TheCurrentLineIsTheHighlightedCurrentRowOfBothGrids)
{
    EXPECT_EQ(grid1().currentIndex().row(), 0);
    records().setAbsolutePosition(3);
    EXPECT_EQ(grid1().currentIndex().row(), 3);
    EXPECT_EQ(grid2().currentIndex().row(), 3);
    EXPECT_EQ(grid1().model()->index(3, ItemGrids::CaptureMiktar).data(Qt::BackgroundRole).value<QBrush>(),
              grid1().palette().brush(QPalette::Highlight));

    records().moveLast();
    records().moveNext();
    EXPECT_FALSE(grid1().currentIndex().isValid()) << "past the end there is no current line";
    RefreshData(*form->DataTemp);
    EXPECT_EQ(grid2().currentIndex().row(), 0) << "the refreshed list starts on its first line";
}

TEST_F(ItemGridsTest, ATapPicksTheLineAndNothingIsEverSelected)
{
    tapCell(grid1(), 4, ItemGrids::CaptureBarkod);
    EXPECT_EQ(records().absolutePosition(), 4);
    EXPECT_EQ(grid2().currentIndex().row(), 4);
    QTest::keyClick(&grid1(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(grid1().selectionModel()->selectedIndexes().isEmpty());

    grid2().selectionModel()->select(grid2().model()->index(1, 1),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(grid2().selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(ItemGridsTest, CellsCannotBeEdited)
{
    const QModelIndex index = grid1().model()->index(1, ItemGrids::CaptureMiktar);
    QTest::mouseDClick(grid1().viewport(), Qt::LeftButton, {}, grid1().visualRect(index).center());
    QTest::keyClick(&grid1(), Qt::Key_F2);
    QTest::keyClicks(&grid1(), QStringLiteral("99"));
    grid1().edit(index);
    EXPECT_TRUE(grid1().findChildren<QLineEdit *>().isEmpty());
    EXPECT_EQ(tempValue(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE KalanB=99")), QStringLiteral("0"));
}

TEST_F(ItemGridsTest, OnlyTheShownRowsAreRead)
{
    runOnFile(tempPath(), {QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
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

TEST_F(ItemGridsTest, TheWorkingModeRenamesAndHidesCaptureColumns)
{
    ItemGrids &grids = terminal->grids();
    grids.setColumnCaption(ItemGrids::CaptureFazla, QStringLiteral("Stok"));
    grids.setColumnVisible(ItemGrids::CaptureFiyat, false);
    EXPECT_EQ(captions(grid1())[ItemGrids::CaptureFazla], QStringLiteral("Stok"));
    EXPECT_EQ(captions(grid2()).last(), QStringLiteral("Tutar")) << "the review grid keeps its captions";
    EXPECT_TRUE(grid1().isColumnHidden(ItemGrids::CaptureFiyat));
    EXPECT_FALSE(grid1().isColumnHidden(ItemGrids::CaptureFazla));

    grids.setColumnCaption(ItemGrids::CaptureFazla, QStringLiteral("Fazla"));
    grids.setColumnVisible(ItemGrids::CaptureFiyat, true);
    EXPECT_EQ(captions(grid1())[ItemGrids::CaptureFazla], QStringLiteral("Fazla"));
    EXPECT_FALSE(grid1().isColumnHidden(ItemGrids::CaptureFiyat));
    // Columns the grid does not have are no fault.
    EXPECT_EQ(grids.columnCaption(5), QString());
    EXPECT_FALSE(grids.isColumnVisible(-1));
}
