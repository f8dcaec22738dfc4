#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace pusla {

/// A LIKE pattern of the suite's engine: `*` any run of characters, `?` one
/// character, `#` one digit, `[list]` and `[!list]` one character from (or not
/// from) a list that may hold ranges such as `a-z`. Every other character,
/// `%` and `_` included, stands for itself. A `[` without its `]` makes the
/// pattern malformed: it matches nothing. Letters match without regard to
/// case, the Turkish way (see TextFold).
class JetPattern
{
public:
    explicit JetPattern(QStringView pattern);

    bool matches(QStringView text) const;
    bool isMalformed() const { return m_malformed; }

    /// The text, folded, when the pattern holds no wildcard.
    std::optional<QString> exactText() const;
    /// The leading text, folded, when the pattern is a text followed by a single `*`.
    std::optional<QString> prefix() const;
    /// The folded text before the first wildcard: every match starts with it.
    QString leadingText() const;

    /// The pattern as a PostgreSQL regular expression that a value as stored
    /// matches exactly when matches() takes it; nullopt for a pattern that
    /// matches nothing.
    std::optional<QString> postgresRegex() const;

private:
    struct Element
    {
        enum class Kind { Literal, AnyRun, AnyOne, Digit, Set };
        Kind kind = Kind::Literal;
        char32_t folded = 0; // Literal: the folded character
        bool negated = false;
        std::vector<std::pair<char32_t, char32_t>> ranges; // Set, as written
        std::vector<std::pair<char32_t, char32_t>> foldedRanges; // Set, folded
    };

    static bool inRanges(const std::vector<std::pair<char32_t, char32_t>> &ranges, char32_t c);
    bool matchesOne(const Element &element, char32_t raw, char32_t folded) const;
    std::optional<QString> literalText(size_t count) const;

    std::vector<Element> m_elements;
    bool m_malformed = false;
};

/// The least text above every text that starts with `prefix`, comparing code
/// points (SQLite's binary order on UTF-8); nullopt when there is none.
std::optional<QString> prefixUpperBound(const QString &prefix);

} // namespace pusla
