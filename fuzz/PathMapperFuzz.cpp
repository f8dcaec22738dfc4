// Windows path texts mapped to local files, file names made from titles, and
// the locations read from the environment. Input: lines of text; the first
// is the path, the second a file pattern, the third a title.
//
// A share or drive path never leads outside its share or drive root, and a
// file name made from a title is one plain name component.
#include "FuzzSupport.h"

#include "base/FileNames.h"
#include "base/PathMapper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace pusla;

namespace {

QTemporaryDir *g_root = nullptr;
PathMapper *g_mapper = nullptr;

bool inside(const QString &local, const QString &root)
{
    const QString clean = QDir::cleanPath(local);
    const QString base = QDir::cleanPath(root);
    return base == u"/" || clean == base || clean.startsWith(base + u'/');
}

void checkPath(const QString &windowsText)
{
    const std::optional<QString> local = g_mapper->toLocal(windowsText);
    if (!local)
        return;
    const Paths &paths = g_mapper->paths();
    QString root = QStringLiteral("/");
    if (windowsText.startsWith(QStringLiteral("\\\\")))
        root = paths.sharesRoot;
    else if (windowsText.size() >= 2 && windowsText.at(1) == u':')
        root = paths.driveRoots.value(windowsText.at(0).toUpper());
    if (!inside(*local, root))
        fuzz::fault("a path leads outside its root", windowsText + u" -> " + *local);
    if (local->split(u'/').contains(QStringLiteral("..")))
        fuzz::fault("a mapped path keeps a .. segment", windowsText + u" -> " + *local);
}

void checkTitle(const QString &title)
{
    const QString name = safeFileName(title);
    if (name.isEmpty() || name.startsWith(u'.') || name.contains(u'/') || name.contains(u'\\')
        || name.contains(QChar(0)) || QFile::encodeName(name).size() > 240)
        fuzz::fault("a title makes no plain file name", title + u" -> " + name);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    g_root = new QTemporaryDir;
    const Paths paths = Paths::underRoot(g_root->path());
    // A share and a drive with files in mixed case, as the suite lays them out.
    const QString data = paths.sharesRoot + QStringLiteral("/127.0.0.1/MuhasebeData");
    for (const QString &dir :
        QStringList {data, paths.driveRoots.value(u'C') + QStringLiteral("/Pusla/Yedek"), paths.programFolder})
        QDir().mkpath(dir);
    for (const QString &file : QStringList {data + QStringLiteral("/01Stok.mdb"), data + QStringLiteral("/01CARI.MDB"),
             data + QStringLiteral("/FatNo.txt"), paths.programFolder + QStringLiteral("/Temp.Mdb")}) {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
    }
    g_mapper = new PathMapper(paths);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QStringList lines = fuzz::text(data, size).split(u'\n');
    // A local folder text is taken below the temporary tree: walking the
    // machine's own folders from / would only measure how big they are.
    QString path = lines.value(0);
    if (path.startsWith(u'/'))
        path.prepend(g_mapper->paths().programFolder);
    const QString pattern = lines.value(1, QStringLiteral("*"));
    checkPath(path);
    // The same text under each root the program builds paths on.
    checkPath(QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\") + path);
    checkPath(QStringLiteral("C:\\") + path);
    checkPath(g_mapper->paths().programFolder + u'\\' + path);
    g_mapper->listFiles(QStringLiteral("\\\\127.0.0.1\\MuhasebeData"), pattern);
    g_mapper->listFiles(path, pattern);
    checkTitle(lines.value(2, path));

    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), lines.value(3));
    env.insert(QStringLiteral("PUSLA_HOME"), lines.value(4));
    env.insert(lines.value(5, QStringLiteral("PUSLA_DRIVE_D")), path);
    const Paths paths = Paths::fromEnvironment(env);
    for (auto drive = paths.driveRoots.cbegin(); drive != paths.driveRoots.cend(); ++drive) {
        if (drive.key() < u'A' || drive.key() > u'Z')
            fuzz::fault("a drive letter outside A to Z", QString(drive.key()));
    }
    return 0;
}
