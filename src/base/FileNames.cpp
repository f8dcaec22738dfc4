#include "base/FileNames.h"

#include <QRegularExpression>

namespace pusla {

namespace {

// Room for ".desktop" within the 255 bytes of a file-name component.
constexpr qsizetype kMaxNameBytes = 240;

bool refused(QChar c)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    return c.category() == QChar::Other_Control || forbidden.contains(c);
}

bool isReservedDeviceName(const QString &name)
{
    static const QRegularExpression reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"), QRegularExpression::CaseInsensitiveOption);
    return reserved.match(name.trimmed()).hasMatch();
}

} // namespace

QString safeFileName(const QString &title)
{
    QString name;
    name.reserve(title.size());
    for (const QChar c : title)
        name.append(refused(c) ? QChar(u'_') : c);
    if (name.isEmpty())
        return QStringLiteral("_");
    if (name.front() == u'.')
        name.front() = u'_';
    if (isReservedDeviceName(name))
        name.prepend(u'_');

    // Cut by whole characters (a surrogate pair stays whole) where the
    // name's bytes would no longer fit.
    qsizetype bytes = 0;
    qsizetype kept = 0;
    while (kept < name.size()) {
        const qsizetype width = name[kept].isHighSurrogate() && kept + 1 < name.size() ? 2 : 1;
        bytes += QStringView(name).mid(kept, width).toUtf8().size();
        if (bytes > kMaxNameBytes)
            break;
        kept += width;
    }
    name.truncate(kept);
    return name;
}

} // namespace pusla
