#include "base/SettingsStore.h"

#include <QDir>
#include <QSettings>

namespace pusla {
namespace {

QString rootName(quint32 rootKey)
{
    switch (rootKey) {
    case SettingsStore::HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case SettingsStore::HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case SettingsStore::HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case SettingsStore::HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    default:
        return {};
    }
}

// QSettings separates sub keys with '/', the registry with '\'.
QString registryKey(quint32 rootKey, const QString &subKey, const QString &valueName)
{
    const QString root = rootName(rootKey);
    if (root.isEmpty() || valueName.isEmpty() || valueName.contains(QLatin1Char('/'))
        || valueName.contains(QLatin1Char('\\')))
        return {};
    QString path = subKey;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return (QStringList{root} + parts + QStringList{valueName}).join(QLatin1Char('/'));
}

} // namespace

SettingsStore::SettingsStore(QString folder)
    : m_folder(std::move(folder))
{
}

QString SettingsStore::applicationFile(const QString &application) const
{
    return m_folder + QLatin1Char('/') + application + QStringLiteral(".conf");
}

QString SettingsStore::registryFile() const
{
    return m_folder + QStringLiteral("/registry.conf");
}

QString SettingsStore::getSetting(const QString &application, const QString &section, const QString &key,
                                  const QString &defaultValue) const
{
    const QSettings settings(applicationFile(application), QSettings::IniFormat);
    const QVariant value = settings.value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultValue;
    return value.toString();
}

void SettingsStore::saveSetting(const QString &application, const QString &section, const QString &key,
                                const QString &value)
{
    QDir().mkpath(m_folder);
    QSettings settings(applicationFile(application), QSettings::IniFormat);
    settings.setValue(section + QLatin1Char('/') + key, value);
}

QString SettingsStore::regReadString(quint32 rootKey, const QString &subKey, const QString &valueName) const
{
    const QString key = registryKey(rootKey, subKey, valueName);
    if (key.isEmpty())
        return {};
    const QSettings settings(registryFile(), QSettings::IniFormat);
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString)
        return {};
    const QString text = value.toString();
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

void SettingsStore::regWriteString(quint32 rootKey, const QString &subKey, const QString &valueName,
                                   const QString &value)
{
    const QString key = registryKey(rootKey, subKey, valueName);
    if (key.isEmpty())
        return;
    QDir().mkpath(m_folder);
    QSettings settings(registryFile(), QSettings::IniFormat);
    settings.setValue(key, value);
}

} // namespace pusla
