#include "platform/DataControl.h"

#include "platform/Database.h"
#include "platform/DbError.h"

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
        m_recordset->open(Database::attachFile(m_mapper, m_databaseName), m_recordSource);
    } catch (const DbError &) {
        m_recordset->close();
        throw;
    }
}

void DataControl::close()
{
    m_recordset->close();
}

} // namespace pusla
