#include "capture/WorkingListModel.h"
#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "data/SchemaDdl.h"
#include "store/DataControl.h"
#include "base/RegionalFormat.h"
#include "support/CapturedWarnings.h"
#include "support/DbTestSupport.h"
#include "support/Cases.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <memory>

using namespace pusla;
using namespace pusla::test;
namespace sk = pusla::schema::StokKartlar;

namespace {

enum TestColumn { Ad, Miktar, Tutar, Barkod };

/// A working list of five visible lines (C, A, E, B, D by stored order) and a
/// hidden one, behind a data control of its own, watched by Qt's model tester.
/// The captions, the colours and what a view does with the model are the
/// item grids' suite.
class WorkingListModelTest : public DbFixture
{
protected:
    WorkingListModelTest()
        : formats(QLocale(QLocale::Turkish, QLocale::Turkey))
        , control(m_mapper)
    {
    }

    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(schema::createDatabaseFile(programFile(QStringLiteral("Temp.Mdb")),
                                               schema::DatabaseKind::LocalStock, &error))
            << error.toStdString();
        runOnFile(programFile(QStringLiteral("Temp.Mdb")),
                  {QStringLiteral("INSERT INTO StokKartlar (StokAdi, Barkod, KalanB, GirenTutar, StokGizle) VALUES "
                                  "('C', '1234,5', 3, 30, 0), ('A', 'yok', 2.5, 1234.5, 0), ('E', NULL, 0, 0, 0), "
                                  "('B', '8', 1, 10, 0), ('D', '9', -1.25, NULL, 0), ('H', '7', 1, 1, -1)")});
        control.setDatabaseName(programText(QStringLiteral("Temp.Mdb")));
        control.setRecordSource(QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc"));
        RefreshData(control);
        model = std::make_unique<WorkingListModel>(
            control, formats,
            std::vector<GridColumn>{{QStringLiteral("Ad"), sk::StokAdi, {}},
                                    {QStringLiteral("Miktar"), sk::KalanB, QStringLiteral("General Number")},
                                    {QStringLiteral("Tutar"), sk::GirenTutar, QStringLiteral("Standard")},
                                    {QStringLiteral("Barkod"), sk::Barkod, QStringLiteral("Standard")}});
        tester = std::make_unique<QAbstractItemModelTester>(model.get(),
                                                            QAbstractItemModelTester::FailureReportingMode::Warning);
    }

    void TearDown() override
    {
        tester.reset();
        EXPECT_TRUE(warnings.texts().isEmpty()) << warnings.joined();
    }

    QString cell(int row, int column) const { return model->index(row, column).data().toString(); }

    QStringList names() const
    {
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row)
            out.append(cell(row, Ad));
        return out;
    }

    Recordset &records() { return control.recordset(); }

    /// Every warning while the test runs, the model tester's among them.
    CapturedWarnings warnings;
    RegionalFormat formats;
    DataControl control;
    std::unique_ptr<WorkingListModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

// Numbers in the Turkish regional format; empty fields stay empty; a text
// under a number format is formatted when it reads as a number.
struct CellCase
{
    const char *name;
    int column;
    const char *text;
};

using WorkingListCellTest = Cases<WorkingListModelTest, CellCase>;

} // namespace

