#include "capture/CaptureFixture.h"
#include "support/Cases.h"

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
            {"DB-1", "Deneme Beta", "2222", "7001", "3331"},
            {"DA-1", "Deneme Alfa", "1111", "2222", "7001"},
            {"Deneme", "Zeytin Deneme", "9999"},
            {"KM'1", "Kalem [Mavi] 50% *İndirim*", "O'Reilly"},
            {"VD-8", "Vida #8 ?", "4444"},
            {"VD-9", "Vida 18 x", "4445"},
        };
    }

    std::vector<StockRow> stockCards() const override
    {
        return {
            {"YK-1", "Yeni Kart Bir", "5551", "5552", "5553"},
            {"YK-2", "Yeni'Kart İki", "5561"},
            {"YK-3", "Deneme Gama", "5571"},
            {"YK-9", "O'Neil [*] #1 ?%_", "5591"},
        };
    }
};

// The working list first: barcode, second barcode, third barcode, stock code,
// then the beginning of the name, each only while nothing was found; the
// list's order decides between names. Then the stock cards: barcode, second
// barcode, stock code and the whole name; a card found adds an empty line for
// the branch selected, carrying the text as scanned. Whatever else is scanned
// finds nothing, breaks no statement and changes no file.
struct ScanCase
{
    QString scanned;
    const char *foundName; // the line of the working list found
    const char *addedCode = nullptr; // the stock card a line is added for
    int branch = 0; // the entry of Combo1 selected (-1: none)
};

void PrintTo(const ScanCase &c, std::ostream *os)
{
    *os << '"' << c.scanned.left(40).toStdString() << '"';
}

using ScanTest = Cases<ScanLookupTest, ScanCase>;

TEST_P(ScanTest, FindsTheLineOrAddsOneForAFullMatch)
{
    const ScanCase &c = GetParam();
    chooseBranchIndex(c.branch);
    const QString sums = QStringLiteral("SELECT count(*)||'|'||total(KalanB)||'|'||total(length(StokAdi)) FROM StokKartlar");
    const QString tempBefore = tempValue(sums);
    const QString stockBefore = cliValue(stockPath(), sums);
    const int rowsBefore = tempRowCount();
    QSignalSpy review(form->Command4, &CommandButton::clickEvent);
    form->DataTemp->recordset().moveLast();
    scan(c.scanned);

    const QString found = QString::fromUtf8(c.foundName);
    EXPECT_EQ(form->Text1->text(), found);
    EXPECT_EQ(QApplication::focusWidget(), form->Text2);
    EXPECT_EQ(review.count(), 0);
    EXPECT_EQ(cliValue(stockPath(), sums), stockBefore);
    EXPECT_EQ(integrityCheck(tempPath()), QStringLiteral("ok"));
    if (c.foundName) {
        EXPECT_EQ(currentName(), found);
        EXPECT_EQ(form->Text2->selectedText(), form->Text2->text()) << "the entry box is ready to be typed over";
    } else {
        EXPECT_EQ(form->DataTemp->recordset().absolutePosition(), 0) << "the re-query made the first line current";
    }
    if (!c.addedCode) {
        EXPECT_EQ(tempValue(sums), tempBefore);
        return;
    }
    const QString code = QString::fromUtf8(c.addedCode);
    ASSERT_EQ(tempRowCount(), rowsBefore + 1);
    ASSERT_EQ(lineCount(code), 1);
    const QString where = QStringLiteral(" FROM StokKartlar WHERE StokKod=%1").arg(jetQuoted(code));
    EXPECT_EQ(tempValue(QStringLiteral("SELECT Barkod") + where), c.scanned);
    EXPECT_EQ(tempValue(QStringLiteral("SELECT StokAdi") + where),
              cliValue(stockPath(), QStringLiteral("SELECT StokAdi") + where));
    EXPECT_EQ(tempValue(QStringLiteral("SELECT Sube||'|'||KalanA||'|'||KalanB") + where),
              QStringLiteral("%1|0.0|0.0").arg(c.branch + 2, 2, 10, QChar(u'0')));
}

const ScanCase kWorkingList[] = {
    {"2222", "Deneme Beta"}, // its barcode beats the other line's second barcode
    {"7001", "Deneme Beta"}, // second barcode beats the other line's third
    {"3331", "Deneme Beta"},
    {"DA-1", "Deneme Alfa"},
    {"Deneme", "Zeytin Deneme"}, // stock code beats a name beginning
    {"deneme ", "Deneme Alfa"}, // first by name, not first stored; any case
    {"KM'1", "Kalem [Mavi] 50% *İndirim*"},
    {"o'reilly", "Kalem [Mavi] 50% *İndirim*"},
    {"Kalem [[]Mavi] 50%", "Kalem [Mavi] 50% *İndirim*"},
    // The typed text is a name pattern.
    {"deneme*a", "Deneme Alfa"},
    {"Kalem*indirim", "Kalem [Mavi] 50% *İndirim*"},
    {"Vida #", "Vida 18 x"},
    {"[u-w]ida #8", "Vida 18 x"},
    {"Vida [#]", "Vida #8 ?"},
};

const ScanCase kStockCards[] = {
    {"5551", nullptr, "YK-1"}, {"5552", nullptr, "YK-1"}, {"yk-1", nullptr, "YK-1"},
    {"Yeni Kart Bir", nullptr, "YK-1"}, {"Yeni'Kart İki", nullptr, "YK-2"},
    {"5561", nullptr, "YK-2", -1}, {"5561", nullptr, "YK-2", 1}, // the branch of the entry selected, "01" for none
    {"o'neil [*] #1 ?%_", nullptr, "YK-9"}, // an apostrophe and the wildcards of the card's own name
    {"Yeni Kart", nullptr}, // a name beginning adds nothing
    {"5553", nullptr}, // nor does a third barcode
    {"Deneme G", nullptr}, {"0000000000000", nullptr},
};

// Patterns that begin no name, a malformed one among them ("%" and "_" are
// plain characters), and texts a scanner or an operator can produce.
const ScanCase kNothing[] = {
    {"KALEM [", nullptr}, {"[!a-z", nullptr}, {"Kalem*Mavi*x", nullptr}, {"Zeytin Deneme?", nullptr},
    {"%", nullptr}, {"_", nullptr}, {"Vida_", nullptr}, {"'", nullptr}, {"''", nullptr}, {"\"", nullptr},
    {"' OR ''='", nullptr}, {"x'; DELETE FROM StokKartlar; --", nullptr}, {"1111' Or Barkod Like '*", nullptr},
    {"[*", nullptr}, {"]", nullptr}, {"#1/1/2000#", nullptr}, {QString(10000, u'9'), nullptr},
    {QString(10000, u'\''), nullptr}, {"a\tb\nc\r", nullptr}, {"\x01\x1b\x7f", nullptr}, {QString(1, QChar(0)), nullptr},
};

INSTANTIATE_TEST_SUITE_P(WorkingList, ScanTest, ::testing::ValuesIn(kWorkingList));
INSTANTIATE_TEST_SUITE_P(StockCards, ScanTest, ::testing::ValuesIn(kStockCards));
INSTANTIATE_TEST_SUITE_P(Nothing, ScanTest, ::testing::ValuesIn(kNothing));

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

} // namespace
