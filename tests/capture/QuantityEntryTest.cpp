#include "capture/CaptureFixture.h"
#include "support/SpoiltFiles.h"

#include <QPalette>

using namespace pusla;
using namespace pusla::test;

namespace {

StockRow line(const char *stokKod, const char *stokAdi, const char *barkod, double kalanB, double kalanA = 0,
              double fiyat = 0, double girenTutar = 0, double kdv = 0)
{
    StockRow row = item(stokKod, stokAdi, barkod);
    row.kalanB = kalanB;
    row.kalanA = kalanA;
    row.fiyat = fiyat;
    row.girenTutar = girenTutar;
    row.kdv = kdv;
    return row;
}

class QuantityEntryTest : public CaptureFixture
{
protected:
    std::vector<StockRow> workingRows() const override
    {
        return {
            line("SA-1", "Deneme Satış", "1001", 2, 0, 10, 20),
            line("SA-2", "Deneme Kartsız", "1004", 1, 0, 4, 4, 8),
            line("SY-5", "Deneme Sayım Beş", "1005", 5),
            line("SY-2", "Deneme Sayım İki", "1002", 2, 1),
            line("SY-K", "Deneme Kilo", "1003", 0.3),
        };
    }

    std::vector<StockRow> stockCards() const override
    {
        StockRow card = item("SA-1", "Deneme Satış", "1001");
        card.kdv = 18;
        return {card, item("YN-1", "Deneme Yeni", "1009")};
    }

    QuantityEntry &entry() const { return terminal->quantityEntry(); }

    void expectBackToTheScanBox()
    {
        EXPECT_EQ(form->Text2->text(), QStringLiteral("0"));
        EXPECT_FALSE(form->Command2->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), form->Text1);
        EXPECT_TRUE(form->Text1->text().isEmpty());
        EXPECT_EQ(entry().entryMode(), QuantityEntry::EntryMode::Quantity);
        EXPECT_EQ(form->Text2->palette().color(QPalette::Base), QColor(Qt::white));
    }

    QString lineFields(const char *stokKod, const QString &fields) const
    {
        return tempValue(QStringLiteral("SELECT %1 FROM StokKartlar WHERE StokKod='%2'").arg(fields, QLatin1String(stokKod)));
    }
};

// Keystroke by keystroke, as the operator types after a lookup (the box
// holds "0", all of it selected).
struct KeysCase
{
    const char *keys;
    const char *shown;
    int beeps;
};

void PrintTo(const KeysCase &c, std::ostream *os)
{
    *os << '"' << QString::fromLatin1(c.keys).replace(u'\b', QStringLiteral("<BS>")).toStdString() << '"';
}

class EntryKeystrokeTest : public QuantityEntryTest, public ::testing::WithParamInterface<KeysCase>
{
};

TEST_P(EntryKeystrokeTest, ShowsTheFormattedNumber)
{
    form->Text2->setFocus();
    ASSERT_EQ(form->Text2->selectedText(), QStringLiteral("0"));
    typeIntoEntryBox(QString::fromLatin1(GetParam().keys));

    const QString shown = QString::fromUtf8(GetParam().shown);
    EXPECT_EQ(form->Text2->text(), shown);
    EXPECT_EQ(dialogs.beeps, GetParam().beeps);
    EXPECT_EQ(form->Command2->isVisible(), formats.isNonZero(shown));
    EXPECT_EQ(form->Text2->cursorPosition(), shown.size());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EntryKeystrokeTest,
    ::testing::Values(KeysCase{"1234", "1.234", 0}, KeysCase{"1234,", "1.234,", 0}, KeysCase{"1234,5", "1.234,5", 0},
                      KeysCase{"1234,56", "0", 0}, // eight characters
                      KeysCase{"999999", "999.999", 0}, KeysCase{"9999999", "0", 0},
                      KeysCase{"12.5", "12,5", 0}, // the full stop is the decimal comma
                      KeysCase{"1.234", "1,234", 0}, KeysCase{"-5", "5", 1}, KeysCase{"+", "0", 1},
                      KeysCase{"5*2/1", "521", 2}, KeysCase{"5?\\", "5", 2}, KeysCase{"5a ", "5", 1},
                      KeysCase{"1,2,", "1,2", 1}, KeysCase{"1,2.", "1,2", 1},
                      // Zeros typed after the decimal comma stay, so 1,05 can be typed at all.
                      KeysCase{"1,0", "1,0", 0}, KeysCase{"1,05", "1,05", 0}, KeysCase{"2,50", "2,50", 0},
                      KeysCase{"1,000", "1,000", 0}, KeysCase{"1,0000", "1,000", 0}, KeysCase{",05", "0,05", 0},
                      KeysCase{"1,2345", "1,235", 0}, KeysCase{"1000,0", "1.000,0", 0},
                      KeysCase{"12\b", "1", 0}, KeysCase{"12\b\b", "0", 0}, KeysCase{"\b", "0", 0}));

