#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "base/TextFold.h"

#include "support/DbTestSupport.h"

#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <map>

namespace pusla {
namespace {

const QString kWorkingList = QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");

struct Card
{
    const char *code;
    const char *name;
    double kalanB = 0;
    bool hidden = false;
};

class RecordsetTest : public test::DbFixture
{
protected:
    void makeStock(std::initializer_list<Card> cards, const QString &file = QStringLiteral("Temp.Mdb"))
    {
        QStringList statements = test::stockCardDdl();
        for (const Card &card : cards) {
            statements.append(QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, Barkod, KalanB, StokGizle) "
                                             "VALUES ('%1', '%2', 'B%1', %3, %4)")
                                  .arg(QString::fromUtf8(card.code), QString::fromUtf8(card.name))
                                  .arg(card.kalanB)
                                  .arg(card.hidden ? -1 : 0));
        }
        test::runOnFile(programFile(file), statements);
    }

    DataControl &control(const QString &source, const QString &file = QStringLiteral("Temp.Mdb"))
    {
        m_control = test::boundControl(m_mapper, programText(file), source);
        return *m_control;
    }

    static QStringList column(Recordset &rs, const QString &field)
    {
        QStringList values;
        if (rs.recordCount() == 0)
            return values;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            values.append(rs.field(field).toString());
        return values;
    }

    std::unique_ptr<DataControl> m_control;
};

// 300 cards stored out of name order, a quarter of them hidden.
TEST_F(RecordsetTest, LongWorkingListHoldsTheVisibleCardsByNameAndReadsAnyRowInPlace)
{
    QStringList statements = test::stockCardDdl() << QStringLiteral("BEGIN");
    std::map<int, QString> visibleByName;
    for (int i = 0; i < 300; ++i) {
        const int name = (i * 37) % 300;
        statements.append(QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, StokGizle) VALUES ('%1', 'ad %2', %3)")
                              .arg(i)
                              .arg(name, 3, 10, QChar(u'0'))
                              .arg(i % 4 == 1 ? -1 : 0));
        if (i % 4 != 1)
            visibleByName[name] = QString::number(i);
    }
    test::runOnFile(programFile(QStringLiteral("Temp.Mdb")), statements << QStringLiteral("COMMIT"));
    QStringList expected;
    for (const auto &[name, code] : visibleByName)
        expected.append(code);
    Recordset &rs = control(kWorkingList).recordset();
    EXPECT_EQ(column(rs, QStringLiteral("StokKod")), expected);

    rs.setAbsolutePosition(10);
    EXPECT_EQ(rs.valueAt(150, QStringLiteral("StokKod")).toString(), expected.at(150));
    EXPECT_EQ(rs.valueAt(3, 0).toString(), expected.at(3));
    EXPECT_EQ(rs.absolutePosition(), 10);
    Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")))
        .execute(QStringLiteral("UPDATE StokKartlar Set StokAdi='Yeni' WHERE StokKod='%1'").arg(expected.at(151)));
    EXPECT_EQ(rs.valueAt(151, QStringLiteral("StokAdi")).toString(), QStringLiteral("Yeni"));
    EXPECT_THROW(rs.valueAt(int(expected.size()), 0), DbError);
}

// The set keeps its rows in place when another writer changes a sort key,
// and shows the other program's writes at the next refresh.
TEST_F(RecordsetTest, RefreshSeesWhatAnotherProgramWrote)
{
    makeStock({{"1", "Ala"}, {"2", "Alp"}});
    DataControl &data = control(kWorkingList);
    Recordset &rs = data.recordset();
    Database direct = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
    EXPECT_EQ(direct.execute(QStringLiteral("UPDATE StokKartlar Set StokAdi='Alz' WHERE StokKod='1'")), 1);
    rs.moveLast();
    rs.findFirst(QStringLiteral("StokAdi like 'al*'"));
    EXPECT_EQ(rs.absolutePosition(), 0);
    EXPECT_EQ(rs.field(QStringLiteral("StokAdi")).toString(), QStringLiteral("Alz"));
    test::cliValue(programFile(QStringLiteral("Temp.Mdb")),
        QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, StokGizle) VALUES ('3', 'Armut', 0)"));
    data.refresh();
    EXPECT_EQ(column(rs, QStringLiteral("StokKod")), QStringList({"2", "1", "3"}));
    test::cliValue(programFile(QStringLiteral("Temp.Mdb")),
        QStringLiteral("UPDATE StokKartlar SET StokGizle=-1 WHERE StokKod='1'"));
    data.refresh();
    EXPECT_EQ(column(rs, QStringLiteral("StokKod")), QStringList({"2", "3"}));
}

