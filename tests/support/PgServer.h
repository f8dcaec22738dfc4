#pragma once

#include "store/pg/PgConnection.h"

#include <QProcessEnvironment>
#include <QString>
#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>

namespace pusla::test {

/// The test cluster's connection string (scripts/test starts one and sets
/// PUSLA_TEST_PG); empty when there is none, which skips the test, or, in
/// CI, fails it: CI never leaves the PostgreSQL half out.
inline QString pgServer()
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString conninfo = env.value(QStringLiteral("PUSLA_TEST_PG"));
    if (conninfo.isEmpty() && env.value(QStringLiteral("CI")) == QLatin1StringView("true"))
        ADD_FAILURE() << "PUSLA_TEST_PG is not set: CI must run the PostgreSQL store's tests";
    return conninfo;
}

/// A database of its own for one test, UTF-8 with the character type C
/// unless told, dropped at the end.
class ScratchDatabase
{
public:
    explicit ScratchDatabase(const QString &server, const QString &locale = QStringLiteral("C"))
        : m_server(server)
    {
        static std::atomic<int> made {0};
        m_name = QStringLiteral("pusla_test_%1_%2").arg(::getpid()).arg(made++);
        PgConnection(server).exec(
            QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LOCALE '%2'").arg(m_name, locale));
    }
    ~ScratchDatabase()
    {
        try {
            PgConnection(m_server).exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
        } catch (...) { }
    }
    ScratchDatabase(const ScratchDatabase &) = delete;
    ScratchDatabase &operator=(const ScratchDatabase &) = delete;

    /// Its connection string: the server's with this database.
    QString conninfo() const { return m_server + QStringLiteral(" dbname=") + m_name; }

private:
    QString m_server;
    QString m_name;
};

} // namespace pusla::test

/// Skips the test (fails it in CI) without a PostgreSQL server; names its
/// connection string `conninfo`.
#define PUSLA_REQUIRE_PG(conninfo)                                                                                     \
    const QString conninfo = ::pusla::test::pgServer();                                                                \
    if (conninfo.isEmpty())                                                                                            \
    GTEST_SKIP() << "no PostgreSQL server for the tests (PUSLA_TEST_PG; scripts/test starts one)"