TEST_F(QuantityEntryTest, PressInTheBoxPutsTheCaretAtTheEnd)
{
    form->Text1->setFocus();
    form->Text2->setText(QStringLiteral("12"));
    tap(form->Text2, QPoint(3, form->Text2->height() / 2));
    EXPECT_EQ(QApplication::focusWidget(), form->Text2);
    EXPECT_FALSE(form->Text2->hasSelectedText());
    EXPECT_EQ(form->Text2->cursorPosition(), 2);
    typeIntoEntryBox(QStringLiteral("3"));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("123"));
}

TEST_F(QuantityEntryTest, HeaderClickCaptionsAreLeftAsTheyAre)
{
    form->Text2->setText(QStringLiteral("5"));
    ASSERT_TRUE(form->Command2->isVisible());
    form->Marker = QStringLiteral("HeadClick");
    form->Text2->setText(QStringLiteral("Fiyat"));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("Fiyat"));
    EXPECT_TRUE(form->Command2->isVisible());

    form->Marker.clear();
    form->Text2->setText(QStringLiteral("12345"));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("12.345"));
}

// Count mode: the entry counts the current line down against what is
// expected; at exactly 0 the line leaves, beyond it the rest is surplus.
struct CountCase
{
    const char *stokKod;
    const char *barcode;
    std::vector<const char *> entries;
    bool lineStays;
    double kalanB;
    double kalanA;
};

void PrintTo(const CountCase &c, std::ostream *os)
{
    *os << c.barcode;
    for (const char *e : c.entries)
        *os << ' ' << e;
}

class CountEntryTest : public QuantityEntryTest, public ::testing::WithParamInterface<CountCase>
{
};

TEST_P(CountEntryTest, CountsTheLineDown)
{
    tickMode(1);
    const int rowsBefore = tempRowCount();
    const QString code = QString::fromLatin1(GetParam().stokKod);
    for (const char *entered : GetParam().entries) {
        scan(QString::fromLatin1(GetParam().barcode));
        typeIntoEntryBox(QString::fromLatin1(entered) + u'\r');
        expectBackToTheScanBox();
    }

    if (!GetParam().lineStays) {
        EXPECT_FALSE(lineExists(code));
        EXPECT_EQ(tempRowCount(), rowsBefore - 1);
        return;
    }
    ASSERT_TRUE(lineExists(code));
    EXPECT_DOUBLE_EQ(lineNumber(code, QStringLiteral("KalanB")), GetParam().kalanB);
    EXPECT_DOUBLE_EQ(lineNumber(code, QStringLiteral("KalanA")), GetParam().kalanA);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, CountEntryTest,
    ::testing::Values(CountCase{"SY-5", "1005", {"2"}, true, 3, 0}, CountCase{"SY-5", "1005", {"2", "3"}, false, 0, 0},
                      CountCase{"SY-5", "1005", {"5"}, false, 0, 0}, CountCase{"SY-5", "1005", {"6"}, true, 0, 1},
                      CountCase{"SY-2", "1002", {"5"}, true, 0, 4}, // 2 expected, 1 surplus already
                      CountCase{"SY-5", "1005", {"0"}, true, 5, 0}, CountCase{"SY-5", "1005", {""}, true, 5, 0},
                      // 0,3 kg counted as 0,1 and 0,2 is exactly all of it
                      CountCase{"SY-K", "1003", {"0,1", "0,2"}, false, 0, 0},
                      CountCase{"SY-K", "1003", {"0,1", "0,25"}, true, 0, 0.05}));

