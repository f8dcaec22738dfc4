#include "capture/CaptureFixture.h"

#include <QGroupBox>
#include <QSignalSpy>

using namespace pusla;
using namespace pusla::test;

namespace {

// Lines of the working list that compete for the same scanned text. "Deneme
// Beta" is stored before "Deneme Alfa", the list shows them by name.
class ScanLookupTest : public CaptureFixture
{
protected:
    std::vector<StockRow> workingRows() const override
    {
        return {
            item("DB-1", "Deneme Beta", "2222", "7001", "3331"),
            item("DA-1", "Deneme Alfa", "1111", "2222", "7001"),
            item("Deneme", "Zeytin Deneme", "9999"),
            item("KM'1", "Kalem [Mavi] 50% *İndirim*", "O'Reilly"),
            item("VD-8", "Vida #8 ?", "4444"),
            item("VD-9", "Vida 18 x", "4445"),
        };
    }

    std::vector<StockRow> stockCards() const override
    {
        return {
            item("YK-1", "Yeni Kart Bir", "5551", "5552", "5553"),
            item("YK-2", "Yeni'Kart İki", "5561"),
            item("YK-3", "Deneme Gama", "5571"),
            item("YK-9", "O'Neil [*] #1 ?%_", "5591"),
        };
    }

    int addedLines(const QString &stokKod) const
    {
        return tempValue(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE StokKod=%1").arg(jetQuoted(stokKod)))
            .toInt();
    }
};

} // namespace

TEST_F(ScanLookupTest, EmptyScanBoxOpensTheReviewAndSearchesNothing)
{
    QSignalSpy review(form->Command4, &CommandButton::clickEvent);
    form->Text1->setFocus();
    form->DataTemp->recordset().setAbsolutePosition(3);
    QTest::keyClick(form->Text1, Qt::Key_Return);

    EXPECT_EQ(review.count(), 1);
    // Nothing captured yet: no review panel, the full list again and no line added.
    EXPECT_TRUE(form->Frame3->isHidden());
    EXPECT_EQ(form->DataTemp->recordSource(), workingListSource());
    EXPECT_EQ(tempValue(QStringLiteral("SELECT count(*) FROM StokKartlar WHERE KalanB<>0")), QStringLiteral("0"));
    EXPECT_EQ(QApplication::focusWidget(), form->Text1);
}

// Barcode, second barcode, third barcode, stock code, then the beginning of
// the name, each only while nothing was found; the list's order decides
// between names.
struct WorkingListCase
{
    const char *scanned;
    const char *expectedName;
};

void PrintTo(const WorkingListCase &c, std::ostream *os)
{
    *os << c.scanned;
}

class WorkingListSearchTest : public ScanLookupTest, public ::testing::WithParamInterface<WorkingListCase>
{
};

TEST_P(WorkingListSearchTest, FindsTheLineAndShowsItsName)
{
    const int rowsBefore = tempRowCount();
    form->DataTemp->recordset().moveLast();
    scan(QString::fromUtf8(GetParam().scanned));

    const QString expected = QString::fromUtf8(GetParam().expectedName);
    EXPECT_EQ(currentName(), expected);
    EXPECT_EQ(form->Text1->text(), expected);
    EXPECT_EQ(QApplication::focusWidget(), form->Text2);
    EXPECT_EQ(form->Text2->selectedText(), form->Text2->text()) << "the entry box is ready to be typed over";
    EXPECT_EQ(tempRowCount(), rowsBefore) << "a hit in the working list writes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    SearchOrder, WorkingListSearchTest,
    ::testing::Values(WorkingListCase{"2222", "Deneme Beta"}, // its barcode beats the other line's second barcode
                      WorkingListCase{"7001", "Deneme Beta"}, // second barcode beats the other line's third
                      WorkingListCase{"3331", "Deneme Beta"}, WorkingListCase{"DA-1", "Deneme Alfa"},
                      WorkingListCase{"Deneme", "Zeytin Deneme"}, // stock code beats a name beginning
                      WorkingListCase{"deneme ", "Deneme Alfa"}, // first by name, not first stored; any case
                      WorkingListCase{"KM'1", "Kalem [Mavi] 50% *İndirim*"},
                      WorkingListCase{"o'reilly", "Kalem [Mavi] 50% *İndirim*"},
                      WorkingListCase{"Kalem [[]Mavi] 50%", "Kalem [Mavi] 50% *İndirim*"},
                      // The typed text is a name pattern.
                      WorkingListCase{"deneme*a", "Deneme Alfa"}, WorkingListCase{"Kalem*indirim", "Kalem [Mavi] 50% *İndirim*"},
                      WorkingListCase{"Vida #", "Vida 18 x"}, WorkingListCase{"[u-w]ida #8", "Vida 18 x"},
                      WorkingListCase{"Vida [#]", "Vida #8 ?"}));

// Patterns that begin no name, a malformed one among them; "%" and "_" are
// plain characters.
class NoMatchPatternTest : public ScanLookupTest, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(NoMatchPatternTest, FindsNothingAndAddsNothing)
{
    const int rowsBefore = tempRowCount();
    form->DataTemp->recordset().setAbsolutePosition(2);
    scan(QString::fromUtf8(GetParam()));

