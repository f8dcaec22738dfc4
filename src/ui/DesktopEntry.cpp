#include "ui/DesktopEntry.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QStandardPaths>

namespace pusla {

namespace {

/// A string value: backslash and the control characters that would end the
/// line are written as escapes.
QString escapedValue(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QLatin1StringView("\\\\");
            break;
        case u'\n':
            escaped += QLatin1StringView("\\n");
            break;
        case u'\r':
            escaped += QLatin1StringView("\\r");
            break;
        case u'\t':
            escaped += QLatin1StringView("\\t");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

/// One argument of an Exec line: quoted whole, with '"', '`', '$' and '\'
/// escaped inside the quotes and '%' doubled (it starts a field code).
QString execArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
        if (c == u'%')
            quoted += u'%';
    }
    return quoted + u'"';
}

/// GNOME's desktop runs a launcher only once it is marked trusted; the mark
/// lives in the session's metadata store, reached through `gio`. Elsewhere
/// the executable bit is enough. Started detached: closing never waits on it.
void markTrusted(const QString &file)
{
    if (!QProcessEnvironment::systemEnvironment().contains(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")))
        return;
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (!gio.isEmpty())
        QProcess::startDetached(gio,
            {QStringLiteral("set"), QStringLiteral("-t"), QStringLiteral("string"), file,
                QStringLiteral("metadata::trusted"), QStringLiteral("true")});
}

} // namespace

QString DesktopEntry::text() const
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Comment=%2\n"
                          "Exec=%3\n"
                          "Path=%4\n"
                          "Icon=text-x-generic\n"
                          "Terminal=false\n")
        .arg(escapedValue(name), escapedValue(description),
            escapedValue(QStringLiteral("xdg-open ") + execArgument(target)), escapedValue(workingDirectory));
}

QString DesktopEntry::save(const QString &folder) const
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder %1 cannot be made").arg(folder);
    const QString path = folder + u'/' + name + QStringLiteral(".desktop");
    QSaveFile file(path);
    const QByteArray bytes = text().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    QFile::setPermissions(path,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::ExeOther);
    markTrusted(path);
    return {};
}

} // namespace pusla
