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

void add(Recordset &rs, const QVariant &code, const QVariant &name, double kalanB = 0, bool hidden = false)
{
    test::addRecord(rs, {{"StokKod", code}, {"StokAdi", name}, {"KalanB", kalanB}, {"StokGizle", hidden ? -1 : 0}});
}

void set(Recordset &rs, const char *field, const QVariant &value)
{
    rs.edit();
    rs.setField(QString::fromLatin1(field), value);
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
        m_control = test::boundControl(m_mapper, programText(QStringLiteral("Temp.Mdb")), source);
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
    {"EditOfAQuantity", [](Recordset &rs) { set(rs, "KalanB", 7.5); }, 0},
    {"EditOfTheName", [](Recordset &rs) { set(rs, "StokAdi", "zzz"); }, 0},
    {"HidingTheCard", [](Recordset &rs) { set(rs, "StokGizle", -1); }, -1},
    {"Delete", [](Recordset &rs) { rs.deleteCurrent(); }, -1},
    {"AddInTheMiddle", [](Recordset &rs) { add(rs, "20", "Fındık"); }, 1},
    {"AddFirst", [](Recordset &rs) { add(rs, "20", "aaa"); }, 1},
    {"AddLast", [](Recordset &rs) { add(rs, "20", "ÿ"); }, 1},
    {"AddOfANameThatIsThere", [](Recordset &rs) { add(rs, "20", "ELMA"); }, 1},
    {"AddOfAHiddenCard", [](Recordset &rs) { add(rs, "20", "Fındık", 0, true); }, 0},
    {"TwoAdds", [](Recordset &rs) { add(rs, "20", "Nar"); add(rs, "21", "Badem"); }, 2},
    {"AddThenDeleteOfTheAdded", [](Recordset &rs) { add(rs, "20", "Nar"); rs.moveLast(); rs.deleteCurrent(); }, 0},
    {"AddThenRenameOfTheAdded", [](Recordset &rs) { add(rs, "20", "Nar"); rs.moveLast(); set(rs, "StokAdi", "Ar"); }, 1},
    {"CancelledEdit", [](Recordset &rs) { rs.edit(); rs.setField(QStringLiteral("StokAdi"), "z"); rs.cancelUpdate(); }, 0},
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
    add(rs, "20", "Fındık");
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
    set(rs, "KalanB", 3);
    test::cliValue(programFile(QStringLiteral("Temp.Mdb")),
        QStringLiteral("UPDATE StokKartlar SET StokAdi='zzz' WHERE StokKod='3'"));
    set(rs, "KalanB", 4); // the own write comes last
    data.refresh();
    EXPECT_EQ(codes(rs), freshCodes(kWorkingList));
    EXPECT_GT(codes(rs).indexOf(QStringLiteral("3")), codes(rs).indexOf(QStringLiteral("2"))) << "zzz after Zeytin";
}

TEST_F(RecordsetRequeryTest, RefreshAfterATransactionListsWhatItsEndLeft)
{
    for (const bool commit : {false, true}) {
        makeCards();
        DataControl &data = control(kWorkingList);
        Recordset &rs = data.recordset();
        const QStringList before = codes(rs);
        {
            Transaction transaction(m_mapper);
            transaction.begin();
            rs.moveFirst();
            rs.deleteCurrent();
            add(rs, "20", "aaa");
            rs.moveFirst();
            set(rs, "KalanB", 9);
            commit ? transaction.commit() : transaction.rollback();
        }
        data.refresh();
        EXPECT_EQ(codes(rs), freshCodes(kWorkingList)) << commit;
        if (commit)
            EXPECT_EQ(codes(rs).first(), QStringLiteral("20"));
        else
            EXPECT_EQ(codes(rs), before);
        m_control.reset();
    }
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
                set(rs, "KalanB", double(random() % 3));
            else if (what == 3)
                set(rs, "StokAdi", names[qsizetype(random() % names.size())]);
            else
                set(rs, "Fiyat", double(random() % 100));
        }
        data.refresh();
        ASSERT_EQ(codes(rs), freshCodes(source)) << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomWritesTest, ::testing::Values(1u, 2u, 3u));

} // namespace
} // namespace pusla
