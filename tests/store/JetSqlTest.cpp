#include "store/jet/JetSql.h"
#include "base/TextFold.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/jet/JetPattern.h"

#include "data/ServerSchema.h"
#include "support/DbTestSupport.h"
#include "support/PgServer.h"

#include <gtest/gtest.h>

#include <ostream>

namespace pusla {
namespace {

const QString kLongName = QString(10000, u'ğ');

// Item names that put case folding, wildcards and quoting to the test.
const std::vector<std::pair<QString, QString>> kNames = {{"01", QStringLiteral("ÇAY")},
    {"02", QStringLiteral("çay bardağı")}, {"03", QStringLiteral("Işık")}, {"04", QStringLiteral("ışıl")},
    {"05", QStringLiteral("İnce")}, {"06", QStringLiteral("ince")}, {"07", QStringLiteral("Şeker")},
    {"08", QStringLiteral("şeker")}, {"09", QStringLiteral("DAĞ")}, {"10", QStringLiteral("üzüm")},
    {"11", QStringLiteral("öğle")}, {"12", QStringLiteral("100% pamuk")}, {"13", QStringLiteral("a_b")},
    {"14", QStringLiteral("[köşeli]")}, {"15", QStringLiteral("O'Brien")}, {"16", QStringLiteral("Yıldız*")},
    {"17", QStringLiteral("x' OR 1=1 --")}, {"18", QStringLiteral("\"; DROP TABLE StokKartlar; --")}, {"19", kLongName},
    {"20", QStringLiteral("a\tb\nc\x01")}, {"21", QStringLiteral("Kod2017")}};

// A criterion written the way the forms paste a text between apostrophes.
QString quoted(const QString &text)
{
    return jetQuoted(text);
}

struct CriteriaCase
{
    QString criteria;
    QStringList codes; // matching StokKod values, ascending
};

std::ostream &operator<<(std::ostream &out, const CriteriaCase &c)
{
    return out << c.criteria.left(60).toStdString();
}

class DialectTest : public test::DbFixture, public ::testing::WithParamInterface<CriteriaCase>
{
protected:
    void SetUp() override
    {
        test::runOnFile(programFile(QStringLiteral("Temp.Mdb")), test::stockCardDdl());
        m_database = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
        for (const auto &[code, name] : kNames)
            m_database.execute(QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi) VALUES (%1, %2)")
                                   .arg(quoted(code), quoted(name)));
    }

    // Every row that meets the criterion, through FindFirst on a table walk.
    QStringList matches(const QString &criteria)
    {
        auto rs = m_database.openRecordset(QStringLiteral("Select * From StokKartlar Order By StokKod Asc"));
        QStringList codes;
        for (int position = 0; position < rs->recordCount(); ++position) {
            auto one = m_database.openRecordset(QStringLiteral("Select * From StokKartlar Where StokKod=%1")
                                                    .arg(quoted(rs->valueAt(position, 0).toString())));
            one->findFirst(criteria);
            if (!one->noMatch())
                codes.append(one->field(QStringLiteral("StokKod")).toString());
        }
        return codes;
    }

