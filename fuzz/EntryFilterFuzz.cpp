// Keystrokes into the quantity box, one byte each (8 is Backspace), through
// the box's filter and formatting as the form applies them after each key.
// The first byte picks the regional settings.
//
// The box never shows a text that is no number, nor one longer than it
// keeps, and what it shows is settled: formatting it again changes nothing.
#include "FuzzSupport.h"

#include "base/RegionalFormat.h"
#include "capture/EntryFilter.h"

using namespace pusla;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 512)
        return 0;
    static const RegionalFormat formats[] = {RegionalFormat(QLocale(QLocale::Turkish, QLocale::Turkey)),
        RegionalFormat(QLocale(QLocale::English, QLocale::UnitedStates))};
    const RegionalFormat &format = formats[data[0] % std::size(formats)];
    const EntryFilter filter(format);

    // The keys so far, for the report of a fault.
    const auto keys = [data](size_t last) {
        QString typed;
        for (size_t i = 1; i <= last; ++i)
            typed += QString::number(data[i]) + u' ';
        return typed;
    };
    QString shown = QStringLiteral("0");
    for (size_t i = 1; i < size; ++i) {
        const int key = filter.filterKey(shown, data[i]);
        if (key == EntryFilter::kBackspace)
            shown.chop(1);
        else if (key != 0)
            shown += QChar(char16_t(key));
        else
            continue;
        shown = filter.normalised(shown);
        if (!format.isNumeric(shown) || shown.size() > EntryFilter::kMaxLength)
            fuzz::fault("the box shows a text it should not", keys(i) + u"-> " + shown);
        if (filter.normalised(shown) != shown)
            fuzz::fault("the box's text is not settled", keys(i) + u"-> " + shown);
    }
    // Any text pasted whole, as the Change event sees it.
    filter.normalised(fuzz::text(data + 1, size - 1));
    return 0;
}
