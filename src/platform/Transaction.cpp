#include "platform/Transaction.h"

#include "platform/DbError.h"
#include "platform/PathMapper.h"
#include "platform/SharedConnection.h"

namespace pusla {

Transaction::Transaction(const PathMapper &mapper)
    : m_connection(SharedConnection::forThisThread(mapper.paths().programFolder))
{ }

Transaction::~Transaction()
{
    if (!m_active)
        return;
    try {
        rollback();
    } catch (const DbError &) {
        // Closing the connection undoes what was not committed.
    }
}

void Transaction::begin()
{
    if (m_active || m_connection->inTransaction())
        throw DbError(DbError::Generic, QStringLiteral("A transaction or a record edit is already open."));
    m_connection->begin(true);
    m_connection->setUserTransaction(true);
    m_active = true;
}

void Transaction::commit()
{
    if (!m_active)
        throw DbError(DbError::Generic, QStringLiteral("Commit without a transaction."));
    m_active = false;
    m_connection->setUserTransaction(false);
    m_connection->commit();
}

void Transaction::rollback()
{
    if (!m_active)
        throw DbError(DbError::Generic, QStringLiteral("Rollback without a transaction."));
    m_active = false;
    m_connection->setUserTransaction(false);
    m_connection->rollback();
}

} // namespace pusla
