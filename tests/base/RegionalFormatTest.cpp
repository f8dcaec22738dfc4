#include "base/RegionalFormat.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pusla {
namespace {

// Every table runs in both locales.
const RegionalFormat kFormats[] = {RegionalFormat(QLocale(QLocale::Turkish, QLocale::Turkey)),
    RegionalFormat(QLocale(QLocale::English, QLocale::UnitedStates))};

// Every table below is written as a Turkish operator sees it; under a "."
// locale the two separators trade places.
QString inLocale(const char *turkish, const QLocale &locale)
{
    QString text = QString::fromUtf8(turkish);
    if (locale.decimalPoint() != QStringLiteral(",")) {
        for (QChar &c : text) {
            if (c == u'.')
                c = u',';
            else if (c == u',')
                c = u'.';
        }
    }
    return text;
}

// Format(value, mask)

struct FormatCase
{
    double value;
    const char *mask;
    const char *expected;
};

const FormatCase kFormatCases[] = {
    {1234.5, "#,##0.00", "1.234,50"},
    {1234567.891, "#,##0.00", "1.234.567,89"},
    {0, "#,##0.00", "0,00"},
    {0.5, "#,##0.00", "0,50"},
    {2.675, "#,##0.00", "2,68"}, // binary 2.67499999...: rounding must use the written decimals
    {1.005, "#,##0.00", "1,01"}, // binary 1.00499999...
    {-2.675, "#,##0.00", "-2,68"}, // halves away from zero
    {0.125, "#,##0.00", "0,13"},
    {-0.001, "#,##0.00", "0,00"}, // rounds to zero: no minus sign
    {999.995, "#,##0.00", "1.000,00"},
    {-1234.5, "#,##0.00", "-1.234,50"},
    {1234, "#,##0.###", "1.234,"},
    {1234.5, "#,##0.###", "1.234,5"},
    {0.5, "#,##0.###", "0,5"},
    {1.23456, "#,##0.###", "1,235"},
    {1.2, "#,##0.###", "1,2"},
    {0, "#,##0.###", "0,"},
    {0.0004, "#,##0.###", "0,"},
    {-0.0004, "#,##0.###", "0,"},
    {-1234, "#,##0.###", "-1.234,"},
    {999.9996, "#,##0.###", "1.000,"},
    {0.0005, "#,##0.###", "0,001"},
    {1234, "#,##0", "1.234"},
    {999999, "#,##0", "999.999"},
    {999999.5, "#,##0", "1.000.000"},
    {123456789012.0, "#,##0", "123.456.789.012"},
    {1e20, "#,##0", "100.000.000.000.000.000.000"},
    {2.5, "#,##0", "3"},
    {-2.5, "#,##0", "-3"},
    {0.5, "#,##0", "1"},
    {0.49, "#,##0", "0"},
    {-0.4, "#,##0", "0"},
    {12, "#,##0", "12"},
    {3, "00", "03"},
    {0, "00", "00"},
    {12, "00", "12"},
    {123, "00", "123"},
    {1234, "00", "1234"},
    {1.5, "00", "02"},
    {1234.5, "General Number", "1234,5"},
    {-0.25, "General Number", "-0,25"},
    {1234567, "General Number", "1234567"},
    {1234.5, "Standard", "1.234,50"},
    {1234567, "Standard", "1.234.567,00"},
    {-0.005, "Standard", "-0,01"},
};

TEST(RegionalFormatTest, FormatsWithMask)
{
    for (const RegionalFormat &fmt : kFormats) {
        for (const FormatCase &c : kFormatCases)
            EXPECT_EQ(fmt.format(c.value, QString::fromUtf8(c.mask)), inLocale(c.expected, fmt.locale()))
                << c.value << " with " << c.mask;
    }
}

// Format(text, mask)

struct FormatTextCase
{
    const char *text;
    const char *mask;
    const char *expected;
};

const FormatTextCase kFormatTextCases[] = {
    {"1.234,", "#,##0.###", "1.234,"},
    {"1234,", "#,##0.###", "1.234,"},
    {"1234", "#,##0", "1.234"},
    {"1.2345", "#,##0", "12.345"}, // "." groups, wherever the operator put it
    {"05", "#,##0", "5"},
    {" 12 ", "#,##0", "12"},
    {"1,0", "#,##0.###", "1,"},
    {"1,2345", "#,##0.###", "1,235"},
    {"2,675", "#,##0.00", "2,68"},
    {"-3", "00", "-03"},
    {"abc", "#,##0", "abc"},
    {"", "#,##0", ""},
    {"1,2,3", "#,##0.###", "1,2,3"},
    {"12a", "#,##0.00", "12a"},
    {",", "#,##0.###", ","},
};

TEST(RegionalFormatTest, FormatsNumericTextsAndLeavesOthers)
{
    for (const RegionalFormat &fmt : kFormats) {
        for (const FormatTextCase &c : kFormatTextCases)
            EXPECT_EQ(fmt.formatText(inLocale(c.text, fmt.locale()), QString::fromUtf8(c.mask)),
                inLocale(c.expected, fmt.locale()))
                << c.text << " with " << c.mask;
    }
}

// Text to number

struct TextToNumberCase
{
    const char *text;
    std::optional<double> expected;
};

const TextToNumberCase kTextToNumberCases[] = {
    {"0", 0.0},
    {"5", 5.0},
    {"  12\t", 12.0},
    {"-5", -5.0},
    {"+5", 5.0},
    {"1.234", 1234.0},
    {"1.234,", 1234.0},
    {"1.234,5", 1234.5},
    {"1.234,56", 1234.56},
    {"1.2345", 12345.0},
    {"12.34.5", 12345.0},
    {"1.", 1.0},
    {"5,", 5.0},
    {",5", 0.5},
    {"-,5", -0.5},
    {"0,0", 0.0},
    {"1E5", 1e5},
    {"1,5e-3", 0.0015},
    {"1,5E+2", 150.0},
    {"007", 7.0},
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"-", std::nullopt},
    {"+", std::nullopt},
    {",", std::nullopt},
    {"-,", std::nullopt},
    {"1-", std::nullopt},
    {"--1", std::nullopt},
    {"1,2,3", std::nullopt},
    {"1,5,", std::nullopt},
    {"12a", std::nullopt},
    {"a12", std::nullopt},
    {".5", std::nullopt}, // a group separator may not lead
    {"1 2", std::nullopt},
    {"1E", std::nullopt},
    {"1E+", std::nullopt},
    {"E5", std::nullopt},
    {"1,5E2,5", std::nullopt},
    {"0x10", std::nullopt},
    {"1E400", std::nullopt},
};

