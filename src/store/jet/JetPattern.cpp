#include "store/jet/JetPattern.h"

#include "base/TextFold.h"

#include <QList>

#include <algorithm>
#include <string_view>

namespace pusla {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

char32_t foldChar(char32_t c)
{
    const QList<uint> folded = foldText(QString::fromUcs4(&c, 1)).toUcs4();
    return folded.isEmpty() ? c : folded.front();
}

/// The characters the fold changes, in code point order, with what each becomes.
const std::vector<std::pair<char32_t, char32_t>> &changedByFold()
{
    static const std::vector<std::pair<char32_t, char32_t>> letters = [] {
        std::vector<std::pair<char32_t, char32_t>> found;
        for (const char32_t c : std::u32string_view(U"abcdefghijklmnopqrstuvwxyzçöüğışİ")) {
            if (foldChar(c) != c)
                found.emplace_back(c, foldChar(c));
        }
        std::sort(found.begin(), found.end());
        return found;
    }();
    return letters;
}

/// A character as a regular expression's escape: nothing in it is special.
QString regexChar(char32_t c)
{
    return QStringLiteral("\\U%1").arg(uint(c), 8, 16, QLatin1Char('0'));
}

QString regexRange(char32_t low, char32_t high)
{
    return low == high ? regexChar(low) : regexChar(low) + u'-' + regexChar(high);
}

} // namespace

JetPattern::JetPattern(QStringView pattern)
{
    const QList<uint> chars = pattern.toUcs4();
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const char32_t c = chars.at(i);
        Element element;
        if (c == U'*') {
            element.kind = Element::Kind::AnyRun;
        } else if (c == U'?') {
            element.kind = Element::Kind::AnyOne;
        } else if (c == U'#') {
            element.kind = Element::Kind::Digit;
        } else if (c == U'[') {
            const qsizetype close = chars.indexOf(U']', i + 1);
            if (close < 0) {
                m_malformed = true;
                m_elements.clear();
                return;
            }
            qsizetype j = i + 1;
            if (j < close && chars.at(j) == U'!') {
                element.negated = true;
                ++j;
            }
            if (j == close && !element.negated) {
                i = close; // "[]" stands for nothing
                continue;
            }
            element.kind = Element::Kind::Set;
            for (; j < close; ++j) {
                const char32_t low = chars.at(j);
                char32_t high = low;
                if (j + 2 < close && chars.at(j + 1) == U'-') {
                    high = chars.at(j + 2);
                    j += 2;
                }
                element.ranges.emplace_back(std::min(low, high), std::max(low, high));
                element.foldedRanges.emplace_back(
                    std::min(foldChar(low), foldChar(high)), std::max(foldChar(low), foldChar(high)));
            }
            i = close;
        } else {
            element.folded = foldChar(c);
        }
        m_elements.push_back(std::move(element));
    }
}

bool JetPattern::inRanges(const std::vector<std::pair<char32_t, char32_t>> &ranges, char32_t c)
{
    for (const auto &[low, high] : ranges) {
        if (c >= low && c <= high)
            return true;
    }
    return false;
}

bool JetPattern::matchesOne(const Element &element, char32_t raw, char32_t folded) const
{
    switch (element.kind) {
    case Element::Kind::Literal:
        return element.folded == folded;
    case Element::Kind::AnyOne:
        return true;
    case Element::Kind::Digit:
        return raw >= U'0' && raw <= U'9';
    case Element::Kind::Set:
        return (inRanges(element.ranges, raw) || inRanges(element.foldedRanges, folded)) != element.negated;
    case Element::Kind::AnyRun:
        break;
    }
    return false;
}

