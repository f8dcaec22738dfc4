#include "data/CountReport.h"

#include "base/FileNames.h"
#include "base/PathMapper.h"
#include "base/RegionalFormat.h"
#include "data/Schema.h"
#include "store/Recordset.h"

#include <QDir>
#include <QFile>

namespace pusla {

namespace {

constexpr qsizetype kColumnWidth = 10;
const QLatin1StringView kLineEnd("\r\n");

} // namespace

CountReport::CountReport(const PathMapper &paths, const RegionalFormat &formats)
    : m_paths(paths)
    , m_formats(formats)
{ }

QString CountReport::folder() const
{
    return m_paths.toLocal(QString(schema::files::ReportFolder)).value_or(QString());
}

QString CountReport::fileFor(const QString &title) const
{
    const QString name = safeFileName(title) + QStringLiteral(".txt");
    // Through the mapper, so that a report written as "merkez.TXT" is the
    // same file, as it is on the suite's own platform.
    return m_paths.toLocal(QString(schema::files::ReportFolder) + u'\\' + name).value_or(QString());
}

QByteArray CountReport::block(const Recordset &lines, const QDateTime &moment) const
{
    const auto number = [this](const QVariant &value) {
        return (value.isNull() ? QString() : m_formats.numberToText(value.toDouble()))
            .rightJustified(kColumnWidth, u' ');
    };
    const int shortfall = lines.fieldIndex(QString(schema::StokKartlar::KalanB));
    const int surplus = lines.fieldIndex(QString(schema::StokKartlar::KalanA));
    const int name = lines.fieldIndex(QString(schema::StokKartlar::StokAdi));

    QString text = m_formats.generalDateTime(moment) + kLineEnd + u' ' + kLineEnd
        + QStringLiteral("     Eksik     Fazla     Stok Adı") + kLineEnd;
    const int count = lines.recordCount();
    text.reserve(text.size() + qsizetype(count) * 64);
    for (int position = 0; position < count; ++position) {
        text += number(lines.valueAt(position, shortfall));
        text += number(lines.valueAt(position, surplus));
        text += QLatin1StringView("  ");
        text += lines.valueAt(position, name).toString();
        text += kLineEnd;
    }
    text += u' ';
    text += kLineEnd;
    return text.toLocal8Bit();
}

QString CountReport::append(const QString &title, const QByteArray &block) const
{
    const QString reportFolder = folder();
    const QString path = fileFor(title);
    if (reportFolder.isEmpty() || path.isEmpty())
        return QStringLiteral("the report folder %1 is not on this machine").arg(schema::files::ReportFolder);
    if (!QDir().mkpath(reportFolder))
        return QStringLiteral("the folder %1 cannot be made").arg(reportFolder);

    QFile report(path);
    if (!report.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return report.errorString();
    const qint64 before = report.size();
    if (report.write(block) == block.size() && report.flush())
        return {};
    // A full disk or an I/O error part-way: the blocks already there stay,
    // and no block is left without its date line or its end.
    const QString why = report.errorString();
    report.resize(before);
    return why;
}

} // namespace pusla
