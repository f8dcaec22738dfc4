// The re-query of a record set after its own writes: whatever way the set
// takes to its rows (the working list keeps its rows across entries that move
// none of them), a refresh must list exactly what a fresh query of the file
// lists, in the same order.

#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/Transaction.h"

#include "support/DbTestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

#include <random>

namespace pusla {
namespace {

const QString kWorkingList = QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");

void add(Recordset &rs, const QString &code, const QString &name, double kalanB = 0, bool hidden = false)
{
    rs.addNew();
    rs.setField(QStringLiteral("StokKod"), code);
    rs.setField(QStringLiteral("StokAdi"), name);
    rs.setField(QStringLiteral("KalanB"), kalanB);
    rs.setField(QStringLiteral("StokGizle"), hidden ? -1 : 0);
    rs.update();
}

void set(Recordset &rs, const QString &field, const QVariant &value)
{
    rs.edit();
    rs.setField(field, value);
    rs.update();
}

class RecordsetRequeryTest : public test::DbFixture
{
protected:
    void SetUp() override { makeCards(); }

    void makeCards()
    {
        QFile::remove(programFile(QStringLiteral("Temp.Mdb")));
        QStringList statements = test::stockCardDdl();
        const char *names[] = {"Elma", "Zeytin", "armut", "Kiraz", "elma", "Üzüm", "Çay", "ayva"};
        for (int code = 1; const char *name : names) {
            statements.append(QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, KalanB, StokGizle) "
                                             "VALUES ('%1', '%2', %3, %4)")
                                  .arg(code)
                                  .arg(QString::fromUtf8(name))
                                  .arg(code % 3)
                                  .arg(code == 4 ? -1 : 0));
            ++code;
        }
        test::runOnFile(programFile(QStringLiteral("Temp.Mdb")), statements);
    }

    DataControl &control(const QString &source)
    {
        m_control = std::make_unique<DataControl>(m_mapper);
        m_control->setDatabaseName(programText(QStringLiteral("Temp.Mdb")));
        m_control->setRecordSource(source);
        m_control->refresh();
        return *m_control;
    }

    // The rows as codes, read position by position without moving.
    static QStringList codes(const Recordset &rs)
    {
        QStringList values;
        for (int i = 0; i < rs.recordCount(); ++i)
            values.append(rs.valueAt(i, QStringLiteral("StokKod")).toString());
        return values;
    }

    // What a record set opened afresh on the file lists.
    QStringList freshCodes(const QString &source)
    {
        Database file = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
        return codes(*file.openRecordset(source));
    }

    std::unique_ptr<DataControl> m_control;
};

struct OwnWrite
{
    const char *name;
    void (*write)(Recordset &rs);
    int countChange;
};

class OwnWriteTest : public RecordsetRequeryTest, public ::testing::WithParamInterface<OwnWrite>
{
};

const OwnWrite kOwnWrites[] = {
    {"EditOfAQuantity", [](Recordset &rs) { set(rs, QStringLiteral("KalanB"), 7.5); }, 0},
    {"EditOfTheName", [](Recordset &rs) { set(rs, QStringLiteral("StokAdi"), QStringLiteral("zzz")); }, 0},
    {"HidingTheCard", [](Recordset &rs) { set(rs, QStringLiteral("StokGizle"), -1); }, -1},
    {"Delete", [](Recordset &rs) { rs.deleteCurrent(); }, -1},
    {"AddInTheMiddle", [](Recordset &rs) { add(rs, QStringLiteral("20"), QStringLiteral("Fındık")); }, 1},
    {"AddFirst", [](Recordset &rs) { add(rs, QStringLiteral("20"), QStringLiteral("aaa")); }, 1},
    {"AddLast", [](Recordset &rs) { add(rs, QStringLiteral("20"), QStringLiteral("ÿ")); }, 1},
    {"AddOfANameThatIsThere", [](Recordset &rs) { add(rs, QStringLiteral("20"), QStringLiteral("ELMA")); }, 1},
    {"AddOfAHiddenCard", [](Recordset &rs) { add(rs, QStringLiteral("20"), QStringLiteral("Fındık"), 0, true); }, 0},
    {"TwoAdds",
        [](Recordset &rs) {
            add(rs, QStringLiteral("20"), QStringLiteral("Nar"));
            add(rs, QStringLiteral("21"), QStringLiteral("Badem"));
        },
        2},
    {"AddThenDeleteOfTheAdded",
        [](Recordset &rs) {
            add(rs, QStringLiteral("20"), QStringLiteral("Nar"));
            rs.moveLast();
            rs.deleteCurrent();
        },
        0},
    {"AddThenRenameOfTheAdded",
        [](Recordset &rs) {
            add(rs, QStringLiteral("20"), QStringLiteral("Nar"));
            rs.moveLast();
            set(rs, QStringLiteral("StokAdi"), QStringLiteral("Armut"));
        },
        1},
    {"CancelledEdit",
        [](Recordset &rs) {
            rs.edit();
            rs.setField(QStringLiteral("StokAdi"), QStringLiteral("zzz"));
            rs.cancelUpdate();
        },
        0},
};

