#pragma once

#include "data/Schema.h"
#include "platform/Recordset.h"

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

} // namespace pusla