    Database m_database;
};

TEST_P(DialectTest, CriterionMatchesExactlyTheseRows)
{
    const CriteriaCase &c = GetParam();
    // Once as a FindFirst criterion, once inside a record source.
    EXPECT_EQ(matches(c.criteria), c.codes);
    auto rs = m_database.openRecordset(
        QStringLiteral("Select * From StokKartlar Where %1 Order By StokKod Asc").arg(c.criteria));
    QStringList codes;
    for (int i = 0; i < rs->recordCount(); ++i)
        codes.append(rs->valueAt(i, QStringLiteral("StokKod")).toString());
    EXPECT_EQ(codes, c.codes);
}

const std::vector<CriteriaCase> kTurkishCase {CriteriaCase {"StokAdi='çay'", {"01"}},
    CriteriaCase {"StokAdi='ÇAY BARDAĞI'", {"02"}}, CriteriaCase {"StokAdi='ışık'", {"03"}},
    CriteriaCase {"StokAdi='IŞIK'", {"03"}}, CriteriaCase {"StokAdi='işik'", {}},
    CriteriaCase {"StokAdi='İNCE'", {"05", "06"}}, CriteriaCase {"StokAdi='ince'", {"05", "06"}},
    CriteriaCase {"StokAdi='INCE'", {}}, CriteriaCase {"stokadi='ŞEKER'", {"07", "08"}},
    CriteriaCase {"StokAdi='dağ'", {"09"}}, CriteriaCase {"StokAdi='ÜZÜM'", {"10"}},
    CriteriaCase {"StokAdi='ÖĞLE'", {"11"}}, CriteriaCase {"StokAdi<'B'", {"12", "13", "18", "20"}},
    CriteriaCase {"StokKod>'19'", {"20", "21"}}, CriteriaCase {"StokAdi In ('çay','IŞIK')", {"01", "03"}},
    CriteriaCase {"StokKod Between '05' And '07'", {"05", "06", "07"}}};
INSTANTIATE_TEST_SUITE_P(TurkishCase, DialectTest, ::testing::ValuesIn(kTurkishCase));

const std::vector<CriteriaCase> kWildcards {CriteriaCase {"StokAdi like 'ça*'", {"01", "02"}},
    CriteriaCase {"StokAdi like 'Ç?Y'", {"01"}}, CriteriaCase {"StokAdi like '*BARDAĞ*'", {"02"}},
    CriteriaCase {"StokAdi like 'ış*'", {"03", "04"}}, CriteriaCase {"StokAdi LIKE 'İN*'", {"05", "06"}},
    CriteriaCase {"StokAdi like 'Kod####'", {"21"}}, CriteriaCase {"StokAdi like 'Kod#'", {}},
    CriteriaCase {"StokAdi like '[ÇŞ]*'", {"01", "02", "07", "08"}},
    CriteriaCase {"StokAdi like '[a-c]*'", {"13", "20"}},
    CriteriaCase {"StokAdi like '[!a-zçşıİ]*'", {"10", "11", "12", "14", "18", "19"}},
    CriteriaCase {"StokAdi like '100%*'", {"12"}}, CriteriaCase {"StokAdi like '100_*'", {}},
    CriteriaCase {"StokAdi like 'a_b'", {"13"}}, CriteriaCase {"StokAdi like 'a%b'", {}},
    CriteriaCase {"StokAdi like '[köş*'", {}}, CriteriaCase {"StokAdi like 'ça*ğ*'", {"02"}},
    CriteriaCase {"StokAdi like '[[]köşeli]'", {"14"}}, CriteriaCase {"StokAdi like 'Yıldız[*]'", {"16"}},
    CriteriaCase {"StokAdi like 'yıldız*'", {"16"}},
    CriteriaCase {"StokAdi Not Like '*a*'",
        {"03", "04", "05", "06", "07", "08", "10", "11", "14", "15", "16", "17", "19", "21"}}};
INSTANTIATE_TEST_SUITE_P(Wildcards, DialectTest, ::testing::ValuesIn(kWildcards));

const std::vector<CriteriaCase> kHostileTexts {CriteriaCase {"StokAdi=" + quoted("O'Brien"), {"15"}},
    CriteriaCase {"StokAdi like " + quoted("o'b*"), {"15"}}, CriteriaCase {"StokAdi=" + quoted("x' OR 1=1 --"), {"17"}},
    CriteriaCase {"StokAdi like " + quoted("x' OR 1=1 --*"), {"17"}},
    CriteriaCase {"StokAdi=\"\"\"; DROP TABLE StokKartlar; --\"", {"18"}},
    CriteriaCase {"StokAdi=" + quoted("\"; DROP TABLE StokKartlar; --"), {"18"}},
    CriteriaCase {"StokAdi=" + quoted(kLongName), {"19"}},
    CriteriaCase {"StokAdi like " + quoted(kLongName.left(9999) + u'*'), {"19"}},
    CriteriaCase {"StokAdi=" + quoted(QStringLiteral("A\tB\nC\x01")), {"20"}},
    CriteriaCase {"StokAdi=" + quoted(QStringLiteral("%")), {}},
    CriteriaCase {"StokAdi=" + quoted(QStringLiteral("_")), {}},
    CriteriaCase {"StokAdi=" + quoted(QStringLiteral("[")), {}}};
INSTANTIATE_TEST_SUITE_P(HostileTexts, DialectTest, ::testing::ValuesIn(kHostileTexts));

// The engine's functions and operators: halves round away from zero, a
// number joins a text, whole-number division and Mod.
const std::vector<CriteriaCase> kFunctions {CriteriaCase {"Len(StokAdi)=3", {"01", "09", "13"}},
    CriteriaCase {"Right(StokAdi,4)='2017'", {"21"}}, CriteriaCase {"Left(StokAdi,3)='kod'", {"21"}},
    CriteriaCase {"Mid(StokKod,2,1)='1'", {"01", "11", "21"}}, CriteriaCase {"StokKod & 'x'='01X'", {"01"}},
    CriteriaCase {"StokKod='02' And Round(2.5)=3 And Round(-2.5)=-3", {"02"}},
    CriteriaCase {"StokKod='03' And (7 \\ 2)=3 And (7 Mod 3)=1", {"03"}},
    CriteriaCase {"Nz(KalanB)=0 And StokKod='04'", {"04"}}};
INSTANTIATE_TEST_SUITE_P(Functions, DialectTest, ::testing::ValuesIn(kFunctions));

// Statements as postings write them, each with the rows it changes and the
// table afterwards (StokKod:KalanB of the rows whose KalanB is not 0, and
// the count of rows): an assignment that changes nothing writes nothing.
struct StatementCase
{
    QString statement;
    int changed;
    QString after;
};

const std::vector<StatementCase> kStatements {
    {"UPDATE StokKartlar SET KalanB = KalanB + 2.5 WHERE StokAdi like 'ş*'", 2, "07:2.5 08:2.5 21"},
    {"UPDATE StokKartlar SET KalanB = 0", 2, "21"},
    {"INSERT INTO StokKartlar (StokKod, StokAdi, KalanB) VALUES ('99', 'Yeni' & ' Kart', 3)", 1, "99:3 22"},
    {"DELETE FROM StokKartlar WHERE StokAdi In ('ÇAY', 'IŞIK') Or StokKod='99'", 3, "19"},
    {"UPDATE StokKartlar SET StokAdi = StokAdi & '!', KalanB = Len(StokAdi) WHERE StokKod='13'", 1, "13:3 19"}};

TEST_F(DialectTest, StatementsChangeTheRowsTheySay)
{
    for (const StatementCase &c : kStatements) {
        EXPECT_EQ(m_database.execute(c.statement), c.changed) << c.statement.toStdString();
        auto rs = m_database.openRecordset(QStringLiteral("Select * From StokKartlar Order By StokKod Asc"));
        QStringList after;
        for (int i = 0; i < rs->recordCount(); ++i) {
            if (rs->valueAt(i, QStringLiteral("KalanB")).toDouble() != 0)
                after << rs->valueAt(i, QStringLiteral("StokKod")).toString() + u':'
                        + QString::number(rs->valueAt(i, QStringLiteral("KalanB")).toDouble());
        }
        EXPECT_EQ((after << QString::number(rs->recordCount())).join(u' '), c.after) << c.statement.toStdString();
    }
}

class DialectErrorTest : public DialectTest
{
};

TEST_P(DialectErrorTest, MalformedCriterionIsRefusedAndChangesNothing)
{
    auto rs = m_database.openRecordset(QStringLiteral("StokKartlar"));
    EXPECT_THROW(rs->findFirst(GetParam().criteria), DbError);
    EXPECT_THROW(
        m_database.openRecordset(QStringLiteral("Select * From StokKartlar Where ") + GetParam().criteria), DbError);
    EXPECT_EQ(m_database.openRecordset(QStringLiteral("StokKartlar"))->recordCount(), int(kNames.size()));
}

INSTANTIATE_TEST_SUITE_P(Refused, DialectErrorTest,
    ::testing::Values(CriteriaCase {"StokAdi='x' OR 1=1 --'", {}},
        CriteriaCase {"StokAdi='x'; DROP TABLE StokKartlar", {}}, CriteriaCase {"StokAdi='", {}},
        CriteriaCase {"StokAdi=x", {}}, CriteriaCase {"Yok='1'", {}}, CriteriaCase {"StokAdi=#1/1/2017#", {}},
        CriteriaCase {QString(500, u'(') + "StokKod='1'" + QString(500, u')'), {}}, CriteriaCase {"Sum(KalanB)=0", {}},
        CriteriaCase {"StokAdi like", {}}, CriteriaCase {"StokAdi='a' /* x */", {}}));

// --- statements as the forms write them

class StatementTest : public test::DbFixture
{
protected:
    void SetUp() override
    {
        QStringList statements = test::stockCardDdl();
        statements << QStringLiteral("CREATE TABLE StokHareket (StokHarKod TEXT, Miktar REAL)")
                   << QStringLiteral("INSERT INTO StokHareket VALUES ('1', 2)")
                   << QStringLiteral(
                          "INSERT INTO StokKartlar (StokKod, StokAdi, KalanB, KalanA, StokGizle, GirenTutar, "
                          "Kar, Fiyat, gFiyat, Sube) VALUES "
                          "('1', 'Zeytin', 2, 0, 0, 10, 1.8, 5, 4, '02'), ('2', 'armut', 0, 0, 0, 0, 0, 7, 6, '03'), "
                          "('3', 'Elma', 0, 3, -1, 4, 0.72, 2, 1, '02'), ('4', 'ayva', 0, 1, 0, 0, 0, 3, 2, '02')");
        test::runOnFile(file(), statements);
        m_database = Database::open(m_mapper, programText(QStringLiteral("Temp.Mdb")));
    }

