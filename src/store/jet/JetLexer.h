#pragma once

#include <QString>

#include <vector>

namespace pusla {

/// One token of a statement or criterion in the accounting suite's query
/// language.
struct JetToken
{
    enum class Kind { End, Identifier, Number, String, Symbol, Date };

    Kind kind = Kind::End;
    /// Identifier without its brackets, number as written, string value with
    /// its doubled quotes undone, symbol text, or the text between `#` marks.
    QString text;
    qsizetype offset = 0;

    bool isSymbol(QStringView symbol) const { return kind == Kind::Symbol && text == symbol; }
    /// A bare word (not a bracketed name) equal to `word` without regard to case.
    bool isKeyword(QStringView word) const
    {
        return kind == Kind::Identifier && !bracketed && text.compare(word, Qt::CaseInsensitive) == 0;
    }

    bool bracketed = false;
};

/// Splits a text into tokens. Strings are '...' or "..." with the quote doubled
/// inside; names may be written in brackets. The list always ends with an End
/// token. Throws DbError on an unterminated string or name and on a character
/// that belongs to no token.
std::vector<JetToken> tokenizeJet(QStringView text);

} // namespace pusla
