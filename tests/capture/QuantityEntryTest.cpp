#include "capture/CaptureFixture.h"
#include "support/SpoiltFiles.h"
#include "support/Cases.h"

#include <QPalette>

using namespace pusla;
using namespace pusla::test;

namespace {

class QuantityEntryTest : public CaptureFixture
{
protected:
    std::vector<StockRow> workingRows() const override
    {
        return {
            {"SA-1", "Deneme Satış", "1001", {}, {}, 2, 0, 10, 20},
            {"SA-2", "Deneme Kartsız", "1004", {}, {}, 1, 0, 4, 4, 8},
            {"SY-5", "Deneme Sayım Beş", "1005", {}, {}, 5},
            {"SY-2", "Deneme Sayım İki", "1002", {}, {}, 2, 1},
            {"SY-K", "Deneme Kilo", "1003", {}, {}, 0.3},
            {"EAN-2", "Deneme Listede", "8690000000020", {}, {}, 4},
        };
    }

    std::vector<StockRow> stockCards() const override
    {
        return {{"SA-1", "Deneme Satış", "1001", {}, {}, 0, 0, 0, 0, 18}, {"YN-1", "Deneme Yeni", "1009"},
                {"EAN-1", "Deneme Barkodlu", "8690000000013"}};
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

using EntryKeystrokeTest = Cases<QuantityEntryTest, KeysCase>;

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

// Entries as the operator makes them: the barcode scanned before each one,
// then the keys and Enter. Count mode counts the current line down against
// what is expected (at exactly 0 the line leaves, beyond it the rest is
// surplus); sale, purchase and no mode add the quantity with its amount, VAT
// and price copy, and only to the line whose name the scan box shows. When
// the working list stops taking writes under a running program (its file made
// immutable, as a full or failing disk would), every entry that is lost is
// said, naming the file, and nothing is half written.
struct EntryCase
{
    const char *name;
    const char *barcode;
    std::vector<const char *> entries;
    const char *stokKod;
    const char *fields; // nullptr: no line of the list changes
    const char *after; // the fields afterwards; "": the line has left
    bool price = false; // the first entry is a price
    const char *scanBox = nullptr; // typed over the scan box before each entry
    const char *lost = nullptr; // the headline of the message when the file takes no writes
};

using EntryTest = Cases<QuantityEntryTest, std::tuple<EntryCase, int>>;

TEST_P(EntryTest, WritesTheCurrentLine)
{
    const auto &[c, mode] = GetParam();
    if (mode >= 0)
        tickMode(mode);
    const QString code = QString::fromLatin1(c.stokKod);
    const QString sums = QStringLiteral("SELECT total(KalanB)||'|'||total(KalanA)||'|'||total(GirenTutar)||'|'||"
                                        "total(Kar)||'|'||total(Fiyat) FROM StokKartlar");
    const QString sumsBefore = tempValue(sums);
    const int rowsBefore = tempRowCount() + 1 - lineCount(code);
    const WritableAgain later(tempPath());
    if (c.lost && !setImmutable(tempPath(), true))
        GTEST_SKIP() << "this machine cannot stop writes to an open file";

    for (const char *entered : c.entries) {
        scan(QString::fromLatin1(c.barcode));
        if (c.scanBox)
            form->Text1->setText(QString::fromUtf8(c.scanBox));
        if (c.price && entered == c.entries.front()) {
            entry().setEntryMode(QuantityEntry::EntryMode::Price);
            EXPECT_EQ(form->Text2->palette().color(QPalette::Base), QColor(0x00, 0xFF, 0xFF));
        }
        typeIntoEntryBox(QString::fromLatin1(entered) + u'\r');
        expectBackToTheScanBox();
    }
    makeWritable(tempPath());

    if (c.lost) {
        ASSERT_EQ(dialogs.messages.size(), 1);
        const QString &said = dialogs.messages[0];
        EXPECT_TRUE(said.startsWith(QString::fromUtf8(c.lost) + u'\n') && said.contains(QStringLiteral("yazılamıyor"))
                    && said.endsWith(tempPath()))
            << said.toStdString();
    } else {
        EXPECT_TRUE(dialogs.messages.isEmpty());
    }
    if (!c.fields) {
        EXPECT_EQ(tempValue(sums), sumsBefore);
        return;
    }
    const QString after = QString::fromLatin1(c.after);
    EXPECT_EQ(lineFields(code, QString::fromLatin1(c.fields)), after);
    EXPECT_EQ(tempRowCount(), rowsBefore - (after.isEmpty() ? 1 : 0)) << "no other line comes or goes";
}

const EntryCase kCounts[] = {
    {"Part", "1005", {"2"}, "SY-5", "KalanB,KalanA", "3.0|0.0"},
    {"AllInTwo", "1005", {"2", "3"}, "SY-5", "KalanB,KalanA", ""},
    {"All", "1005", {"5"}, "SY-5", "KalanB,KalanA", ""},
    {"OneOver", "1005", {"6"}, "SY-5", "KalanB,KalanA", "0.0|1.0"},
    {"OverWithSurplus", "1002", {"5"}, "SY-2", "KalanB,KalanA", "0.0|4.0"}, // 2 expected, 1 surplus already
    {"Zero", "1005", {"0"}, "SY-5", "KalanB,KalanA", "5.0|0.0"},
    {"Nothing", "1005", {""}, "SY-5", "KalanB,KalanA", "5.0|0.0"},
    // 0,3 kg counted as 0,1 and 0,2 is exactly all of it
    {"KiloAll", "1003", {"0,1", "0,2"}, "SY-K", "KalanB,KalanA", ""},
    {"KiloOver", "1003", {"0,1", "0,25"}, "SY-K", "KalanB,KalanA", "0.0|0.05"},
    {"NewItemScannedAgain", "1009", {"", "4"}, "YN-1", "KalanB,KalanA", "0.0|4.0"},
    {"WhateverTheScanBoxHolds", "1005", {"1"}, "SY-5", "KalanB,KalanA", "4.0|0.0", false, "başka"},
    {"Lost", "1005", {"2"}, "SY-5", nullptr, nullptr, false, nullptr, "Miktar kaydedilemedi."},
};

const EntryCase kAdds[] = {
    {"Quantity", "1001", {"3"}, "SA-1", "KalanB,GirenTutar,Kdv,Kar,Fiyat2", "5.0|50.0|18.0|9.0|10.0"},
    {"NoStockCard", "1004", {"2"}, "SA-2", "KalanB,GirenTutar,Kdv,Kar", "3.0|12.0|8.0|0.96"},
    {"Price", "1001", {"12,5"}, "SA-1", "Fiyat,KalanB,GirenTutar,Kar,Fiyat2", "12.5|2.0|25.0|4.5|12.5", true},
    {"PriceThenQuantity", "1001", {"12,5", "1"}, "SA-1", "KalanB,GirenTutar,Kar", "3.0|37.5|6.75", true},
    {"PartOfTheName", "1001", {"3"}, "SA-1", nullptr, nullptr, false, "Deneme Satı"},
    {"LineJustAdded", "1009", {"3"}, "YN-1", nullptr, nullptr}, // the add leaves the scan box empty
    {"LineAddedThenFound", "1009", {"", "3"}, "YN-1", "KalanB", "3.0"},
    {"LostQuantity", "1001", {"3"}, "SA-1", nullptr, nullptr, false, nullptr, "Miktar kaydedilemedi."},
    {"LostPrice", "1001", {"7"}, "SA-1", nullptr, nullptr, true, nullptr, "Fiyat kaydedilemedi."},
    {"LostLine", "1009", {""}, "YN-1", "KalanB", "", false, nullptr, "Satır eklenemedi."},
};

std::string entryName(const ::testing::TestParamInfo<std::tuple<EntryCase, int>> &info)
{
    const int mode = std::get<1>(info.param);
    return std::string(std::get<0>(info.param).name)
        + (mode == 0 ? "Sale" : mode == 1 ? "Count" : mode == 2 ? "Purchase" : "Idle");
}

INSTANTIATE_TEST_SUITE_P(Counts, EntryTest, ::testing::Combine(::testing::ValuesIn(kCounts), ::testing::Values(1)),
                         entryName);
INSTANTIATE_TEST_SUITE_P(Adds, EntryTest,
                         ::testing::Combine(::testing::ValuesIn(kAdds), ::testing::Values(0, 2, -1)), entryName);

TEST_F(QuantityEntryTest, DeleteButtonZeroesTheQuantityAndKeepsTheLine)
{
    scan(QStringLiteral("1005"));
    tap(form->Command3);
    EXPECT_EQ(lineFields(QStringLiteral("SY-5"), QStringLiteral("KalanB,KalanA")), QStringLiteral("0.0|0.0"));
    EXPECT_EQ(QApplication::focusWidget(), form->Text1);
    EXPECT_TRUE(form->Text1->text().isEmpty());
}

// A keyboard-wedge scanner fires while the focus is in the entry box: the
// keys arrive with the window system's timestamps. A scanner's burst is a
// scan, whatever the box held stays; anything a person could have typed
// presses OK as always. The operator had typed 7 before.
struct BurstCase
{
    const char *name;
    const char *keys;
    int gapMs;
    int enterAfterMs;
    bool scanned;
    int slowGapAt = -1; // this one gap is 40 ms
    bool autoRepeat = false;
    bool untimed = false;
};

using ScannerBurstTest = Cases<QuantityEntryTest, BurstCase>;

TEST_P(ScannerBurstTest, TellsTheScannerFromThePerson)
{
    const BurstCase &c = GetParam();
    typeIntoEntryBox(QStringLiteral("7"));
    qint64 time = 100'000;
    const auto press = [&](int key, const QString &text) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text, c.autoRepeat && key != Qt::Key_Return);
        event.setTimestamp(c.untimed ? 0 : ulong(time));
        QApplication::sendEvent(form->Text2, &event);
    };
    const QString keys = QString::fromLatin1(c.keys);
    for (int i = 0; i < keys.size(); ++i) {
        time += i == c.slowGapAt ? 40 : c.gapMs;
        press(Qt::Key_0 + keys.at(i).digitValue(), keys.mid(i, 1));
    }
    time += c.enterAfterMs;
    press(Qt::Key_Return, QStringLiteral("\r"));

