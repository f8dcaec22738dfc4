#include "base/RegionalFormat.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace pusla {

namespace {

// The suite's programs round on the number as printed with 15 significant
// digits, so 2.675 (binary 2.67499999...) rounds up to 2.68 as its user
// expects. All number masks work on this decimal form.
struct Decimal
{
    bool negative = false;
    QString digits; // significant digits without trailing zeros; empty means zero
    int pointPos = 0; // digits before the decimal point; negative or beyond digits.size() pads with zeros

    bool isZero() const { return digits.isEmpty(); }

    QString integerDigits() const
    {
        if (pointPos <= 0)
            return QString();
        return digits.left(pointPos) + QString(std::max<qsizetype>(0, pointPos - digits.size()), u'0');
    }

    QString fractionDigits() const
    {
        if (pointPos < 0)
            return QString(-pointPos, u'0') + digits;
        return digits.mid(pointPos);
    }

    void stripTrailingZeros()
    {
        while (digits.endsWith(u'0'))
            digits.chop(1);
        if (digits.isEmpty()) {
            negative = false;
            pointPos = 0;
        }
    }

    // Halves go away from zero: the digits are exact decimals here.
    void roundToDecimals(int decimals)
    {
        const qsizetype keep = qsizetype(pointPos) + decimals;
        if (keep >= digits.size())
            return;
        if (keep < 0) {
            digits.clear();
            stripTrailingZeros();
            return;
        }
        const bool up = digits.at(keep) >= u'5';
        digits.truncate(keep);
        if (up) {
            qsizetype i = digits.size() - 1;
            while (i >= 0 && digits.at(i) == u'9') {
                digits[i] = u'0';
                --i;
            }
            if (i >= 0) {
                digits[i] = QChar(digits.at(i).unicode() + 1);
            } else {
                digits.prepend(u'1');
                ++pointPos;
            }
        }
        stripTrailingZeros();
    }
};

Decimal toDecimal(double value)
{
    Decimal d;
    if (value == 0 || !std::isfinite(value))
        return d;
    const QString scientific = QString::number(std::fabs(value), 'e', 14); // d.dddddddddddddde+XX
    const qsizetype e = scientific.indexOf(u'e');
    d.negative = value < 0;
    d.digits = scientific.left(e).remove(u'.');
    d.pointPos = scientific.mid(e + 1).toInt() + 1;
    d.stripTrailingZeros();
    return d;
}

QString grouped(const QString &integerDigits, QChar groupSeparator)
{
    QString out;
    const qsizetype n = integerDigits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += groupSeparator;
        out += integerDigits.at(i);
    }
    return out;
}

struct NumberMask
{
    bool grouping;
    int minIntegerDigits;
    int minDecimals;
    int maxDecimals;
    bool keepDecimalSeparator; // "#,##0.###" shows "1.234," for a whole number
};

std::optional<NumberMask> numberMask(const QString &mask)
{
    if (mask == u"#,##0.00" || mask.compare(u"Standard", Qt::CaseInsensitive) == 0)
        return NumberMask {true, 1, 2, 2, false};
    if (mask == u"#,##0.###")
        return NumberMask {true, 1, 0, 3, true};
    if (mask == u"#,##0")
        return NumberMask {true, 1, 0, 0, false};
    if (mask == u"00")
        return NumberMask {false, 2, 0, 0, false};
    return std::nullopt;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The first separator character of a date or time format ("d.MM.yyyy" -> '.').
QChar separatorOf(const QString &format, QChar fallback)
{
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !c.isLetter() && !c.isSpace())
            return c;
    }
    return fallback;
}

// Rewrites each unquoted run of one pattern letter ("yy", "t") of a QLocale format.
QString rewriteRuns(const QString &format, const std::function<QString(QChar, qsizetype)> &rewrite)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            ++i;
            continue;
        }
        if (quoted || !c.isLetter()) {
            out += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        out += rewrite(c, run);
        i += run;
    }
    return out;
}

} // namespace

RegionalFormat::RegionalFormat(QLocale locale)
    : m_locale(std::move(locale))
{ }

QChar RegionalFormat::decimalSeparator() const
{
    const QString sep = m_locale.decimalPoint();
    return sep.isEmpty() ? QChar(u'.') : sep.at(0);
}

QChar RegionalFormat::groupSeparator() const
{
    const QString sep = m_locale.groupSeparator();
    return sep.isEmpty() ? QChar(u',') : sep.at(0);
}

