#include "base/PathMapper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifndef Q_OS_WIN
#include <dirent.h>
#endif

namespace pusla {

namespace {

// `*` any run of characters, `?` exactly one; letters without regard to case.
bool matchesWildcard(QStringView name, QStringView pattern)
{
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starAt = -1; // pattern position after the last `*`
    qsizetype starName = 0; // name position that `*` has swallowed up to
    while (n < name.size()) {
        if (p < pattern.size() && pattern.at(p) == u'*') {
            starAt = ++p;
            starName = n;
        } else if (p < pattern.size()
            && (pattern.at(p) == u'?' || name.mid(n, 1).compare(pattern.mid(p, 1), Qt::CaseInsensitive) == 0)) {
            ++n;
            ++p;
        } else if (starAt >= 0) {
            p = starAt;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == u'*')
        ++p;
    return p == pattern.size();
}

#ifndef Q_OS_WIN

QString joined(const QString &folder, const QString &name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

// The entry of a folder named like `name` without regard to case; of several,
// the first in name order. Only names are compared, so the folder is read
// without a look at each entry.
QString entryLike(const QString &folder, const QString &name)
{
    QString found;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return found;
    while (const dirent *entry = ::readdir(dir)) {
        const QString entryName = QFile::decodeName(entry->d_name);
        if (entryName.compare(name, Qt::CaseInsensitive) == 0 && (found.isEmpty() || entryName < found))
            found = entryName;
    }
    ::closedir(dir);
    return found;
}

// Walks below root: an existing entry is taken whatever its case; from the
// first missing one on, the rest stays as written (a new file keeps its case).
QString resolveBelow(const QString &root, const QStringList &segments)
{
    QString current = root;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString &segment = segments.at(i);
        const QString exact = joined(current, segment);
        if (QFileInfo::exists(exact)) {
            current = exact;
            continue;
        }
        const QString match = entryLike(current, segment);
        if (match.isEmpty()) {
            for (qsizetype j = i; j < segments.size(); ++j)
                current = joined(current, segments.at(j));
            return current;
        }
        current = joined(current, match);
    }
    return current;
}

#endif

} // namespace

PathMapper::PathMapper(Paths paths)
    : m_paths(std::move(paths))
{ }

std::optional<QString> PathMapper::toLocal(const QString &windowsText) const
{
#ifdef Q_OS_WIN
    return windowsText;
#else
    QString root;
    QString rest;
    const bool share = windowsText.startsWith(QStringLiteral("\\\\"));
    if (share) {
        root = m_paths.sharesRoot;
        rest = windowsText;
    } else if (windowsText.size() >= 3 && windowsText.at(1) == u':'
        && (windowsText.at(2) == u'\\' || windowsText.at(2) == u'/')) {
        const auto drive = m_paths.driveRoots.constFind(windowsText.at(0).toUpper());
        if (drive == m_paths.driveRoots.cend())
            return std::nullopt;
        root = drive.value();
        rest = windowsText.mid(2);
    } else if (windowsText.startsWith(u'/')) {
        root = QStringLiteral("/");
        rest = windowsText;
    } else {
        return std::nullopt;
    }

    // Either slash separates, a run of them as one.
    QStringList segments;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && rest.at(i) != u'\\' && rest.at(i) != u'/')
            continue;
        const QStringView segment = QStringView(rest).sliced(start, i - start);
        start = i + 1;
        // A text must never reach outside its share, drive or folder.
        if (segment == u"..")
            return std::nullopt;
        if (!segment.isEmpty() && segment != u".")
            segments.append(segment.toString());
    }
    if (share && segments.isEmpty())
        return std::nullopt;
    return resolveBelow(root == u"/" ? root : QDir::cleanPath(root), segments);
#endif
}

bool PathMapper::fileExists(const QString &windowsText) const
{
    const std::optional<QString> local = toLocal(windowsText);
    return local && QFileInfo(*local).isFile();
}

bool PathMapper::dirExists(const QString &windowsText) const
{
    const std::optional<QString> local = toLocal(windowsText);
    return local && QFileInfo(*local).isDir();
}

QStringList PathMapper::listFiles(const QString &windowsFolder, const QString &pattern) const
{
    const std::optional<QString> local = toLocal(windowsFolder);
    if (!local)
        return {};
    QStringList names = QDir(*local).entryList(QDir::Files);
    names.removeIf([&pattern](const QString &name) { return !matchesWildcard(name, pattern); });
    // Sorted as the operator sees file lists: without regard to case.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

} // namespace pusla
