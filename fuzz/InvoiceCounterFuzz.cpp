// The shared invoice counter file as another terminal, a restore or a damaged
// disk may leave it. Input: the file's bytes; the counters the books already
// hold are those ending in the input's last digit.
//
// A draw either gives a counter of 1 to 9 digits and leaves the file holding
// exactly that counter, or throws and leaves the file as it was.
#include "FuzzSupport.h"

#include "base/PathMapper.h"
#include "data/InvoiceCounter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace pusla;

namespace {

QTemporaryDir *g_root = nullptr;
PathMapper *g_mapper = nullptr;
const QString kCounterFile = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\FatNo.txt");

QString localFile()
{
    return g_mapper->paths().sharesRoot + QStringLiteral("/127.0.0.1/MuhasebeData/FatNo.txt");
}

QByteArray contents()
{
    QFile file(localFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    // The counter file is synced at every draw: scripts/fuzz points TMPDIR at
    // a folder in memory, which keeps that fast, and removes it afterwards.
    g_root = new QTemporaryDir();
    const Paths paths = Paths::underRoot(g_root->path());
    QDir().mkpath(paths.sharesRoot + QStringLiteral("/127.0.0.1/MuhasebeData"));
    g_mapper = new PathMapper(paths);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QByteArray before = fuzz::bytes(data, size);
    {
        QFile file(localFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(before) != before.size())
            fuzz::fault("the counter file cannot be written");
    }
    const QChar taken = QChar(u'0' + (size > 0 ? data[size - 1] % 10 : 0));
    int asked = 0;
    const InvoiceCounterTaken isTaken = [&](const QString &counter) {
        if (!isCounter(counter))
            fuzz::fault("the books are asked about something that is no counter", counter);
        return ++asked < 1000 && counter.endsWith(taken);
    };
    try {
        const QString counter = drawInvoiceCounter(*g_mapper, kCounterFile, isTaken);
        if (!isCounter(counter))
            fuzz::fault("a draw gives something that is no counter", counter);
        if (contents() != '"' + counter.toLatin1() + "\"\r\n")
            fuzz::fault("the file does not hold the counter drawn", counter);
    } catch (const InvoiceCounterError &) {
        if (contents() != before)
            fuzz::fault("a refused draw changed the file");
    }

    // The same text on its own, as the settings store's copy is read.
    const QString text = fuzz::text(data, size);
    if (const std::optional<QString> next = nextCounter(text); next && !isCounter(*next))
        fuzz::fault("nextCounter() gives something that is no counter", text + u" -> " + *next);
    ShiftChars(text);
    return 0;
}
