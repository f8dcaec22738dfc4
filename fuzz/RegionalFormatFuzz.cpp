// Regional numbers and dates: a text read as a number, then written back with
// each of the program's masks. Input: one byte for the locale, then the text.
//
// What the program writes it must read again: numberToText() and every
// number mask give a text that textToNumber() takes, with the value the
// mask's rounding leaves.
#include "FuzzSupport.h"

#include "base/RegionalFormat.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

using namespace pusla;

namespace {

const QString kMasks[] = {QStringLiteral("#,##0.00"), QStringLiteral("#,##0.###"), QStringLiteral("#,##0"),
    QStringLiteral("00"), QStringLiteral("General Number"), QStringLiteral("Standard")};
const int kMaskDecimals[] = {2, 3, 0, 0, -1, 2}; // -1: as numberToText writes it

// The value a text written with 15 significant digits (and then rounded to
// `decimals`) can be off by.
bool near(double written, double value, int decimals)
{
    double slack = std::fabs(value) * 1e-14;
    if (decimals >= 0)
        slack += 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9);
    return std::fabs(written - value) <= slack;
}

void writtenBack(const RegionalFormat &formats, double value, const QString &input)
{
    // Within a rounding of the largest double, 15 digits write a number too
    // large to read: no amount in the books comes near it.
    if (std::fabs(value) > 1e308)
        return;
    const QString plain = formats.numberToText(value);
    const std::optional<double> reread = formats.textToNumber(plain);
    if (!reread || !near(*reread, value, -1))
        fuzz::fault("numberToText() gives a text that reads as another number", input + u" -> " + plain);
    for (size_t i = 0; i < std::size(kMasks); ++i) {
        const QString shown = formats.format(value, kMasks[i]);
        const std::optional<double> back = formats.textToNumber(shown);
        if (!back || !near(*back, value, kMaskDecimals[i]))
            fuzz::fault("a mask gives a text that reads as another number", input + u" " + kMasks[i] + u" -> " + shown);
        if (formats.formatText(plain, kMasks[i]) != shown)
            fuzz::fault("formatText() of the number's text differs from format()", input + u" " + kMasks[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    static const RegionalFormat formats[] = {RegionalFormat(QLocale(QLocale::Turkish, QLocale::Turkey)),
        RegionalFormat(QLocale(QLocale::English, QLocale::UnitedStates)),
        RegionalFormat(QLocale(QLocale::German, QLocale::Switzerland)), RegionalFormat(QLocale::c())};
    const RegionalFormat &format = formats[data[0] % std::size(formats)];
    const QString text = fuzz::text(data + 1, size - 1);

    const std::optional<double> value = format.textToNumber(text);
    if (value.has_value() != format.isNumeric(text))
        fuzz::fault("isNumeric() disagrees with textToNumber()", text);
    if (value && !std::isfinite(*value))
        fuzz::fault("textToNumber() gives a number that is not finite", text);
    if (value) {
        writtenBack(format, *value, text);
        if (format.isNonZero(text) != (*value != 0))
            fuzz::fault("isNonZero() disagrees with the value", text);
    } else if (format.formatText(text, kMasks[0]) != text) {
        fuzz::fault("formatText() changed a text that is no number", text);
    }

    // The text as a mask of its own, and the raw bytes as a number and a moment.
    format.format(value.value_or(0), text);
    format.formatText(text, text);
    if (size >= 9) {
        double raw;
        std::memcpy(&raw, data + 1, sizeof raw);
        if (std::isfinite(raw))
            writtenBack(format, raw, QString::number(raw, 'g', 17));
        else
            format.format(raw, kMasks[data[0] % std::size(kMasks)]);
        // Any moment within some hundred thousand years of 1970.
        const qint64 ms = qFromUnaligned<qint64>(data + 1) % (qint64(100000) * 365 * 86400000);
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        format.formatDate(moment, QStringLiteral("dd/mm/yyyy HH:MM"));
        format.formatDate(moment, text);
        format.generalDateTime(moment);
    }
    return 0;
}