TEST(RegionalFormatTest, ReadsRegionalNumbers)
{
    for (const RegionalFormat &fmt : kFormats) {
        for (const TextToNumberCase &c : kTextToNumberCases) {
            const QString text = inLocale(c.text, fmt.locale());
            EXPECT_EQ(fmt.textToNumber(text), c.expected) << text.toStdString();
            EXPECT_EQ(fmt.isNumeric(text), c.expected.has_value()) << text.toStdString();
            EXPECT_EQ(fmt.isNonZero(text), c.expected.has_value() && *c.expected != 0) << text.toStdString();
        }
    }
}

// Number to text

struct NumberToTextCase
{
    double value;
    const char *expected;
};

const NumberToTextCase kNumberToTextCases[] = {
    {0, "0"},
    {-0.0, "0"},
    {100, "100"},
    {1234.5, "1234,5"},
    {-0.25, "-0,25"},
    {1234567, "1234567"},
    {0.1 + 0.2, "0,3"},
    {1.0 / 3, "0,333333333333333"},
    {2.0 / 3, "0,666666666666667"},
    {2.675, "2,675"},
    {999999999999999, "999999999999999"},
    {123456789012345.6, "123456789012346"},
    {1e15, "1E+15"},
    {1234567890123456, "1,23456789012346E+15"},
    {-1.5e20, "-1,5E+20"},
    {1e100, "1E+100"},
    {0.0001, "0,0001"},
    {0.00012, "0,00012"},
    {1.5e-5, "1,5E-05"},
    {1e-5, "1E-05"},
};

TEST(RegionalFormatTest, WritesNumbersWithoutGroupingAndReadsThemBack)
{
    for (const RegionalFormat &fmt : kFormats) {
        for (const NumberToTextCase &c : kNumberToTextCases) {
            const QString text = fmt.numberToText(c.value);
            EXPECT_EQ(text, inLocale(c.expected, fmt.locale())) << c.value;
            const std::optional<double> back = fmt.textToNumber(text);
            ASSERT_TRUE(back.has_value()) << text.toStdString();
            EXPECT_NEAR(*back, c.value, std::fabs(c.value) * 1e-14);
        }
    }
}

// Dates differ per locale beyond a swap, so they are spelled out.

struct DateCase
{
    QLocale::Language language;
    QLocale::Territory territory;
    const char *mask; // nullptr: the general date-time text
    QDateTime moment;
    const char *expected;
};

const QDateTime kAfternoon(QDate(2017, 1, 17), QTime(15, 54, 43));
const QDateTime kMorning(QDate(2017, 1, 5), QTime(9, 5, 7));

TEST(RegionalFormatDateTest, DocumentTimesInTheLocalesOwnSeparators)
{
    const DateCase cases[] = {
        {QLocale::Turkish, QLocale::Turkey, "dd/mm/yyyy HH:MM", kAfternoon, "17.01.2017 15:54"},
        {QLocale::Turkish, QLocale::Turkey, "dd/mm/yyyy hh:mm", kAfternoon, "17.01.2017 15:54"},
        {QLocale::Turkish, QLocale::Turkey, "dd/mm/yyyy HH:MM", kMorning, "05.01.2017 09:05"},
        {QLocale::Turkish, QLocale::Turkey, "dd/mm/yyyy hh:mm", kMorning, "05.01.2017 09:05"},
        {QLocale::Turkish, QLocale::Turkey, nullptr, kAfternoon, "17.01.2017 15:54:43"},
        // Day before month and 24 hours whatever the locale's own order and clock.
        {QLocale::English, QLocale::UnitedStates, "dd/mm/yyyy hh:mm", kAfternoon, "17/01/2017 15:54"},
        {QLocale::English, QLocale::UnitedStates, "dd/mm/yyyy HH:MM", kMorning, "05/01/2017 09:05"},
        {QLocale::English, QLocale::UnitedStates, nullptr, kAfternoon, "1/17/2017 3:54:43 PM"},
        {QLocale::Finnish, QLocale::Finland, "dd/mm/yyyy HH:MM", kAfternoon, "17.01.2017 15.54"},
    };
    for (const DateCase &c : cases) {
        const RegionalFormat fmt(QLocale(c.language, c.territory));
        const QString text = c.mask ? fmt.formatDate(c.moment, QString::fromLatin1(c.mask)) : fmt.generalDateTime(c.moment);
        EXPECT_EQ(text.toStdString(), c.expected) << fmt.locale().name().toStdString() << " " << (c.mask ? c.mask : "");
    }
}

} // namespace
} // namespace pusla