    if (!c.scanned) {
        EXPECT_EQ(lineCount(QStringLiteral("EAN-1")), 0);
        expectBackToTheScanBox();
        return;
    }
    EXPECT_EQ(QApplication::focusWidget(), form->Text2);
    EXPECT_EQ(form->Text2->text(), QStringLiteral("7"));
    if (keys == QStringLiteral("8690000000020")) {
        EXPECT_EQ(form->Text1->text(), QStringLiteral("Deneme Listede"));
        EXPECT_EQ(currentName(), QStringLiteral("Deneme Listede"));
        EXPECT_EQ(lineFields(QStringLiteral("EAN-2"), QStringLiteral("KalanB")), QStringLiteral("4.0"));
    } else if (keys == QStringLiteral("8690000000013")) {
        EXPECT_TRUE(form->Text1->text().isEmpty());
        EXPECT_EQ(lineFields(QStringLiteral("EAN-1"), QStringLiteral("Barkod,KalanB")),
                  QStringLiteral("8690000000013|0.0"));
    } else {
        EXPECT_TRUE(form->Text1->text().isEmpty());
        EXPECT_EQ(lineCount(QStringLiteral("EAN-1")), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bursts, ScannerBurstTest,
    ::testing::Values(BurstCase{"ScannerNewItem", "8690000000013", 4, 4, true},
                      BurstCase{"ScannerListedItem", "8690000000020", 12, 12, true},
                      BurstCase{"ScannerUnknownEan8", "86900013", 25, 25, true},
                      BurstCase{"PersonTypingFast", "8690000000013", 90, 90, false},
                      BurstCase{"TooShortForACode", "8690013", 4, 4, false},
                      BurstCase{"OneGapLongerThanAScannerLeaves", "8690000000013", 4, 4, false, 6},
                      BurstCase{"EnterPressedByHand", "8690000000013", 4, 300, false},
                      BurstCase{"KeyHeldDown", "8888888888888", 20, 20, false, -1, true},
                      BurstCase{"KeysWithoutTimes", "8690000000013", 4, 4, false, -1, false, true}),
    [](const ::testing::TestParamInfo<BurstCase> &burst) { return std::string(burst.param.name); });

} // namespace