    EXPECT_EQ(form->DataTemp->recordset().absolutePosition(), 0) << "the re-query made the first line current";
    EXPECT_TRUE(form->Text1->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), form->Text2);
    EXPECT_EQ(tempRowCount(), rowsBefore);
}

INSTANTIATE_TEST_SUITE_P(Patterns, NoMatchPatternTest,
                         ::testing::Values("KALEM [", "[!a-z", "Kalem*Mavi*x", "Zeytin Deneme?", "%", "_", "Vida_"));

// The stock cards: barcode, second barcode, stock code and the whole name; a
// card found adds an empty line for the branch, carrying the text as scanned.
struct CardCase
{
    const char *scanned;
    const char *addedCode; // nullptr: nothing is added
};

void PrintTo(const CardCase &c, std::ostream *os)
{
    *os << c.scanned;
}

class StockCardSearchTest : public ScanLookupTest, public ::testing::WithParamInterface<CardCase>
{
};

TEST_P(StockCardSearchTest, AddsALineOnlyForAFullMatch)
{
    chooseBranchIndex(0);
    const int rowsBefore = tempRowCount();
    const QString scanned = QString::fromUtf8(GetParam().scanned);
    scan(scanned);

    EXPECT_TRUE(form->Text1->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), form->Text2);
    EXPECT_EQ(form->DataTemp->recordset().absolutePosition(), 0) << "the add leaves the first line current";
    if (!GetParam().addedCode) {
        EXPECT_EQ(tempRowCount(), rowsBefore);
        return;
    }
    const QString code = QString::fromUtf8(GetParam().addedCode);
    ASSERT_EQ(tempRowCount(), rowsBefore + 1);
    ASSERT_EQ(addedLines(code), 1);
    const QString where = QStringLiteral(" FROM StokKartlar WHERE StokKod=%1").arg(jetQuoted(code));
    EXPECT_EQ(tempValue(QStringLiteral("SELECT Barkod") + where), scanned);
    EXPECT_EQ(tempValue(QStringLiteral("SELECT StokAdi") + where),
              cliValue(stockPath(), QStringLiteral("SELECT StokAdi") + where));
    EXPECT_EQ(tempValue(QStringLiteral("SELECT Sube||'|'||KalanA||'|'||KalanB") + where), QStringLiteral("02|0.0|0.0"));
}

INSTANTIATE_TEST_SUITE_P(
    CardOrder, StockCardSearchTest,
    ::testing::Values(CardCase{"5551", "YK-1"}, CardCase{"5552", "YK-1"}, CardCase{"yk-1", "YK-1"},
                      CardCase{"Yeni Kart Bir", "YK-1"}, CardCase{"Yeni'Kart İki", "YK-2"},
                      CardCase{"Yeni Kart", nullptr}, // a name beginning adds nothing
                      CardCase{"5553", nullptr}, // nor does a third barcode
                      CardCase{"Deneme G", nullptr}, CardCase{"0000000000000", nullptr}));

class BranchCodeTest : public ScanLookupTest, public ::testing::WithParamInterface<std::pair<int, const char *>>
{
};