TEST_F(RecordsetTest, EmptySetAndOneAddedToItHaveNoCurrentRecord)
{
    makeStock({});
    Recordset &rs = control(QStringLiteral("StokKartlar")).recordset();
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_TRUE(rs.bof());
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.absolutePosition(), -1);
    EXPECT_THROW(rs.moveFirst(), DbError);
    EXPECT_THROW(rs.moveNext(), DbError);
    EXPECT_THROW(rs.field(QStringLiteral("StokKod")), DbError);
    rs.findFirst(QStringLiteral("StokKod='1'"));
    EXPECT_TRUE(rs.noMatch());
    // A record added to it leaves no current record either.
    test::addRecord(rs, {{"StokKod", "1"}});
    EXPECT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.absolutePosition(), -1);
    EXPECT_TRUE(rs.eof());
    rs.moveFirst();
    EXPECT_EQ(rs.field(QStringLiteral("StokKod")).toString(), QStringLiteral("1"));
}

TEST_F(RecordsetTest, MovesWalkBetweenTheMarksAndADeletedRecordLeaves)
{
    makeStock({{"1", "a"}, {"2", "b"}, {"3", "c"}});
    DataControl &data = control(QStringLiteral("StokKartlar"));
    Recordset &rs = data.recordset();
    EXPECT_EQ(rs.absolutePosition(), 0);
    EXPECT_FALSE(rs.bof());
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.absolutePosition(), -1);
    EXPECT_THROW(rs.movePrevious(), DbError);
    rs.moveNext();
    EXPECT_EQ(rs.field(QStringLiteral("StokKod")).toString(), QStringLiteral("1"));
    rs.moveLast();
    EXPECT_EQ(rs.absolutePosition(), 2);
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.absolutePosition(), -1);
    EXPECT_THROW(rs.moveNext(), DbError);
    rs.movePrevious();
    EXPECT_EQ(rs.field(QStringLiteral("StokKod")).toString(), QStringLiteral("3"));
    rs.setAbsolutePosition(1);
    EXPECT_EQ(rs.field(QStringLiteral("StokKod")).toString(), QStringLiteral("2"));
    EXPECT_THROW(rs.setAbsolutePosition(3), DbError);
    EXPECT_THROW(rs.setAbsolutePosition(-1), DbError);
    // A deleted record leaves the set; the next move goes on from its place.
    rs.setAbsolutePosition(1);
    QSignalSpy removed(&data, &DataControl::rowRemoved);
    rs.deleteCurrent();
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.absolutePosition(), -1);
    EXPECT_THROW(rs.field(QStringLiteral("StokKod")), DbError);
    rs.moveNext();
    EXPECT_EQ(rs.field(QStringLiteral("StokKod")).toString(), QStringLiteral("3"));
    EXPECT_EQ(rs.valueAt(0, QStringLiteral("StokKod")).toString(), QStringLiteral("1"));
    rs.findFirst(QStringLiteral("StokKod='2'"));
    EXPECT_TRUE(rs.noMatch());
    EXPECT_EQ(test::cliValue(programFile(QStringLiteral("Temp.Mdb")),
                  QStringLiteral("SELECT group_concat(StokKod) FROM StokKartlar")),
        QStringLiteral("1,3"));
}