QString RegionalFormat::format(double value, const QString &mask) const
{
    const std::optional<NumberMask> m = numberMask(mask);
    if (!m || !std::isfinite(value))
        return numberToText(value);

    Decimal d = toDecimal(value);
    d.roundToDecimals(m->maxDecimals);

    QString integer = d.integerDigits();
    if (integer.size() < m->minIntegerDigits)
        integer.prepend(QString(m->minIntegerDigits - integer.size(), u'0'));
    QString fraction = d.fractionDigits();
    if (fraction.size() < m->minDecimals)
        fraction.append(QString(m->minDecimals - fraction.size(), u'0'));

    QString out;
    if (d.negative)
        out += u'-';
    out += m->grouping ? grouped(integer, groupSeparator()) : integer;
    if (!fraction.isEmpty() || m->keepDecimalSeparator)
        out += decimalSeparator() + fraction;
    return out;
}

QString RegionalFormat::formatText(const QString &text, const QString &mask) const
{
    const std::optional<double> value = textToNumber(text);
    return value ? format(*value, mask) : text;
}

QString RegionalFormat::formatDate(const QDateTime &moment, const QString &mask) const
{
    if (mask.compare(u"dd/mm/yyyy hh:mm", Qt::CaseInsensitive) != 0)
        return generalDateTime(moment);
    const QChar dateSep = separatorOf(m_locale.dateFormat(QLocale::ShortFormat), u'/');
    const QChar timeSep = separatorOf(m_locale.timeFormat(QLocale::ShortFormat), u':');
    const QDate date = moment.date();
    const QTime time = moment.time();
    const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0')); };
    return two(date.day()) + dateSep + two(date.month()) + dateSep
        + QStringLiteral("%1").arg(date.year(), 4, 10, QChar(u'0')) + u' ' + two(time.hour()) + timeSep
        + two(time.minute());
}

QString RegionalFormat::generalDateTime(const QDateTime &moment) const
{
    const QString dateFormat = rewriteRuns(m_locale.dateFormat(QLocale::ShortFormat),
        [](QChar c, qsizetype run) { return c == u'y' ? QStringLiteral("yyyy") : QString(run, c); });
    const QString timeFormat = rewriteRuns(m_locale.timeFormat(QLocale::LongFormat), [](QChar c, qsizetype run) {
        return c == u't' ? QString() : QString(run, c);
    }).simplified();
    return m_locale.toString(moment, dateFormat + u' ' + timeFormat);
}

QString RegionalFormat::numberToText(double value) const
{
    if (!std::isfinite(value))
        return QString::number(value);
    const Decimal d = toDecimal(value);
    if (d.isZero())
        return QStringLiteral("0");

    QString out;
    if (d.negative)
        out += u'-';
    const int exponent = d.pointPos - 1;
    if (exponent < -4 || exponent >= 15) {
        out += d.digits.at(0);
        if (d.digits.size() > 1)
            out += decimalSeparator() + d.digits.mid(1);
        out += QChar(u'E');
        out += QChar(exponent < 0 ? u'-' : u'+');
        out += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QChar(u'0'));
        return out;
    }
    const QString integer = d.integerDigits();
    out += integer.isEmpty() ? QStringLiteral("0") : integer;
    const QString fraction = d.fractionDigits();
    if (!fraction.isEmpty())
        out += decimalSeparator() + fraction;
    return out;
}

std::optional<double> RegionalFormat::textToNumber(const QString &text) const
{
    const QString t = text.trimmed();
    const QChar decimal = decimalSeparator();
    const QChar group = groupSeparator();
    const qsizetype n = t.size();
    qsizetype i = 0;

    QString plain; // the number in C-locale form for the conversion
    if (i < n && (t.at(i) == u'-' || t.at(i) == u'+'))
        plain += t.at(i++);

    qsizetype integerDigits = 0;
    for (; i < n; ++i) {
        if (isAsciiDigit(t.at(i))) {
            plain += t.at(i);
            ++integerDigits;
        } else if (t.at(i) != group || integerDigits == 0) {
            break;
        }
    }
    if (integerDigits == 0)
        plain += u'0';

    qsizetype fractionDigits = 0;
    if (i < n && t.at(i) == decimal) {
        plain += u'.';
        for (++i; i < n && isAsciiDigit(t.at(i)); ++i, ++fractionDigits)
            plain += t.at(i);
        if (fractionDigits == 0)
            plain.chop(1);
    }
    if (integerDigits + fractionDigits == 0)
        return std::nullopt;

    if (i < n && (t.at(i) == u'E' || t.at(i) == u'e')) {
        plain += u'e';
        ++i;
        if (i < n && (t.at(i) == u'-' || t.at(i) == u'+'))
            plain += t.at(i++);
        qsizetype exponentDigits = 0;
        for (; i < n && isAsciiDigit(t.at(i)); ++i, ++exponentDigits)
            plain += t.at(i);
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;

    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool RegionalFormat::isNonZero(const QString &text) const
{
    const std::optional<double> value = textToNumber(text);
    return value && *value != 0;
}

} // namespace pusla