TEST_F(QuantityEntryTest, CountedNewItemIsSurplusOnceScannedAgain)
{
    tickMode(1);
    scan(QStringLiteral("1009"));
    ASSERT_TRUE(lineExists(QStringLiteral("YN-1")));
    scan(QStringLiteral("1009"));
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Deneme Yeni"));
    typeIntoEntryBox(QStringLiteral("4\r"));
    EXPECT_EQ(lineFields("YN-1", QStringLiteral("KalanA||'|'||KalanB")), QStringLiteral("4.0|0.0"));
}

TEST_F(QuantityEntryTest, CountEntryGoesToTheCurrentLineWhateverTheScanBoxHolds)
{
    tickMode(1);
    scan(QStringLiteral("1005"));
    form->Text1->setText(QStringLiteral("başka"));
    typeIntoEntryBox(QStringLiteral("1\r"));
    EXPECT_DOUBLE_EQ(lineNumber(QStringLiteral("SY-5"), QStringLiteral("KalanB")), 4);
}

// Sale, purchase and no mode: the quantity is added with its amount, VAT and
// price copy.
class AddedEntryTest : public QuantityEntryTest, public ::testing::WithParamInterface<int>
{
protected:
    void SetUp() override
    {
        QuantityEntryTest::SetUp();
        if (GetParam() >= 0)
            tickMode(GetParam());
    }
};

TEST_P(AddedEntryTest, AddsTheQuantityAndRecomputesTheLine)
{
    scan(QStringLiteral("1001"));
    ASSERT_EQ(form->Text1->text(), QStringLiteral("Deneme Satış"));
    typeIntoEntryBox(QStringLiteral("3"));
    EXPECT_TRUE(form->Command2->isVisible());
    typeIntoEntryBox(QStringLiteral("\r"));

    EXPECT_EQ(lineFields("SA-1", QStringLiteral("KalanB||'|'||GirenTutar||'|'||Kdv||'|'||Kar||'|'||Fiyat2")),
              QStringLiteral("5.0|50.0|18.0|9.0|10.0"));
    expectBackToTheScanBox();
}

TEST_P(AddedEntryTest, EntryNeedsTheLineNameInTheScanBox)
{
    const QString sums = QStringLiteral("SELECT total(KalanB)||'|'||total(GirenTutar)||'|'||total(Kar) FROM StokKartlar");
    const QString before = tempValue(sums);
    scan(QStringLiteral("1001"));
    form->Text1->setText(QStringLiteral("Deneme Satı"));
    typeIntoEntryBox(QStringLiteral("3\r"));
    expectBackToTheScanBox();

    // A line just added from the stock cards leaves the scan box empty.
    scan(QStringLiteral("1009"));
    ASSERT_TRUE(lineExists(QStringLiteral("YN-1")));
    typeIntoEntryBox(QStringLiteral("3\r"));
    expectBackToTheScanBox();
    EXPECT_EQ(tempValue(sums), before);
}

TEST_P(AddedEntryTest, PriceEntryRepricesTheLine)
{
    scan(QStringLiteral("1001"));
    entry().setEntryMode(QuantityEntry::EntryMode::Price);
    EXPECT_EQ(form->Text2->palette().color(QPalette::Base), QColor(0x00, 0xFF, 0xFF));
    typeIntoEntryBox(QStringLiteral("12,5\r"));
    EXPECT_EQ(lineFields("SA-1", QStringLiteral("Fiyat||'|'||KalanB||'|'||GirenTutar||'|'||Kar||'|'||Fiyat2")),
              QStringLiteral("12.5|2.0|25.0|4.5|12.5"));
    expectBackToTheScanBox();

    scan(QStringLiteral("1001"));
    typeIntoEntryBox(QStringLiteral("1\r"));
    EXPECT_EQ(lineFields("SA-1", QStringLiteral("KalanB||'|'||GirenTutar||'|'||Kar")), QStringLiteral("3.0|37.5|6.75"));
}

