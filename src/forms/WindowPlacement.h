#pragma once

#include <QSize>

class QWidget;

namespace pusla {

class RegionalFormat;
class SettingsStore;

/// The main form's placement between runs, in twips, as four texts under
/// the fixed key path.
class WindowPlacement
{
public:
    WindowPlacement(SettingsStore &settings, const RegionalFormat &formats);

    /// Restores the stored placement, or centres the form at its design size
    /// on a first run. A stored value that is not a number never stops the form.
    void restore(QWidget &form, QSize screenSize) const;
    void save(const QWidget &form);

private:
    SettingsStore &m_settings;
    const RegionalFormat &m_formats;
};

} // namespace pusla
