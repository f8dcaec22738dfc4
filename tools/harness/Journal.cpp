#include "Journal.h"

#include "FileCalls.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace pusla::harness {

namespace {

QString encodeLines(const QList<JournalLine> &lines)
{
    QStringList parts;
    for (const JournalLine &line : lines)
        parts << QStringLiteral("%1=%2/%3/%4")
                     .arg(line.code)
                     .arg(line.quantity, 0, 'g', 17)
                     .arg(line.amount, 0, 'g', 17)
                     .arg(line.vat, 0, 'g', 17);
    return parts.join(u';');
}

QList<JournalLine> decodeLines(const QString &text)
{
    QList<JournalLine> lines;
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.lastIndexOf(u'=');
        const QStringList numbers = part.mid(eq + 1).split(u'/');
        if (eq <= 0 || numbers.size() != 3)
            continue;
        lines.append({part.left(eq), numbers[0].toDouble(), numbers[1].toDouble(), numbers[2].toDouble()});
    }
    return lines;
}

QString oneField(const QString &text)
{
    return QString(text).replace(u'\n', u' ').replace(u'\t', u' ');
}

} // namespace

Journal::Journal(const QString &programFolder)
    : m_path(pathIn(programFolder))
{ }

QString Journal::pathIn(const QString &programFolder)
{
    return programFolder + QStringLiteral("/harness-journal.txt");
}

const JournalDocument *JournalState::inFlight() const
{
    if (documents.isEmpty() || documents.back().outcome != JournalDocument::Outcome::InFlight)
        return nullptr;
    return &documents.back();
}

void Journal::begin(const JournalDocument &document)
{
    append(QStringLiteral("begin\t%1\t%2\t%3\t%4")
               .arg(document.kind, document.set, oneField(document.account), encodeLines(document.lines)));
}

void Journal::armed()
{
    append(QStringLiteral("armed"));
}

void Journal::key(const QString &key, const QString &keyFile)
{
    append(QStringLiteral("key\t%1\t%2").arg(key, oneField(keyFile)));
}

void Journal::settled(Settlement settlement)
{
    static const char *const names[] = {"reset", "kept", "pending"};
    append(QStringLiteral("settled\t") + QLatin1String(names[static_cast<int>(settlement)]));
}

void Journal::posted()
{
    append(QStringLiteral("posted"));
}

void Journal::failed(const QString &message)
{
    append(QStringLiteral("failed\t") + oneField(message));
}

void Journal::append(const QString &record)
{
    // Plain write and fsync: the record must survive a kill that follows at
    // once. They are the harness's own, out of reach of the faults it deals.
    const QByteArray bytes = (record + u'\n').toUtf8();
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = __real_write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    __real_fsync(fd);
    ::close(fd);
}

qint64 Journal::size(const QString &programFolder)
{
    const QFileInfo info(pathIn(programFolder));
    return info.exists() ? info.size() : 0;
}

JournalState Journal::read(const QString &programFolder, qint64 offset)
{
    JournalState state;
    QFile file(pathIn(programFolder));
    if (!file.open(QIODevice::ReadOnly))
        return state;
    file.seek(offset);
    const QStringList records = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &record : records) {
        const QStringList fields = record.split(u'\t');
        const QString &tag = fields.front();
        JournalDocument *last = state.documents.isEmpty() ? nullptr : &state.documents.back();
        const bool inFlight = last && last->outcome == JournalDocument::Outcome::InFlight;
        if (tag == QLatin1String("begin")) {
            JournalDocument document;
            document.kind = fields.value(1);
            document.set = fields.value(2);
            document.account = fields.value(3);
            document.lines = decodeLines(fields.value(4));
            state.documents << document;
        } else if (tag == QLatin1String("armed") && inFlight) {
            last->armed = true;
        } else if (tag == QLatin1String("key") && inFlight) {
            last->key = fields.value(1);
            last->keyFile = fields.value(2);
        } else if (tag == QLatin1String("settled") && inFlight) {
            last->settled = fields.value(1);
        } else if (tag == QLatin1String("posted") && inFlight) {
            ++state.posted;
            last->outcome = JournalDocument::Outcome::Posted;
        } else if (tag == QLatin1String("failed") && inFlight) {
            ++state.failed;
            state.failures << fields.value(1);
            last->outcome = JournalDocument::Outcome::Failed;
        }
    }
    return state;
}

} // namespace pusla::harness
