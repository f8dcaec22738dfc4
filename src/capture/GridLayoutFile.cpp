#include "capture/GridLayoutFile.h"

#include "forms/Twips.h"

#include <cmath>

namespace pusla::gridlayoutfile {
namespace {

// A layout line is "1455,#FALSE#": anything much longer is not one.
constexpr int kMaxLineLength = 64;
// Wider than any screen; a width beyond it is a damaged line. A whole number
// of pixels: a width the grid shows from a line it took, and a save writes
// back, is never beyond it (1,000,000 twips would show as 1,000,005).
constexpr double kMaxWidthTwips = 66'666 * kTwipsPerPixel;

} // namespace

qint64 readLimit(int columns)
{
    return qint64(columns) * (kMaxLineLength + 1);
}

QList<QByteArray> lines(const QByteArray &text)
{
    QList<QByteArray> split = text.split('\n');
    if (split.last().isEmpty())
        split.removeLast();
    return split;
}

std::optional<LayoutLine> parse(const QByteArray &line)
{
    if (line.size() > kMaxLineLength)
        return std::nullopt;
    // A decimal comma makes three fields: such a width is not guessed at.
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() != 2)
        return std::nullopt;
    bool isNumber = false;
    const double width = double(float(fields[0].trimmed().toDouble(&isNumber)));
    if (!isNumber || !std::isfinite(width) || width <= 0 || width > kMaxWidthTwips)
        return std::nullopt;
    const QByteArray flag = fields[1].trimmed().toUpper();
    if (flag != "#TRUE#" && flag != "#FALSE#")
        return std::nullopt;
    return LayoutLine {width, flag == "#TRUE#"};
}

QByteArray format(const LayoutLine &line)
{
    return QByteArray::number(double(float(line.width)), 'g', 7) + (line.visible ? ",#TRUE#\r\n" : ",#FALSE#\r\n");
}

} // namespace pusla::gridlayoutfile