TEST_F(RecordsetTest, FieldNamesInTableOrderAndMatchedWithoutCaseAndUnknownNamesReported)
{
    makeStock({{"1", "Çay"}});
    Recordset &rs = control(QStringLiteral("StokKartlar")).recordset();
    EXPECT_EQ(rs.fieldNames().mid(0, 3), QStringList({"StokKod", "StokAdi", "Barkod"}));
    EXPECT_EQ(rs.field(QStringLiteral("stokadi")).toString(), QStringLiteral("Çay"));
    EXPECT_EQ(rs.field(QStringLiteral("STOKADI")).toString(), QStringLiteral("Çay"));
    EXPECT_EQ(test::dbErrorOf([&rs] { rs.field(QStringLiteral("Yok")); }), DbError::ItemNotFound);
    EXPECT_EQ(test::dbErrorOf([this] { control(QStringLiteral("Select * From Yok")); }), DbError::TableNotFound);
}

// An added record joins the end of the set until the next refresh, and a
// search finds it there: an earlier row matching as well wins.
TEST_F(RecordsetTest, AddedRecordJoinsTheEndAndTheCurrentRecordStays)
{
    makeStock({{"1", "Elma"}, {"2", "Zeytin"}});
    DataControl &data = control(kWorkingList);
    Recordset &rs = data.recordset();
    rs.moveLast();
    QSignalSpy inserted(&data, &DataControl::rowInserted);
    test::addRecord(rs, {{"StokKod", "3"}, {"StokAdi", "Armut"}, {"Barkod", "X3"}});
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.absolutePosition(), 1);
    EXPECT_EQ(rs.field(QStringLiteral("StokKod")).toString(), QStringLiteral("2"));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(0).toInt(), 2);
    EXPECT_EQ(column(rs, QStringLiteral("StokKod")), QStringList({"1", "2", "3"}));
    rs.findFirst(QStringLiteral("Barkod='x3'"));
    EXPECT_EQ(rs.absolutePosition(), 2);
    rs.findFirst(QStringLiteral("StokAdi like '*'"));
    EXPECT_EQ(rs.absolutePosition(), 0);
    data.refresh();
    EXPECT_EQ(column(rs, QStringLiteral("StokKod")), QStringList({"3", "1", "2"}));
}

TEST_F(RecordsetTest, EditedRecordStaysInTheSetAndIsFoundOnItsNewValues)
{
    makeStock({{"1", "Elma", 2}, {"2", "Zeytin", 5}});
    Recordset &rs
        = control(QStringLiteral("Select * From StokKartlar Where KalanB<>0 Order By StokAdi Asc")).recordset();
    rs.edit();
    rs.setField(QStringLiteral("KalanB"), 0);
    rs.setField(QStringLiteral("StokAdi"), QStringLiteral("Armut"));
    rs.update();
    EXPECT_EQ(rs.recordCount(), 2);
    rs.moveLast();
    rs.findFirst(QStringLiteral("KalanB=0"));
    EXPECT_EQ(rs.absolutePosition(), 0);
    rs.findFirst(QStringLiteral("StokAdi='Elma'"));
    EXPECT_TRUE(rs.noMatch());
}

