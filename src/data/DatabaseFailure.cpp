#include "data/DatabaseFailure.h"

#include "store/DbError.h"

#include <QDebug>

namespace pusla {

FailureKind failureKind(int dbErrorNumber)
{
    switch (dbErrorNumber) {
    case DbError::FileNotFound:
    case DbError::InvalidPath:
        return FailureKind::Missing;
    case DbError::UnrecognizedFormat:
    case DbError::Corrupt:
        return FailureKind::Damaged;
    case DbError::Locked:
        return FailureKind::Busy;
    case DbError::DiskFull:
        return FailureKind::DiskFull;
    case DbError::ReadOnly:
    case DbError::CannotOpen:
    case DbError::DiskError:
        return FailureKind::NotWritable;
    case DbError::ConnectionLost:
        return FailureKind::Disconnected;
    default:
        return FailureKind::Other;
    }
}

QString databaseFailureReason(const DbError &error, QStringView failed)
{
    // The engine's own words are for the administrator, not the operator.
    qWarning("%s: error %d%s%s: %s", qUtf8Printable(failed.toString()), error.number(),
        error.file().isEmpty() ? "" : ", file ", qUtf8Printable(error.file()), qUtf8Printable(error.text()));
    // A Windows path as the operator knows it; a file of this machine (the
    // program folder's, "/…/pusla\Temp.Mdb") with this machine's separators.
    QString file = error.file();
    if (file.startsWith(QLatin1Char('/')))
        file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString reason;
    switch (failureKind(error.number())) {
    case FailureKind::Missing:
        reason = QStringLiteral("Veritabanı dosyası bulunamadı");
        break;
    case FailureKind::Damaged:
        reason = QStringLiteral("Veritabanı dosyası bozuk ya da bir veritabanı değil");
        break;
    case FailureKind::Busy:
        reason = QStringLiteral("Veritabanı dosyası başka bir programda kullanımda, bekleme süresi doldu");
        break;
    case FailureKind::DiskFull:
        reason = QStringLiteral("Diskte yer kalmadı, veritabanı dosyasına yazılamadı");
        break;
    case FailureKind::NotWritable:
        reason = QStringLiteral("Veritabanı dosyasına yazılamıyor (salt okunur, erişim izni yok ya da disk hatası)");
        break;
    case FailureKind::Disconnected:
        reason = QStringLiteral("Veritabanı sunucusuyla bağlantı koptu");
        break;
    case FailureKind::Other:
        reason = QStringLiteral("Veritabanı hatası %1").arg(error.number());
        break;
    }
    if (file.isEmpty())
        return reason + QLatin1Char('.');
    return reason + QStringLiteral(": ") + file;
}

} // namespace pusla
