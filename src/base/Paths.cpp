#include "base/Paths.h"

#include <QDir>
#include <QStandardPaths>

namespace pusla {

namespace {

// An empty variable counts as unset, as the XDG rules have it.
QString valueOr(const QProcessEnvironment &env, const QString &name, const QString &fallback)
{
    const QString value = env.value(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

Paths Paths::fromEnvironment(const QProcessEnvironment &env)
{
    const QString home = valueOr(env, QStringLiteral("HOME"), QDir::homePath());
    const QString dataHome = valueOr(env, QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    const QString configHome = valueOr(env, QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));

    Paths paths;
    paths.programFolder = valueOr(env, QStringLiteral("PUSLA_HOME"), dataHome + QStringLiteral("/pusla"));
    paths.sharesRoot = valueOr(env, QStringLiteral("PUSLA_SHARES"), dataHome + QStringLiteral("/pusla/shares"));
    paths.configFolder = configHome + QStringLiteral("/pusla");
    paths.desktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    paths.driveRoots.insert(u'C', home);

    const QString drivePrefix = QStringLiteral("PUSLA_DRIVE_");
    for (const QString &name : env.keys()) {
        if (name.size() != drivePrefix.size() + 1 || !name.startsWith(drivePrefix))
            continue;
        const QChar letter = name.back().toUpper();
        const QString root = env.value(name);
        if (letter >= u'A' && letter <= u'Z' && !root.isEmpty())
            paths.driveRoots.insert(letter, root);
    }
    return paths;
}

Paths Paths::underRoot(const QString &root)
{
    Paths paths;
    paths.programFolder = root + QStringLiteral("/home");
    paths.sharesRoot = root + QStringLiteral("/shares");
    paths.driveRoots.insert(u'C', root + QStringLiteral("/c"));
    paths.configFolder = root + QStringLiteral("/config/pusla");
    paths.desktopFolder = root + QStringLiteral("/desktop");
    return paths;
}

} // namespace pusla