TEST_P(BranchCodeTest, NewLineTakesTheBranchOfTheSelectedEntry)
{
    chooseBranchIndex(GetParam().first);
    scan(QStringLiteral("5561"));
    EXPECT_EQ(tempValue(QStringLiteral("SELECT Sube FROM StokKartlar WHERE StokKod='YK-2'")),
              QString::fromUtf8(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Combo1Index, BranchCodeTest,
                         ::testing::Values(std::pair{-1, "01"}, std::pair{0, "02"}, std::pair{1, "03"}));

TEST_F(ScanLookupTest, ScanningANewItemTwiceAddsOnceThenFindsTheLine)
{
    const int rowsBefore = tempRowCount();
    form->Text1->setFocus();
    QTest::keyClicks(form->Text1, "5571");
    QTest::keyClick(form->Text1, Qt::Key_Return);
    EXPECT_TRUE(form->Text1->text().isEmpty());
    ASSERT_EQ(tempRowCount(), rowsBefore + 1);

    form->Text1->setFocus();
    QTest::keyClicks(form->Text1, "5571");
    QTest::keyClick(form->Text1, Qt::Key_Return);
    EXPECT_EQ(form->Text1->text(), QStringLiteral("Deneme Gama"));
    EXPECT_EQ(currentName(), QStringLiteral("Deneme Gama"));
    EXPECT_EQ(tempRowCount(), rowsBefore + 1);
}

TEST_F(ScanLookupTest, ScanBoxFocusClearsItAndReQueriesTheWorkingList)
{
    form->Text2->setFocus();
    form->Text1->setText(QStringLiteral("yarım kalan"));
    form->DataTemp->recordset().setAbsolutePosition(4);
    runOnFile(tempPath(), {QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi) VALUES ('AA-0', 'Aaa Önce')")});

    form->Text1->setFocus();
    EXPECT_TRUE(form->Text1->text().isEmpty());
    EXPECT_EQ(form->DataTemp->recordset().absolutePosition(), 0);
    EXPECT_EQ(currentName(), QStringLiteral("Aaa Önce")) << "a line another program added is in the list";
}

class ScanBoxBeforeRoleTest : public DemoFixture
{
};

TEST_F(ScanBoxBeforeRoleTest, FocusLeavesEverythingWhileTheRolePanelIsUp)
{
    TerminalForm &f = openForm();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    ASSERT_FALSE(f.Frame4->isHidden());
    f.Text1->setText(QStringLiteral("kalsın"));
    f.Text1->setFocus();
    EXPECT_EQ(f.Text1->text(), QStringLiteral("kalsın"));
    EXPECT_FALSE(f.DataTemp->recordset().isOpen());
}

// Texts a scanner or an operator can produce that must neither break the
// statement nor change a file: each is looked up and matches nothing.
class HostileScanTest : public ScanLookupTest, public ::testing::WithParamInterface<QString>
{
};

TEST_P(HostileScanTest, MatchesNothingAndChangesNothing)
{
    const QString sums = QStringLiteral("SELECT count(*)||'|'||total(KalanB)||'|'||total(length(StokAdi)) FROM StokKartlar");
    const QString tempBefore = tempValue(sums);
    const QString stockBefore = cliValue(stockPath(), sums);
    QSignalSpy review(form->Command4, &CommandButton::clickEvent);
    scan(GetParam());

    EXPECT_EQ(review.count(), 0);
    EXPECT_TRUE(form->Text1->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), form->Text2);
    EXPECT_EQ(tempValue(sums), tempBefore);
    EXPECT_EQ(cliValue(stockPath(), sums), stockBefore);
    EXPECT_EQ(integrityCheck(tempPath()), QStringLiteral("ok"));
    EXPECT_TRUE(form->DataTemp->recordset().isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HostileScanTest,
    ::testing::Values(QStringLiteral("'"), QStringLiteral("''"), QStringLiteral("\""),
                      QStringLiteral("' OR ''='"), QStringLiteral("x'; DELETE FROM StokKartlar; --"),
                      QStringLiteral("1111' Or Barkod Like '*"), QStringLiteral("[!a-z"), QStringLiteral("[*"),
                      QStringLiteral("]"), QStringLiteral("#1/1/2000#"), QString(10000, u'9'),
                      QString(10000, u'\''), QStringLiteral("a\tb\nc\r"), QStringLiteral("\x01\x1b\x7f"),
                      QString(1, QChar(0))));

// An apostrophe and the wildcards in a stock card's own name still find it.
TEST_F(ScanLookupTest, HostileCharactersInAFullNameFindTheCard)
{
    scan(QStringLiteral("o'neil [*] #1 ?%_"));
    EXPECT_EQ(addedLines(QStringLiteral("YK-9")), 1);
}