TEST_P(AddedEntryTest, LineWithoutAStockCardKeepsItsVatRate)
{
    scan(QStringLiteral("1004"));
    typeIntoEntryBox(QStringLiteral("2\r"));
    EXPECT_EQ(lineFields("SA-2", QStringLiteral("KalanB||'|'||GirenTutar||'|'||Kdv")), QStringLiteral("3.0|12.0|8.0"));
    EXPECT_DOUBLE_EQ(lineNumber(QStringLiteral("SA-2"), QStringLiteral("Kar")), 0.96);
}

INSTANTIATE_TEST_SUITE_P(Modes, AddedEntryTest, ::testing::Values(0, 2, -1),
                         [](const ::testing::TestParamInfo<int> &mode) {
                             return mode.param == 0 ? "Sale" : mode.param == 2 ? "Purchase" : "Idle";
                         });

TEST_F(QuantityEntryTest, DeleteButtonZeroesTheQuantityAndKeepsTheLine)
{
    scan(QStringLiteral("1005"));
    tap(form->Command3);
    EXPECT_EQ(lineFields("SY-5", QStringLiteral("KalanB||'|'||KalanA")), QStringLiteral("0.0|0.0"));
    EXPECT_EQ(QApplication::focusWidget(), form->Text1);
    EXPECT_TRUE(form->Text1->text().isEmpty());
}

// The working list stops taking writes under a running program (its file
// made immutable, as a full or failing disk would): every entry that is lost
// is said, naming the file, and nothing is half written.
struct LostEntry
{
    const char *name;
    bool counting;
    bool price;
    const char *barcode;
    const char *keys;
    const char *headline;
    const char *stokKod;
    const char *fieldsAfter;
};

class LostEntryTest : public QuantityEntryTest, public ::testing::WithParamInterface<LostEntry>
{
};

TEST_P(LostEntryTest, IsSaidAndChangesNothing)
{
    const LostEntry &c = GetParam();
    if (c.counting)
        tickMode(1);
    const QString fields = QStringLiteral("KalanB||'|'||KalanA||'|'||Fiyat");
    const QString before = lineFields(c.stokKod, fields);
    const WritableAgain later(tempPath());
    if (!setImmutable(tempPath(), true))
        GTEST_SKIP() << "this machine cannot stop writes to an open file";

    scan(QString::fromLatin1(c.barcode));
    if (c.price)
        entry().setEntryMode(QuantityEntry::EntryMode::Price);
    typeIntoEntryBox(QString::fromLatin1(c.keys));
    makeWritable(tempPath());

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QString::fromUtf8(c.headline) + u'\n')) << dialogs.messages[0].toStdString();
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("yazılamıyor")));
    EXPECT_TRUE(dialogs.messages[0].endsWith(tempPath())) << dialogs.messages[0].toStdString();
    EXPECT_EQ(lineFields(c.stokKod, fields), c.fieldsAfter ? QString::fromLatin1(c.fieldsAfter) : before);
}

INSTANTIATE_TEST_SUITE_P(Entries, LostEntryTest,
    ::testing::Values(LostEntry{"Quantity", false, false, "1001", "3\r", "Miktar kaydedilemedi.", "SA-1", nullptr},
        LostEntry{"Price", false, true, "1001", "7\r", "Fiyat kaydedilemedi.", "SA-1", nullptr},
        LostEntry{"Count", true, false, "1005", "2\r", "Miktar kaydedilemedi.", "SY-5", nullptr},
        LostEntry{"NewLine", false, false, "1009", "", "Satır eklenemedi.", "YN-1", ""}),
    [](const ::testing::TestParamInfo<LostEntry> &c) { return std::string(c.param.name); });

} // namespace
