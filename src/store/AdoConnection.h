#pragma once

#include "store/Database.h"
#include "base/PathMapper.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace pusla {

/// An ADO connection as the count copy and the document total open one:
/// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file>;" optionally followed
/// by "Persist Security Info=False". Any other provider is refused.
class AdoConnection
{
public:
    explicit AdoConnection(const PathMapper &mapper);

    /// Throws DbError: ProviderNotFound for another provider, InvalidArgument
    /// for a text without a data source, and the errors of Database::open.
    void open(const QString &connectionString, const QString &user = {}, const QString &password = {});
    void close();
    bool isOpen() const { return m_database.isOpen(); }
    /// The Windows path of the file, as the connection text gives it.
    const QString &dataSource() const { return m_dataSource; }

    Database &database() { return m_database; }

private:
    PathMapper m_mapper;
    QString m_dataSource;
    Database m_database;
};

/// An ADO record set for reading: a thin view of a Recordset with ADO's
/// names (the document totals are summed through one).
class AdoRecordset
{
public:
    enum CursorType { ForwardOnly = 0, Keyset = 1, Dynamic = 2, Static = 3 };
    enum LockType { ReadOnly = 1, Pessimistic = 2, Optimistic = 3, BatchOptimistic = 4 };

    AdoRecordset();
    ~AdoRecordset();

    void open(const QString &query, AdoConnection &connection, int cursorType, int lockType);
    void close();
    bool isOpen() const;

    int fieldCount() const;
    QString fieldName(int index) const;
    QVariant value(int index) const;
    QVariant value(const QString &name) const;
    void moveFirst();
    void moveLast();
    void moveNext();
    bool eof() const;
    bool bof() const;
    int recordCount() const;

private:
    void requireOpen() const;

    std::unique_ptr<Recordset> m_recordset;
};

} // namespace pusla