TEST_P(OwnWriteTest, RefreshListsWhatAFreshQueryLists)
{
    for (const QString &source :
        {kWorkingList, QStringLiteral("Select * From StokKartlar Where StokGizle=False ORDER BY StokAdi DESC"),
            QStringLiteral("Select * From StokKartlar Where KalanB<>1 Order By KalanB Desc, StokAdi"),
            QStringLiteral("StokKartlar")}) {
        makeCards(); // each source on the cards as they were
        DataControl &data = control(source);
        Recordset &rs = data.recordset();
        const int before = rs.recordCount();
        rs.setAbsolutePosition(1);
        GetParam().write(rs);

        data.refresh();
        const QStringList fresh = freshCodes(source);
        EXPECT_EQ(codes(rs), fresh) << source.toStdString();
        if (source == kWorkingList) {
            EXPECT_EQ(rs.recordCount(), before + GetParam().countChange);
        }
        // A second refresh on the unchanged file lists the same again.
        data.refresh();
        EXPECT_EQ(codes(rs), fresh) << source.toStdString();
        EXPECT_EQ(rs.absolutePosition(), 0);
        m_control.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(Writes, OwnWriteTest, ::testing::ValuesIn(kOwnWrites),
    [](const ::testing::TestParamInfo<OwnWrite> &write) { return std::string(write.param.name); });

TEST_F(RecordsetRequeryTest, AddedLineIsFoundWhereTheRefreshPutIt)
{
    DataControl &data = control(kWorkingList);
    Recordset &rs = data.recordset();
    add(rs, QStringLiteral("20"), QStringLiteral("Fındık"));
    data.refresh();
    rs.findFirst(QStringLiteral("StokKod='20'"));
    ASSERT_FALSE(rs.noMatch());
    EXPECT_EQ(rs.absolutePosition(), int(freshCodes(kWorkingList).indexOf(QStringLiteral("20"))));
    rs.findFirst(QStringLiteral("StokAdi like 'z*'"));
    ASSERT_FALSE(rs.noMatch());
    EXPECT_EQ(rs.field(QStringLiteral("StokKod")).toString(), QStringLiteral("2"));
    EXPECT_EQ(rs.absolutePosition(), int(freshCodes(kWorkingList).indexOf(QStringLiteral("2"))));
}

TEST_F(RecordsetRequeryTest, AnotherProgramsWriteAfterAnOwnEntryIsSeen)
{
    DataControl &data = control(kWorkingList);
    Recordset &rs = data.recordset();
    set(rs, QStringLiteral("KalanB"), 3);
    test::cliValue(programFile(QStringLiteral("Temp.Mdb")),
        QStringLiteral("UPDATE StokKartlar SET StokAdi='zzz' WHERE StokKod='3'"));
    set(rs, QStringLiteral("KalanB"), 4); // the own write comes last
    data.refresh();
    EXPECT_EQ(codes(rs), freshCodes(kWorkingList));
    EXPECT_GT(codes(rs).indexOf(QStringLiteral("3")), codes(rs).indexOf(QStringLiteral("2"))) << "zzz after Zeytin";
}

TEST_F(RecordsetRequeryTest, RolledBackWritesAreNotKept)
{
    DataControl &data = control(kWorkingList);
    Recordset &rs = data.recordset();
    const QStringList before = codes(rs);
    {
        Transaction transaction(m_mapper);
        transaction.begin();
        rs.moveFirst();
        rs.deleteCurrent();
        add(rs, QStringLiteral("20"), QStringLiteral("aaa"));
        rs.moveFirst();
        set(rs, QStringLiteral("KalanB"), 9);
        transaction.rollback();
    }
    data.refresh();
    EXPECT_EQ(codes(rs), before);
    EXPECT_EQ(freshCodes(kWorkingList), before);
}

TEST_F(RecordsetRequeryTest, CommittedTransactionIsSeen)
{
    DataControl &data = control(kWorkingList);
    Recordset &rs = data.recordset();
    {
        Transaction transaction(m_mapper);
        transaction.begin();
        rs.moveFirst();
        rs.deleteCurrent();
        add(rs, QStringLiteral("20"), QStringLiteral("aaa"));
        transaction.commit();
    }
    data.refresh();
    EXPECT_EQ(codes(rs), freshCodes(kWorkingList));
    EXPECT_EQ(codes(rs).first(), QStringLiteral("20"));
}

// Long runs of entries, adds and deletes in a random mix, a refresh after each.
class RandomWritesTest : public RecordsetRequeryTest, public ::testing::WithParamInterface<unsigned>
{
};

TEST_P(RandomWritesTest, EveryRefreshListsWhatAFreshQueryLists)
{
    const QString source = QStringLiteral("Select * From StokKartlar Where StokGizle=False And KalanB<>2 "
                                          "Order By StokAdi Asc");
    DataControl &data = control(source);
    Recordset &rs = data.recordset();
    std::mt19937 random(GetParam());
    const QStringList names = {"Elma", "elma", "Armut", "Nar", "Çilek", "İncir", "Ayva", "zeytin", "Badem"};
    int nextCode = 100;
    for (int step = 0; step < 60; ++step) {
        for (int writes = int(random() % 3); writes >= 0; --writes) {
            const int what = int(random() % 6);
            if (what == 0 || rs.recordCount() == 0) {
                add(rs, QString::number(nextCode++), names[qsizetype(random() % names.size())], double(random() % 3),
                    random() % 5 == 0);
                continue;
            }
            rs.setAbsolutePosition(int(random() % unsigned(rs.recordCount())));
            if (what == 1)
                rs.deleteCurrent();
            else if (what == 2)
                set(rs, QStringLiteral("KalanB"), double(random() % 3));
            else if (what == 3)
                set(rs, QStringLiteral("StokAdi"), names[qsizetype(random() % names.size())]);
            else
                set(rs, QStringLiteral("Fiyat"), double(random() % 100));
        }
        data.refresh();
        ASSERT_EQ(codes(rs), freshCodes(source)) << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomWritesTest, ::testing::Values(1u, 2u, 3u));

} // namespace
} // namespace pusla
