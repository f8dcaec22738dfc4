#include "forms/WindowPlacement.h"

#include "data/SettingKeys.h"
#include "base/RegionalFormat.h"
#include "base/SettingsStore.h"
#include "forms/Twips.h"

#include <QWidget>

namespace pusla {

WindowPlacement::WindowPlacement(SettingsStore &settings, const RegionalFormat &formats)
    : m_settings(settings)
    , m_formats(formats)
{
}

void WindowPlacement::restore(QWidget &form, QSize screenSize) const
{
    auto read = [this](const QString &name) {
        return m_settings.regReadString(SettingsStore::HKEY_CURRENT_USER, settingkeys::PropertiesKey, name);
    };
    const QString topText = read(settingkeys::Top);
    const std::optional<double> top = m_formats.textToNumber(topText);
    if (topText.isEmpty() || !top) {
        form.move((screenSize.width() - form.width()) / 2, (screenSize.height() - form.height()) / 2);
        return;
    }
    // A missing left reads as 0; a size that is missing, not a number or not
    // positive keeps the design size rather than leave an unusable window.
    const double left = m_formats.textToNumber(read(settingkeys::Left)).value_or(0);
    const double width = m_formats.textToNumber(read(settingkeys::Width)).value_or(0);
    const double height = m_formats.textToNumber(read(settingkeys::Height)).value_or(0);
    form.move(twipsToPixels(left), twipsToPixels(*top));
    form.resize(twipsToPixels(width) > 0 ? twipsToPixels(width) : form.width(),
                twipsToPixels(height) > 0 ? twipsToPixels(height) : form.height());
}

void WindowPlacement::save(const QWidget &form)
{
    auto write = [this](const QString &name, int pixels) {
        const auto twips = static_cast<float>(pixelsToTwips(pixels));
        m_settings.regWriteString(SettingsStore::HKEY_CURRENT_USER, settingkeys::PropertiesKey, name,
                                  m_formats.numberToText(twips));
    };
    write(settingkeys::Top, form.y());
    write(settingkeys::Left, form.x());
    write(settingkeys::Width, form.width());
    write(settingkeys::Height, form.height());
}

} // namespace pusla
