#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace pusla {

class SettingsStore;

/// Which store serves the books: the administrator's choice in pusla.conf,
/// section [Store]: `kind=sqlite` (the default: the set's files behind the
/// server address) or `kind=postgresql` with `conninfo=` a libpq connection
/// string ("host=books.local dbname=pusla user=pusla"). The password comes
/// from ~/.pgpass or PGPASSWORD; a connection string that holds one is
/// refused, so that it never sits in a plain settings file. PUSLA_STORE and
/// PUSLA_STORE_CONNINFO override the file (tests, a one-off run).
struct StoreSettings
{
    enum class Kind { Sqlite, Postgres };

    Kind kind = Kind::Sqlite;
    QString conninfo;
    /// Why the settings cannot be used; empty when they can.
    QString problem;

    static StoreSettings read(const SettingsStore &settings, const QString &application,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
};

} // namespace pusla
