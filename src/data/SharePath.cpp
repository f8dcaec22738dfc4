#include "data/SharePath.h"

#include "data/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace pusla {

namespace {

bool sameFolder(const QString &a, const QString &b)
{
    struct stat first
    {
    };
    struct stat second
    {
    };
    return ::stat(QFile::encodeName(a).constData(), &first) == 0
        && ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev
        && first.st_ino == second.st_ino;
}

} // namespace

QString foreignSharePath(const QString &localFolder)
{
    const QString ours = QFileInfo(localFolder).absoluteFilePath();
    const QString recordPath = QDir(ours).filePath(QString(schema::files::SharePathRecord));
    QFile record(recordPath);
    if (record.open(QIODevice::ReadOnly)) {
        const QString recorded = QString::fromUtf8(record.readAll()).trimmed();
        if (!recorded.isEmpty())
            return sameFolder(recorded, ours) ? QString() : recorded;
    }
    QSaveFile fresh(recordPath);
    if (fresh.open(QIODevice::WriteOnly)) {
        fresh.write(ours.toUtf8() + '\n');
        fresh.commit();
    }
    return {};
}

} // namespace pusla
