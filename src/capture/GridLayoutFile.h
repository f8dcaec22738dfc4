#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace pusla {

/// One line of a grid layout file, "1455,#TRUE#": a column's width in twips
/// and whether the column is shown.
struct LayoutLine
{
    double width;
    bool visible;
};

/// The text of a grid layout file (PuslaCari2.Dat and the like), one line a
/// column, as the suite's other programs write it too.
namespace gridlayoutfile {

/// The most a load reads of a file for a grid of `columns` columns: a line
/// is short and the grid has a handful of columns.
qint64 readLimit(int columns);
/// The lines of what was read; a line break that ends the file starts no
/// line of its own.
QList<QByteArray> lines(const QByteArray &text);
/// A line as a load takes it; none for a line that is not one: too long, a
/// width that is no number, not above 0 or wider than any screen (a decimal
/// comma is not guessed at), or a flag other than #TRUE# and #FALSE#.
std::optional<LayoutLine> parse(const QByteArray &line);
/// A line as a save writes it: the width as a single-precision number
/// prints (1455, 1234.5), then ",#TRUE#" or ",#FALSE#" and CR LF.
QByteArray format(const LayoutLine &line);

} // namespace gridlayoutfile
} // namespace pusla
