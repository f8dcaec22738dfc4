#pragma once

#include "data/Schema.h"
#include "store/Recordset.h"

#include <QVariantList>

namespace pusla {

/// Field access by the schema's names, for the postings' long runs of fields.
inline void setField(Recordset &records, schema::Name field, const QVariant &value)
{
    records.setField(QString(field), value);
}

inline QVariant field(const Recordset &records, schema::Name name)
{
    return records.field(QString(name));
}

/// The current record's values, read once. A record set reads its current
/// row again after every write the program makes, and a posting writes
/// between nearly every two reads of a line.
class RecordSnapshot
{
public:
    explicit RecordSnapshot(const Recordset &records)
        : m_records(records)
    {
        for (int i = 0; i < records.fieldCount(); ++i)
            m_values.append(records.field(i));
    }

    QVariant operator[](schema::Name name) const
    {
        const int index = m_records.fieldIndex(QString(name));
        return index < 0 ? m_records.field(QString(name)) : m_values.at(index);
    }
    /// A number field; one without a value counts as 0.
    double number(schema::Name name) const
    {
        const QVariant value = (*this)[name];
        return value.isNull() ? 0.0 : value.toDouble();
    }

private:
    const Recordset &m_records;
    QVariantList m_values;
};

} // namespace pusla
