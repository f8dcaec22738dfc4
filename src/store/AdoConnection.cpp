#include "store/AdoConnection.h"

#include "store/DbError.h"

namespace pusla {
namespace {

const QString kProvider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");

QString unquoted(const QString &value)
{
    const QString trimmed = value.trimmed();
    if (trimmed.size() >= 2 && (trimmed.front() == u'"' || trimmed.front() == u'\'')
        && trimmed.back() == trimmed.front())
        return trimmed.mid(1, trimmed.size() - 2);
    return trimmed;
}

} // namespace

AdoConnection::AdoConnection(const PathMapper &mapper)
    : m_mapper(mapper)
{ }

void AdoConnection::open(const QString &connectionString, const QString &user, const QString &password)
{
    Q_UNUSED(user);
    Q_UNUSED(password); // the files carry no user accounts
    QString provider;
    QString dataSource;
    for (const QString &part : connectionString.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = part.indexOf(u'=');
        const QString key = part.left(equals).trimmed();
        if (equals < 0) {
            if (key.isEmpty())
                continue;
            throw DbError(DbError::InvalidArgument, QStringLiteral("Malformed connection text near '%1'.").arg(part));
        }
        const QString value = unquoted(part.mid(equals + 1));
        if (key.compare(u"Provider", Qt::CaseInsensitive) == 0)
            provider = value;
        else if (key.compare(u"Data Source", Qt::CaseInsensitive) == 0)
            dataSource = value;
    }
    if (provider.compare(kProvider, Qt::CaseInsensitive) != 0)
        throw DbError(DbError::ProviderNotFound, QStringLiteral("Provider cannot be found: '%1'.").arg(provider));
    if (dataSource.isEmpty())
        throw DbError(DbError::InvalidArgument, QStringLiteral("The connection text names no Data Source."));
    m_database = Database::open(m_mapper, dataSource);
    m_dataSource = dataSource;
}

void AdoConnection::close()
{
    m_database.close();
    m_dataSource.clear();
}

AdoRecordset::AdoRecordset() = default;
AdoRecordset::~AdoRecordset() = default;

void AdoRecordset::open(const QString &query, AdoConnection &connection, int cursorType, int lockType)
{
    if (cursorType < ForwardOnly || cursorType > Static || lockType < ReadOnly || lockType > BatchOptimistic)
        throw DbError(DbError::InvalidArgument,
            QStringLiteral("Cursor type %1 / lock type %2 not supported.").arg(cursorType).arg(lockType));
    if (!connection.isOpen())
        throw DbError(DbError::ObjectClosed, QStringLiteral("The connection is closed."));
    m_recordset = connection.database().openRecordset(query);
}

void AdoRecordset::close()
{
    m_recordset.reset();
}

bool AdoRecordset::isOpen() const
{
    return m_recordset != nullptr;
}

int AdoRecordset::fieldCount() const
{
    return m_recordset ? m_recordset->fieldCount() : 0;
}

QString AdoRecordset::fieldName(int index) const
{
    const QStringList names = m_recordset ? m_recordset->fieldNames() : QStringList();
    if (index < 0 || index >= names.size())
        throw DbError(DbError::ItemNotFound, QStringLiteral("Item not found in this collection: field %1.").arg(index));
    return names.at(index);
}

QVariant AdoRecordset::value(int index) const
{
    requireOpen();
    return m_recordset->field(index);
}

QVariant AdoRecordset::value(const QString &name) const
{
    requireOpen();
    return m_recordset->field(name);
}

void AdoRecordset::moveFirst()
{
    requireOpen();
    m_recordset->moveFirst();
}

void AdoRecordset::moveLast()
{
    requireOpen();
    m_recordset->moveLast();
}

void AdoRecordset::moveNext()
{
    requireOpen();
    m_recordset->moveNext();
}

bool AdoRecordset::eof() const
{
    requireOpen();
    return m_recordset->eof();
}

bool AdoRecordset::bof() const
{
    requireOpen();
    return m_recordset->bof();
}

int AdoRecordset::recordCount() const
{
    requireOpen();
    return m_recordset->recordCount();
}

void AdoRecordset::requireOpen() const
{
    if (!m_recordset)
        throw DbError(DbError::ObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
}

} // namespace pusla