TEST_P(WorkingListCellTest, FormatsTheCell)
{
    const CellCase c = GetParam();
    const int row = int(names().indexOf(QString::fromUtf8(c.name)));
    ASSERT_GE(row, 0);
    EXPECT_EQ(cell(row, c.column), QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(Cells, WorkingListCellTest,
                         ::testing::Values(CellCase{"A", Miktar, "2,5"}, CellCase{"A", Tutar, "1.234,50"},
                                           CellCase{"C", Miktar, "3"}, CellCase{"C", Tutar, "30,00"},
                                           CellCase{"D", Miktar, "-1,25"}, CellCase{"D", Tutar, ""},
                                           CellCase{"E", Miktar, "0"}, CellCase{"E", Tutar, "0,00"},
                                           CellCase{"C", Barkod, "1.234,50"}, CellCase{"A", Barkod, "yok"},
                                           CellCase{"E", Barkod, ""}));

TEST_F(WorkingListModelTest, AnUpdateThroughTheRecordSetRepaintsItsRow)
{
    EXPECT_EQ(names(), (QStringList{"A", "B", "C", "D", "E"})) << "the visible lines in the set's order";
    ASSERT_EQ(cell(1, Miktar), QStringLiteral("1"));
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    records().setAbsolutePosition(1);
    records().edit();
    records().setField(QString(sk::KalanB), 12.75);
    records().update();

    EXPECT_EQ(cell(1, Miktar), QStringLiteral("12,75"));
    bool rowRepainted = false;
    for (const QList<QVariant> &signal : changed) {
        const auto from = signal[0].value<QModelIndex>();
        const auto to = signal[1].value<QModelIndex>();
        rowRepainted = rowRepainted
            || (from.row() <= 1 && to.row() >= 1 && from.column() == 0 && to.column() == 3
                && signal[2].value<QList<int>>().isEmpty());
    }
    EXPECT_TRUE(rowRepainted);
}

TEST_F(WorkingListModelTest, AnAddedRecordJoinsTheEndWhateverTheOrder)
{
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
    records().setAbsolutePosition(2);
    records().addNew();
    records().setField(QString(sk::StokAdi), QStringLiteral("0 ÖNCE"));
    records().setField(QString(sk::KalanB), 4);
    records().update();

    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 5);
    EXPECT_EQ(inserted[0][2].toInt(), 5);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(names(), (QStringList{"A", "B", "C", "D", "E", "0 ÖNCE"}));
    EXPECT_EQ(cell(5, Miktar), QStringLiteral("4"));
    EXPECT_EQ(model->currentRow(), 2) << "the line current before the add stays current";
}

TEST_F(WorkingListModelTest, ADeletedRecordLeavesWithoutACurrentRow)
{
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy current(model.get(), &WorkingListModel::currentRowChanged);
    records().setAbsolutePosition(1);
    records().deleteCurrent();

    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 1);
    EXPECT_EQ(names(), (QStringList{"A", "C", "D", "E"}));
    EXPECT_EQ(model->currentRow(), -1);
    ASSERT_FALSE(current.isEmpty());
    EXPECT_EQ(current.last()[0].toInt(), -1);
    records().moveNext();
    EXPECT_EQ(model->currentRow(), 1);
    EXPECT_EQ(cell(model->currentRow(), Ad), QStringLiteral("C"));
}

TEST_F(WorkingListModelTest, ARefreshOrRebindResetsTheModel)
{
    QSignalSpy aboutToReset(model.get(), &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
    control.setRecordSource(
        QStringLiteral("Select * From StokKartlar Where StokGizle=False And KalanB<>0 Order By StokAdi Asc"));
    RefreshData(control);
    EXPECT_EQ(aboutToReset.count(), 1);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(names(), (QStringList{"A", "B", "C", "D"}));

    // A source without some of the columns' fields leaves those cells empty.
    control.setRecordSource(QStringLiteral("Select StokAdi From StokKartlar Order By StokAdi Desc"));
    control.refresh();
    EXPECT_EQ(names(), (QStringList{"H", "E", "D", "C", "B", "A"}));
    EXPECT_EQ(cell(0, Miktar), QString());

    control.close();
    EXPECT_EQ(reset.count(), 3);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(model->currentRow(), -1);
}

TEST_F(WorkingListModelTest, TheCurrentRecordIsTheHighlightedRow)
{
    const QBrush background(Qt::darkBlue);
    const QBrush text(Qt::white);
    model->setCurrentRowBrushes(background, text);
    EXPECT_EQ(model->currentRow(), 0);
    EXPECT_EQ(model->index(0, Tutar).data(Qt::BackgroundRole).value<QBrush>(), background);

    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    records().moveLast();
    EXPECT_EQ(model->currentRow(), 4);
    EXPECT_FALSE(model->index(0, Ad).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model->index(4, Ad).data(Qt::BackgroundRole).value<QBrush>(), background);
    EXPECT_EQ(model->index(4, Barkod).data(Qt::ForegroundRole).value<QBrush>(), text);
    QList<int> repaintedRows;
    for (const QList<QVariant> &signal : changed)
        repaintedRows.append(signal[0].value<QModelIndex>().row());
    EXPECT_TRUE(repaintedRows.contains(0) && repaintedRows.contains(4));

    records().moveNext(); // past the end: no current line
    EXPECT_EQ(model->currentRow(), -1);
    EXPECT_FALSE(model->index(4, Ad).data(Qt::BackgroundRole).isValid());
}

TEST_F(WorkingListModelTest, ACaptionChangeRepaintsTheHeader)
{
    QSignalSpy header(model.get(), &QAbstractItemModel::headerDataChanged);
    model->setCaption(Tutar, QStringLiteral("Stok"));
    model->setCaption(Tutar, QStringLiteral("Stok"));
    model->setCaption(7, QStringLiteral("none"));
    EXPECT_EQ(model->headerData(Tutar, Qt::Horizontal).toString(), QStringLiteral("Stok"));
    ASSERT_EQ(header.count(), 1);
    EXPECT_EQ(header[0][1].toInt(), int(Tutar));
}
