// The capture grid's layout file (PuslaCari2.Dat and the like) as a load
// reads it: the lines of whatever the file holds, each taken or left.
//
// Every line taken is written back by a save as a line that loads with the
// same flag and width (to seven digits, as a single-precision number
// prints), and the width the grid shows for a shown column (whole pixels)
// exactly: what the program wrote, it reads again.
// (How the form applies the widths, captions and all, its tests cover.)
#include "FuzzSupport.h"

#include "capture/GridLayoutFile.h"
#include "forms/Twips.h"

#include <cmath>

using namespace pusla;

namespace {

// The line a save writes for `line`, loaded again.
std::optional<LayoutLine> reloaded(const LayoutLine &line)
{
    const QList<QByteArray> written = gridlayoutfile::lines(gridlayoutfile::format(line));
    if (written.size() != 1)
        fuzz::fault("a saved line is not one line", QString::fromLatin1(gridlayoutfile::format(line)));
    return gridlayoutfile::parse(written.front());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // What a load of a grid of eight columns reads at the most.
    const QByteArray file = fuzz::bytes(data, std::min<size_t>(size, size_t(gridlayoutfile::readLimit(8))));
    for (const QByteArray &text : gridlayoutfile::lines(file)) {
        const std::optional<LayoutLine> line = gridlayoutfile::parse(text);
        if (!line)
            continue;
        if (!std::isfinite(line->width) || line->width <= 0)
            fuzz::fault("a line taken has a width no column can have", QString::fromLatin1(text.toPercentEncoding()));
        // Seven digits, as the suite writes a width: the same width to a
        // millionth, and to the pixel.
        const std::optional<LayoutLine> again = reloaded(*line);
        if (!again || std::fabs(again->width - line->width) > line->width * 1e-6 || again->visible != line->visible)
            fuzz::fault("a saved line loads as another", QString::fromLatin1(text.toPercentEncoding()));
        // A shown column is as wide as its caption at least (a hidden one
        // keeps the width it had): whole pixels, never none.
        if (!line->visible || twipsToPixels(line->width) < 1)
            continue;
        const LayoutLine shown {pixelsToTwips(twipsToPixels(line->width)), true};
        const std::optional<LayoutLine> shownAgain = reloaded(shown);
        if (!shownAgain || shownAgain->width != shown.width)
            fuzz::fault("the width the grid shows for a line is saved as a line that does not load",
                QString::fromLatin1(text.toPercentEncoding()));
    }
    return 0;
}