TEST_F(RecordsetTest, EditUpdateWritesAndCancelUpdateOrAMoveDiscards)
{
    makeStock({{"1", "a", 5}, {"2", "b", 6}});
    Recordset &rs = control(QStringLiteral("StokKartlar")).recordset();
    EXPECT_THROW(rs.setField(QStringLiteral("KalanB"), 1), DbError);
    rs.edit();
    rs.setField(QStringLiteral("KalanB"), 7);
    EXPECT_EQ(rs.field(QStringLiteral("KalanB")).toDouble(), 7.0);
    rs.cancelUpdate();
    EXPECT_EQ(rs.field(QStringLiteral("KalanB")).toDouble(), 5.0);
    rs.edit();
    rs.setField(QStringLiteral("KalanB"), 9);
    rs.moveNext();
    rs.moveFirst();
    EXPECT_EQ(rs.field(QStringLiteral("KalanB")).toDouble(), 5.0);
    EXPECT_EQ(rs.editMode(), Recordset::EditMode::None);
    rs.edit();
    rs.setField(QStringLiteral("kalanb"), 8);
    rs.setField(QStringLiteral("StokGizle"), true);
    rs.update();
    EXPECT_EQ(rs.field(QStringLiteral("KalanB")).toDouble(), 8.0);
    EXPECT_EQ(test::cliValue(programFile(QStringLiteral("Temp.Mdb")),
                  QStringLiteral("SELECT group_concat(KalanB || '/' || StokGizle) FROM StokKartlar")),
        QStringLiteral("8.0/-1,6.0/0"));
    EXPECT_THROW(rs.update(), DbError);
}

// A new file name takes effect only at the refresh; a missing file fails it
// and closes the set, and is not made.
TEST_F(RecordsetTest, PropertiesTakeEffectOnlyAtRefresh)
{
    makeStock({{"1", "a"}});
    makeStock({{"7", "b"}, {"8", "c"}}, QStringLiteral("Stok.mdb"));
    DataControl &data = control(QStringLiteral("StokKartlar"));
    QSignalSpy reset(&data, &DataControl::recordsetReset);
    data.setDatabaseName(programText(QStringLiteral("Stok.mdb")));
    EXPECT_EQ(data.recordset().recordCount(), 1);
    data.refresh();
    EXPECT_EQ(data.recordset().recordCount(), 2);
    EXPECT_EQ(reset.count(), 1);
    data.setDatabaseName(dataText(QStringLiteral("01Cari.mdb")));
    EXPECT_EQ(test::dbErrorOf([&data] { data.refresh(); }), DbError::FileNotFound);
    EXPECT_FALSE(data.recordset().isOpen());
    EXPECT_THROW(data.recordset().moveFirst(), DbError);
    EXPECT_FALSE(QFile::exists(dataFile(QStringLiteral("01Cari.mdb"))));
}

TEST_F(RecordsetTest, AtMostTenFilesAreOpenAtOnce)
{
    std::vector<Database> open;
    for (int i = 0; i < 11; ++i)
        makeStock({}, QStringLiteral("%1Temp.Mdb").arg(i, 2, 10, QChar(u'0')));
    for (int i = 0; i < 10; ++i)
        open.push_back(Database::open(m_mapper, programText(QStringLiteral("%1Temp.Mdb").arg(i, 2, 10, QChar(u'0')))));
    EXPECT_EQ(test::dbErrorOf([this] { Database::open(m_mapper, programText(QStringLiteral("10Temp.Mdb"))); }),
        DbError::TooManyFiles);
    // The same file again shares its place.
    Database again = Database::open(m_mapper, programText(QStringLiteral("00Temp.Mdb")));
    open.erase(open.begin() + 5);
    Database eleventh = Database::open(m_mapper, programText(QStringLiteral("10Temp.Mdb")));
    EXPECT_EQ(eleventh.execute(QStringLiteral("INSERT INTO StokKartlar (StokKod) VALUES ('1')")), 1);
}

TEST_F(RecordsetTest, RefreshOpensAFileThatWasReplacedMeanwhile)
{
    makeStock({{"1", "a"}});
    makeStock({{"1", "a"}, {"2", "b"}}, QStringLiteral("Copy.Mdb"));
    DataControl &data = control(QStringLiteral("StokKartlar"));
    // Another holder keeps the old file attached while it is replaced.
    Database holder = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
    ASSERT_TRUE(QFile::remove(programFile(QStringLiteral("Temp.Mdb"))));
    ASSERT_TRUE(QFile::copy(programFile(QStringLiteral("Copy.Mdb")), programFile(QStringLiteral("Temp.Mdb"))));
    data.refresh();
    EXPECT_EQ(data.recordset().recordCount(), 2);
}

} // namespace
} // namespace pusla
