#include "platform/Database.h"

#include "platform/AttachedFile.h"
#include "platform/DbError.h"
#include "platform/PathMapper.h"
#include "platform/SharedConnection.h"

#include <QFileInfo>

namespace pusla {

std::shared_ptr<AttachedFile> Database::attachFile(const PathMapper &mapper, const QString &windowsPath)
{
    const std::optional<QString> local = mapper.toLocal(windowsPath);
    if (!local)
        throw DbError(DbError::InvalidPath, QStringLiteral("'%1' is not a valid path.").arg(windowsPath));
    if (!QFileInfo::exists(*local))
        throw DbError(DbError::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(windowsPath));
    return SharedConnection::forThisThread(mapper.paths().programFolder)->attach(*local);
}

Database Database::open(const PathMapper &mapper, const QString &windowsPath)
{
    return Database(attachFile(mapper, windowsPath));
}

Database::Database(std::shared_ptr<AttachedFile> file)
    : m_file(std::move(file))
{ }

Database::~Database() = default;

QString Database::localPath() const
{
    return m_file ? m_file->localPath() : QString();
}

void Database::requireOpen() const
{
    if (!m_file)
        throw DbError(
            DbError::ObjectClosed, QStringLiteral("Object invalid or no longer set: the database is closed."));
}

int Database::execute(const QString &statement)
{
    requireOpen();
    SharedConnection &db = m_file->connection();
    const QString alias = m_file->alias();
    const SqlText sql = translateStatement(
        statement, alias, [&db, &alias](const QString &table) { return db.tableInfo(alias, table); });
    return db.execute(sql.sql, sql.params);
}

std::unique_ptr<Recordset> Database::openRecordset(const QString &tableOrQuery)
{
    requireOpen();
    auto recordset = std::make_unique<Recordset>();
    recordset->open(m_file, tableOrQuery);
    return recordset;
}

void Database::close()
{
    m_file.reset();
}

} // namespace pusla
