#include "data/StoreSettings.h"

#include "base/SettingsStore.h"
#include "data/SettingKeys.h"

#include <QRegularExpression>

namespace pusla {

StoreSettings StoreSettings::read(
    const SettingsStore &settings, const QString &application, const QProcessEnvironment &env)
{
    const auto value = [&](const QString &variable, const QString &key) {
        const QString fromEnv = env.value(variable);
        return fromEnv.isEmpty() ? settings.getSetting(application, settingkeys::StoreSection, key) : fromEnv;
    };
    StoreSettings store;
    const QString kind = value(QStringLiteral("PUSLA_STORE"), settingkeys::StoreKind).trimmed().toLower();
    store.conninfo = value(QStringLiteral("PUSLA_STORE_CONNINFO"), settingkeys::StoreConninfo).trimmed();
    if (kind.isEmpty() || kind == QLatin1StringView("sqlite"))
        return store;
    if (kind != QLatin1StringView("postgresql")) {
        store.problem = QStringLiteral("[Store] kind=%1 is neither sqlite nor postgresql").arg(kind);
        return store;
    }
    store.kind = Kind::Postgres;
    static const QRegularExpression password(
        QStringLiteral("(^|\\s)password\\s*=|:[^:@/]*@"), QRegularExpression::CaseInsensitiveOption);
    if (store.conninfo.isEmpty())
        store.problem = QStringLiteral("[Store] kind=postgresql needs a conninfo");
    else if (password.match(store.conninfo).hasMatch())
        store.problem = QStringLiteral("[Store] conninfo holds a password: put it in ~/.pgpass instead");
    return store;
}

} // namespace pusla
