#include "capture/EntryFilter.h"

#include "base/RegionalFormat.h"

#include <algorithm>

namespace pusla {

namespace {

constexpr int kFullStop = 46;
constexpr int kMaxDecimals = 3;
constexpr QStringView kRefused = u"-+/*?\\";

bool allDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool allZeros(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u'0'; });
}

} // namespace

EntryFilter::EntryFilter(const RegionalFormat &formats)
    : m_formats(formats)
{
}

int EntryFilter::filterKey(const QString &current, int keyAscii) const
{
    // The full stop of the numeric keypad stands for the decimal separator.
    if (keyAscii == kFullStop)
        keyAscii = m_formats.decimalSeparator().unicode();
    const QChar typed{char16_t(keyAscii)};
    if (kRefused.contains(typed))
        return 0;
    if (keyAscii == kBackspace || m_formats.isNumeric(current + typed))
        return keyAscii;
    return 0;
}

QString EntryFilter::normalised(const QString &text) const
{
    // Each pass is what one Change event does to the text; the box settles
    // after at most three (too long after grouping -> "0").
    QString shown = text;
    for (int pass = 0; pass < 4; ++pass) {
        const QString next = normaliseOnce(shown);
        if (next == shown)
            break;
        shown = next;
    }
    return shown;
}

QString EntryFilter::normaliseOnce(const QString &text) const
{
    if (text.isEmpty() || text.size() > kMaxLength)
        return QStringLiteral("0");
    if (text.contains(m_formats.decimalSeparator()))
        return keepTypedZeros(text, m_formats.formatText(text, QStringLiteral("#,##0.###")));
    return m_formats.formatText(text, QStringLiteral("#,##0"));
}

// "#,##0.###" drops trailing zeros: 1,0 comes back as "1,", so 1,05 could
// never be typed. Zeros the operator typed after the decimals shown stay, up
// to the mask's three decimals; they never change the value.
QString EntryFilter::keepTypedZeros(const QString &typed, const QString &formatted) const
{
    const QChar separator = m_formats.decimalSeparator();
    const qsizetype typedAt = typed.lastIndexOf(separator);
    const qsizetype shownAt = formatted.lastIndexOf(separator);
    if (typedAt < 0 || shownAt < 0)
        return formatted;
    const QStringView typedDecimals = QStringView(typed).mid(typedAt + 1);
    const QStringView shownDecimals = QStringView(formatted).mid(shownAt + 1);
    if (!allDigits(typedDecimals) || typedDecimals.size() <= shownDecimals.size()
        || !typedDecimals.startsWith(shownDecimals))
        return formatted;
    const QStringView zeros = typedDecimals.mid(shownDecimals.size());
    if (!allZeros(zeros))
        return formatted;
    return formatted + zeros.left(std::max<qsizetype>(0, kMaxDecimals - shownDecimals.size()));
}

} // namespace pusla