    QString file() const { return programFile(QStringLiteral("Temp.Mdb")); }
    QString cli(const QString &sql) const { return test::cliValue(file(), sql); }

    Database m_database;
};

TEST_F(StatementTest, BulkChangesRunAsWritten)
{
    // Rows that already hold the values are not rewritten, nor counted.
    EXPECT_EQ(m_database.execute(QStringLiteral("UPDATE StokKartlar Set KalanA=KalanB")), 3);
    EXPECT_EQ(m_database.execute(QStringLiteral("UPDATE StokKartlar Set Fiyat2=gFiyat")), 4);
    EXPECT_EQ(m_database.execute(QStringLiteral("UPDATE StokKartlar Set KalanA=KalanB")), 0);
    EXPECT_EQ(cli(QStringLiteral("SELECT group_concat(KalanA || ':' || Fiyat2) FROM StokKartlar")),
        QStringLiteral("2.0:4.0,0.0:6.0,0.0:1.0,0.0:2.0"));
    EXPECT_EQ(m_database.execute(QStringLiteral("Delete FROM StokKartlar WHERE KalanB<>0")), 1);
    EXPECT_EQ(m_database.execute(QStringLiteral("Delete FROM StokHareket")), 1);
    EXPECT_EQ(cli(QStringLiteral("SELECT count(*) FROM StokKartlar")), QStringLiteral("3"));
    EXPECT_EQ(m_database.execute(QStringLiteral("INSERT INTO StokKartlar (StokKod, StokGizle) VALUES ('9', True)")), 1);
    EXPECT_EQ(cli(QStringLiteral("SELECT StokGizle FROM StokKartlar WHERE StokKod='9'")), QStringLiteral("-1"));
    EXPECT_EQ(test::integrityCheck(file()), QStringLiteral("ok"));
}

TEST_F(StatementTest, SelectIsNotExecuted)
{
    EXPECT_EQ(test::dbErrorOf([this] { m_database.execute(QStringLiteral("Select * From StokKartlar")); }),
        DbError::CannotExecuteSelect);
}

// --- patterns on their own

struct PatternCase
{
    QString pattern;
    QString text;
    bool matches;
};

class JetPatternTest : public ::testing::TestWithParam<PatternCase>
{
};

TEST_P(JetPatternTest, Matches)
{
    EXPECT_EQ(JetPattern(GetParam().pattern).matches(GetParam().text), GetParam().matches)
        << GetParam().pattern.toStdString() << " ~ " << GetParam().text.toStdString();
}

const std::vector<PatternCase> kPatterns {PatternCase {"*", "", true}, PatternCase {"?", "", false},
    PatternCase {"a*b*c", "aXbYc", true}, PatternCase {"a*b*c", "aXbY", false}, PatternCase {"*ab", "aab", true},
    PatternCase {"#?#", "1x2", true}, PatternCase {"#", "x", false}, PatternCase {"[a-c]", "B", true},
    PatternCase {"[a-c]", "d", false}, PatternCase {"[!a-c]", "d", true}, PatternCase {"[!a-c]", "b", false},
    PatternCase {"ı", "I", true}, PatternCase {"i", "İ", true}, PatternCase {"i", "I", false},
    PatternCase {"?", "\U0001F600", true}, PatternCase {"[", "[", false}, PatternCase {"a[b*", "a[b", false},
    PatternCase {"[[]", "[", true}, PatternCase {"a[]b", "ab", true}, PatternCase {"%", "x", false},
    PatternCase {"_", "_", true}, PatternCase {"[h-j]", "i", true}, PatternCase {"[h-j]", "İ", false},
    PatternCase {"[b-ü]", "a", false}, PatternCase {"[b-ü]", "A", false}, PatternCase {"[!]", "x", true},
    PatternCase {"ş*", "Şeker", true}, PatternCase {"a\nb", "A\nB", true}};
INSTANTIATE_TEST_SUITE_P(Table, JetPatternTest, ::testing::ValuesIn(kPatterns));

TEST(JetPatternPrefix, UpperBoundIsTheNextTextAfterEveryExtension)
{
    EXPECT_EQ(prefixUpperBound(QStringLiteral("ABC")), QStringLiteral("ABD"));
    EXPECT_EQ(prefixUpperBound(QStringLiteral("A\U0010FFFF")), QStringLiteral("B"));
    EXPECT_EQ(prefixUpperBound(QStringLiteral("\U0010FFFF")), std::nullopt);
    EXPECT_EQ(prefixUpperBound(QString(QChar(0xD7FF))), QString(QChar(0xE000)));
    EXPECT_EQ(JetPattern(u"abc*").prefix(), QStringLiteral("ABC"));
    EXPECT_EQ(JetPattern(u"a?c*").prefix(), std::nullopt);
    EXPECT_EQ(JetPattern(u"ab?c*").leadingText(), QStringLiteral("AB"));
    EXPECT_EQ(JetPattern(u"ab[c*").leadingText(), QString());
    EXPECT_EQ(JetPattern(u"şeker").exactText(), QStringLiteral("ŞEKER"));
}

// The same criteria and patterns on a server's books: the rows found are
// the same.
class PgDialectTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const QString server = test::pgServer();
        if (server.isEmpty())
            return;
        s_scratch = std::make_unique<test::ScratchDatabase>(server);
        s_db = std::make_unique<PgConnection>(s_scratch->conninfo());
        // "01" for the criteria, "02" for the statements that change it.
        for (const QString &company : {QStringLiteral("01"), QStringLiteral("02")}) {
            serverschema::createCompany(*s_db, company);
            for (const auto &[code, name] : kNames)
                s_db->exec(QStringLiteral(R"(INSERT INTO "%1"."StokKartlar" ("StokKod", "StokAdi") VALUES ($1, $2))")
                               .arg(company),
                    {code, name});
        }
    }
    static void TearDownTestSuite()
    {
        s_db.reset();
        s_scratch.reset();
    }
    void SetUp() override
    {
        if (!s_db)
            GTEST_SKIP() << "no PostgreSQL server for the tests (PUSLA_TEST_PG; scripts/test starts one)";
    }

    static QStringList codes(const QString &criteria)
    {
        const SqlText where = translateCriteria(
            criteria, s_db->tableInfo(QStringLiteral("01"), QStringLiteral("StokKartlar")), -1, SqlDialect::Postgres);
        QStringList found;
        for (const QVariantList &row :
            s_db->exec(QStringLiteral(R"(SELECT "StokKod" FROM "01"."StokKartlar" WHERE %1 ORDER BY "StokKod")")
                           .arg(numberedParameters(where.sql)),
                    where.params)
                .rows)
            found << row.front().toString();
        return found;
    }

    static inline std::unique_ptr<test::ScratchDatabase> s_scratch;
    static inline std::unique_ptr<PgConnection> s_db;
};

