#include "store/DataControl.h"

#include "store/AttachedFile.h"
#include "store/Database.h"
#include "store/DbError.h"



namespace pusla {

DataControl::DataControl(const PathMapper &mapper, QObject *parent)
    : QObject(parent)
    , m_mapper(mapper)
    , m_recordset(new Recordset(this))
{
    connect(m_recordset, &Recordset::rowsReset, this, &DataControl::recordsetReset);
    connect(m_recordset, &Recordset::currentChanged, this, &DataControl::currentChanged);
    connect(m_recordset, &Recordset::rowChanged, this, &DataControl::rowChanged);
    connect(m_recordset, &Recordset::rowInserted, this, &DataControl::rowInserted);
    connect(m_recordset, &Recordset::rowRemoved, this, &DataControl::rowRemoved);
}

DataControl::~DataControl() = default;

void DataControl::refresh()
{
    try {
        if (m_databaseName.isEmpty())
            throw DbError(DbError::InvalidPath, QStringLiteral("The data control has no database file."));
        if (m_recordSource.trimmed().isEmpty())
            throw DbError(DbError::InvalidStatement, QStringLiteral("The data control has no record source."));
        m_recordset->open(attachedFile(), m_recordSource);
    } catch (const DbError &) {
        m_recordset->close();
        m_file.reset();
        throw;
    }
}

std::shared_ptr<AttachedFile> DataControl::attachedFile()
{
    // Re-opening the same file, as record numbering does for every number,
    // needs no new look-up of its name: one check that it is still the file
    // that was opened (not removed, not copied over) is enough.
    if (m_file && m_fileName == m_databaseName && m_file->isCurrent())
        return m_file;
    m_file.reset();
    m_file = Database::attachFile(m_mapper, m_databaseName);
    m_fileName = m_databaseName;
    if (m_fileCheck) {
        Database file = Database::sharing(m_file);
        m_fileCheck(file);
    }
    return m_file;
}

void DataControl::close()
{
    m_recordset->close();
    m_file.reset();
}

} // namespace pusla
