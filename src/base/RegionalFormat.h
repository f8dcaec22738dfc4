#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>

namespace pusla {

/// Number and date texts in the operator's regional format (Turkish: ","
/// decimal separator, "." grouping), with exactly the masks the system uses.
class RegionalFormat
{
public:
    explicit RegionalFormat(QLocale locale = QLocale::system());

    const QLocale &locale() const { return m_locale; }
    QChar decimalSeparator() const;
    QChar groupSeparator() const;

    /// Formats a number with one of the masks "#,##0.00", "#,##0.###", "#,##0",
    /// "00", "General Number" or "Standard". Halves round away from zero on the
    /// value as written with 15 significant digits (2.675 -> "2,68"), and a value
    /// that rounds to zero has no minus sign. "#,##0.###" keeps the decimal
    /// separator when no decimals remain: 1234 -> "1.234,". Any other mask gives
    /// numberToText().
    QString format(double value, const QString &mask) const;

    /// Format() of a text: a numeric text is converted first, anything else
    /// comes back unchanged.
    QString formatText(const QString &text, const QString &mask) const;

    /// Formats a moment with "dd/mm/yyyy HH:MM" or "dd/mm/yyyy hh:mm"
    /// ("/" is the regional date separator, ":" the time separator, 24 hours,
    /// the letters after the hour are minutes). Any other mask gives generalDateTime().
    QString formatDate(const QDateTime &moment, const QString &mask) const;

    /// The general date-time text: the short date with a four-digit year and the
    /// long time without zone, "17.01.2017 15:54:43" in Turkish.
    QString generalDateTime(const QDateTime &moment) const;

    /// The default number-to-text conversion: no grouping, up to 15
    /// significant digits ("1234,5"), exponent form below 1E-04 and from 1E+15
    /// ("1,5E-05", "1E+15").
    QString numberToText(double value) const;

    /// Text-to-number as the regional settings read it: blanks around, a sign,
    /// group separators between digits, a trailing decimal separator ("1.234,")
    /// and an exponent are accepted. nullopt when the text is not a number.
    std::optional<double> textToNumber(const QString &text) const;

    bool isNumeric(const QString &text) const { return textToNumber(text).has_value(); }

    /// The truth value of a text, as a check of "non-zero": a number that is not 0.
    bool isNonZero(const QString &text) const;

private:
    QLocale m_locale;
};

} // namespace pusla
