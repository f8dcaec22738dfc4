#pragma once

#include <QString>

namespace pusla {

class RegionalFormat;

/// The rules of the entry box Text2 that do not depend on the form: which
/// keystroke is let in and how the text is shown after each change. Numbers
/// are in the regional format (Turkish: "," decimals, "." groups).
class EntryFilter
{
public:
    /// The longest text the box keeps, group separators included; a longer one resets it to "0".
    static constexpr int kMaxLength = 7;
    static constexpr int kBackspace = 8;

    explicit EntryFilter(const RegionalFormat &formats);

    /// The keystroke filter: a full stop becomes the decimal separator; the
    /// characters "-+/*?\" are refused; anything else is let in when it is
    /// Backspace or when `current` with the character appended still reads
    /// as a number. Returns the character to insert, or 0 to discard it.
    int filterKey(const QString &current, int keyAscii) const;

    /// The text the box shows for `text`: empty or over seven characters
    /// gives "0"; a text with a decimal separator is formatted "#,##0.###",
    /// any other "#,##0"; repeated until the text no longer changes (a
    /// formatted 1.234.567 is itself too long and becomes "0").
    QString normalised(const QString &text) const;

private:
    QString normaliseOnce(const QString &text) const;
    QString keepTypedZeros(const QString &typed, const QString &formatted) const;

    const RegionalFormat &m_formats;
};

} // namespace pusla
