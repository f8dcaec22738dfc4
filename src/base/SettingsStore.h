#pragma once

#include <QString>

namespace pusla {

/// The per-user settings: the per-application settings (application, section,
/// key) and the fixed key paths of the registry functions, both kept as INI
/// files in one settings folder:
///   <folder>/<application>.conf   [Section] key=value
///   <folder>/registry.conf        [HKEY_CURRENT_USER] LoginEx\Properties1\TerTop=...
/// Reads never fail visibly; writes are not checked.
class SettingsStore
{
public:
    static constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000;
    static constexpr quint32 HKEY_CURRENT_USER = 0x80000001;
    static constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002;
    static constexpr quint32 HKEY_USERS = 0x80000003;

    explicit SettingsStore(QString folder);

    const QString &folder() const { return m_folder; }

    QString getSetting(const QString &application, const QString &section, const QString &key,
                       const QString &defaultValue = {}) const;
    void saveSetting(const QString &application, const QString &section, const QString &key, const QString &value);

    /// The text of a string value up to its first NUL; empty when the key or
    /// value is missing or the value is not a plain string.
    QString regReadString(quint32 rootKey, const QString &subKey, const QString &valueName) const;
    /// Creates the key when needed and stores the text as a plain string. Failures are ignored.
    void regWriteString(quint32 rootKey, const QString &subKey, const QString &valueName, const QString &value);

    QString applicationFile(const QString &application) const;
    QString registryFile() const;

private:
    QString m_folder;
};

} // namespace pusla