TEST_F(PgDialectTest, CriteriaFindTheSameRows)
{
    // The folded field as the server stores and indexes it.
    EXPECT_EQ(translateCriteria(QStringLiteral("Barkod='8690'"),
                  s_db->tableInfo(QStringLiteral("01"), QStringLiteral("StokKartlar")), -1, SqlDialect::Postgres)
                  .sql,
        QStringLiteral("(\"Barkod_fold\" = ?)"));
    for (const std::vector<CriteriaCase> *cases : {&kTurkishCase, &kWildcards, &kHostileTexts, &kFunctions}) {
        for (const CriteriaCase &c : *cases)
            EXPECT_EQ(codes(c.criteria), c.codes) << c;
    }
}

TEST_F(PgDialectTest, StatementsChangeTheRowsTheySay)
{
    const TableLookup lookup = [](const QString &table) { return s_db->tableInfo(QStringLiteral("02"), table); };
    for (const StatementCase &c : kStatements) {
        const SqlText sql = translateStatement(c.statement, QStringLiteral("02"), lookup, SqlDialect::Postgres);
        EXPECT_EQ(s_db->exec(numberedParameters(sql.sql), sql.params).affected, c.changed) << c.statement.toStdString();
        QStringList after;
        for (const QVariantList &row :
            s_db->exec(
                    QStringLiteral(
                        R"(SELECT "StokKod", "KalanB" FROM "02"."StokKartlar" WHERE "KalanB" <> 0 ORDER BY "StokKod")"))
                .rows)
            after << row[0].toString() + u':' + QString::number(row[1].toDouble());
        after << s_db->exec(QStringLiteral(R"(SELECT count(*) FROM "02"."StokKartlar")")).value().toString();
        EXPECT_EQ(after.join(u' '), c.after) << c.statement.toStdString();
    }
    EXPECT_EQ(
        s_db->exec(QStringLiteral(R"(SELECT "StokAdi_fold" FROM "02"."StokKartlar" WHERE "StokKod" = '13')")).value(),
        QVariant(u"A_B!"_qs));
}

TEST_F(PgDialectTest, PatternsMatchTheSameTexts)
{
    for (const PatternCase &c : kPatterns) {
        const std::optional<QString> regex = JetPattern(c.pattern).postgresRegex();
        const bool matched
            = regex && s_db->exec(QStringLiteral("SELECT $1::text ~ $2"), {c.text, *regex}).value().toBool();
        EXPECT_EQ(matched, c.matches) << c.pattern.toStdString() << " ~ " << c.text.toStdString();
    }
}

} // namespace
} // namespace pusla
