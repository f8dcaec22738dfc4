#include "posting/PendingPosting.h"

#include "data/DatabaseFailure.h"
#include "data/Schema.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "base/DurableFile.h"
#include "posting/AtomicPosting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace pusla {

using namespace schema;

namespace {

// What a key claimed by a settlement holds in place of the moment its
// document was posted.
constexpr auto kVoid = "void";

} // namespace

PendingPosting::PendingPosting(const PathMapper &mapper, const QString &programFolder)
    : m_mapper(mapper)
    , m_programFolder(programFolder)
{ }

QString PendingPosting::markerPath() const
{
    return QDir(m_programFolder).filePath(QString(files::PendingMarker));
}

QString PendingPosting::begin(const QString &booksFile)
{
    const QString key = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!replaceContents(markerPath(), (key + u'\n' + booksFile + u'\n').toUtf8()))
        throw PostingFailure(QStringLiteral("Terminal klasörüne yazılamıyor: %1").arg(markerPath()));
    return key;
}

void PendingPosting::record(Database &books, const QString &key, const QString &moment)
{
    books.createKeyTableIfMissing(
        QString(PuslaKayit::Table), {QString(PuslaKayit::Anahtar), QString(PuslaKayit::Tarih)});
    books.execute(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES ('%4', '%5')")
                      .arg(PuslaKayit::Table, PuslaKayit::Anahtar, PuslaKayit::Tarih, key, moment));
}

void PendingPosting::withdraw(Database &books, const QString &key)
{
    books.execute(
        QStringLiteral("DELETE FROM %1 WHERE %2 = '%3'").arg(PuslaKayit::Table, PuslaKayit::Anahtar, key));
}

PendingPosting::Outcome PendingPosting::settle(QString *why)
{
    QFile marker(markerPath());
    if (!marker.exists())
        return Outcome::None;
    const QStringList lines
        = marker.open(QIODevice::ReadOnly) ? QString::fromUtf8(marker.readAll()).split(u'\n') : QStringList();
    marker.close();
    // Only a whole marker is ever renamed into place: anything else is no
    // marker of ours and tells nothing.
    if (lines.size() < 2 || QUuid::fromString(lines[0]).isNull() || lines[1].isEmpty()) {
        if (why)
            *why = QStringLiteral("İşaret dosyası okunamıyor: %1").arg(markerPath());
        return Outcome::Unknown;
    }
    try {
        const bool posted = landed(lines[1], lines[0]);
        if (posted)
            resetWorkingList();
        if (!removeMarker(why))
            return Outcome::Unknown;
        return posted ? Outcome::Posted : Outcome::NotPosted;
    } catch (const DbError &error) {
        if (why)
            *why = databaseFailureReason(error.aboutFile(lines[1]));
        return Outcome::Unknown;
    }
}

void PendingPosting::finish(bool posted)
{
    try {
        if (posted)
            resetWorkingList();
    } catch (const DbError &error) {
        // The marker stays: the next settlement finishes the reset.
        qWarning("the document was posted, but its lines were not cleared from the working list: %s",
            qUtf8Printable(error.text()));
        return;
    }
    removeMarker(nullptr);
}

bool PendingPosting::removeMarker(QString *why) const
{
    if (!QFile::remove(markerPath()) && QFileInfo::exists(markerPath())) {
        if (why)
            *why = QStringLiteral("İşaret dosyası silinemiyor: %1").arg(markerPath());
        return false;
    }
    syncFolderOf(markerPath());
    return true;
}

bool PendingPosting::landed(const QString &booksFile, const QString &key) const
{
    // Opening the file rolls back what a crashed terminal left half written;
    // on the server the claim waits for a transaction that holds the key.
    Database books = Database::open(m_mapper, booksFile);
    books.createKeyTableIfMissing(
        QString(PuslaKayit::Table), {QString(PuslaKayit::Anahtar), QString(PuslaKayit::Tarih)});
    try {
        books.execute(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES ('%4', '%5')")
                          .arg(PuslaKayit::Table, PuslaKayit::Anahtar, PuslaKayit::Tarih, key, QLatin1String(kVoid)));
        return false; // claimed: the document never landed and now cannot
    } catch (const DbError &error) {
        if (error.number() != DbError::DuplicateKey)
            throw;
    }
    const auto found = books.openRecordset(QStringLiteral("Select %1 From %2 Where %3='%4'")
                                               .arg(PuslaKayit::Tarih, PuslaKayit::Table, PuslaKayit::Anahtar, key));
    return !found->eof() && found->field(0).toString() != QLatin1String(kVoid);
}

void PendingPosting::resetWorkingList() const
{
    Database working = Database::open(m_mapper, m_programFolder + QLatin1Char('\\') + QString(files::Temp));
    working.execute(QStringLiteral("UPDATE StokKartlar Set KalanB=0"));
    working.execute(QStringLiteral("UPDATE StokKartlar Set GirenTutar=0"));
}

} // namespace pusla