std::optional<QString> JetPattern::postgresRegex() const
{
    if (m_malformed)
        return std::nullopt;
    QString regex = QStringLiteral("^");
    for (const Element &element : m_elements) {
        switch (element.kind) {
        case Element::Kind::AnyRun:
            regex += QStringLiteral(".*");
            break;
        case Element::Kind::AnyOne:
            regex += u'.';
            break;
        case Element::Kind::Digit:
            regex += QStringLiteral("[0-9]");
            break;
        case Element::Kind::Literal: {
            // The folded letter, and every letter that folds to it.
            QString set = regexChar(element.folded);
            for (const auto &[raw, folded] : changedByFold()) {
                if (folded == element.folded)
                    set += regexChar(raw);
            }
            regex += u'[' + set + u']';
            break;
        }
        case Element::Kind::Set: {
            // In a range as written, or folding into a folded range. A letter
            // the fold changes is never its own fold: a folded range holds
            // it only through what it folds to.
            QString set;
            for (const auto &[low, high] : element.ranges)
                set += regexRange(low, high);
            for (const auto &[low, high] : element.foldedRanges) {
                char32_t from = low;
                for (const auto &[raw, folded] : changedByFold()) {
                    if (raw < from || raw > high)
                        continue;
                    if (raw > from)
                        set += regexRange(from, raw - 1);
                    from = raw + 1;
                }
                if (from <= high)
                    set += regexRange(from, high);
            }
            for (const auto &[raw, folded] : changedByFold()) {
                if (inRanges(element.foldedRanges, folded))
                    set += regexChar(raw);
            }
            if (set.isEmpty()) {
                if (!element.negated)
                    return std::nullopt;
                regex += u'.';
                break;
            }
            regex += (element.negated ? QStringLiteral("[^") : QStringLiteral("[")) + set + u']';
            break;
        }
        }
    }
    return regex + u'$';
}

bool JetPattern::matches(QStringView text) const
{
    if (m_malformed)
        return false;
    const QList<uint> raw = text.toUcs4();
    const QList<uint> folded = foldText(text.toString()).toUcs4();
    // Greedy match with one back-tracking point: the last `*` seen.
    size_t p = 0;
    qsizetype t = 0;
    size_t starElement = SIZE_MAX;
    qsizetype starText = 0;
    while (t < raw.size()) {
        if (p < m_elements.size() && m_elements[p].kind == Element::Kind::AnyRun) {
            starElement = ++p;
            starText = t;
        } else if (p < m_elements.size() && matchesOne(m_elements[p], raw.at(t), folded.at(t))) {
            ++p;
            ++t;
        } else if (starElement != SIZE_MAX) {
            p = starElement;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < m_elements.size() && m_elements[p].kind == Element::Kind::AnyRun)
        ++p;
    return p == m_elements.size();
}

std::optional<QString> JetPattern::literalText(size_t count) const
{
    QList<uint> chars;
    for (size_t i = 0; i < count; ++i) {
        const Element &element = m_elements[i];
        if (element.kind != Element::Kind::Literal)
            return std::nullopt;
        chars.append(element.folded);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData()), chars.size());
}

std::optional<QString> JetPattern::exactText() const
{
    if (m_malformed)
        return std::nullopt;
    return literalText(m_elements.size());
}

std::optional<QString> JetPattern::prefix() const
{
    if (m_malformed || m_elements.empty() || m_elements.back().kind != Element::Kind::AnyRun)
        return std::nullopt;
    return literalText(m_elements.size() - 1);
}

QString JetPattern::leadingText() const
{
    size_t count = 0;
    while (count < m_elements.size() && m_elements[count].kind == Element::Kind::Literal)
        ++count;
    return literalText(count).value_or(QString());
}

std::optional<QString> prefixUpperBound(const QString &prefix)
{
    QList<uint> chars = prefix.toUcs4();
    while (!chars.isEmpty()) {
        const char32_t last = chars.takeLast();
        if (last >= kMaxCodePoint)
            continue;
        char32_t next = last + 1;
        if (next >= 0xD800 && next <= 0xDFFF)
            next = 0xE000;
        chars.append(next);
        return QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData()), chars.size());
    }
    return std::nullopt;
}

} // namespace pusla
