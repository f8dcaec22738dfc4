// The settings files as the program finds them: the per-application INI file
// and the registry file, each read with the keys the program asks for. The
// input's first byte picks the file; the rest is its contents. Then a value
// made of the same bytes is saved and must read back unchanged.
#include "FuzzSupport.h"

#include "base/SettingsStore.h"
#include "data/SettingKeys.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

using namespace pusla;

namespace {

QTemporaryDir *g_folder = nullptr;
qint64 g_writes = 0;

// QSettings keeps a parsed file while its size and time stay the same: each
// input gets a time of its own, so that every input is really read.
void lay(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
        fuzz::fault("the settings file cannot be written", path);
    file.setFileTime(QDateTime::fromMSecsSinceEpoch(1'500'000'000'000 + ++g_writes * 1000, Qt::UTC),
        QFileDevice::FileModificationTime);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    g_folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 8192)
        return 0;
    SettingsStore settings(g_folder->path());
    const QByteArray contents = fuzz::bytes(data + 1, size - 1);
    using namespace settingkeys;
    if (data[0] % 2 == 0) {
        lay(settings.applicationFile(QStringLiteral("pusla")), contents);
        for (const QString &key : {ServerAddress, OperationKind})
            settings.getSetting(QStringLiteral("pusla"), Section, key, DefaultServerAddress);
        for (const QString &key : {StoreKind, StoreConninfo})
            settings.getSetting(QStringLiteral("pusla"), StoreSection, key);
    } else {
        lay(settings.registryFile(), contents);
        for (const QString &name : {Top, Left, Width, Height})
            settings.regReadString(SettingsStore::HKEY_CURRENT_USER, PropertiesKey, name);
    }

    // A typed server address or window position comes back as it was written.
    const QString value = fuzz::text(data + 1, size - 1);
    QFile::remove(settings.applicationFile(QStringLiteral("fresh")));
    settings.saveSetting(QStringLiteral("fresh"), Section, ServerAddress, value);
    const QString read = settings.getSetting(QStringLiteral("fresh"), Section, ServerAddress);
    if (read != value)
        fuzz::fault("a saved setting reads back changed", value + u" -> " + read);
    return 0;
}
