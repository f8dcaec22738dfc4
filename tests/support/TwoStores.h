#pragma once

#include "base/PathMapper.h"
#include "data/SchemaDdl.h"
#include "data/ServerSchema.h"
#include "store/ServerRoute.h"
#include "support/PgServer.h"
#include "support/TempTree.h"

#include <QDir>
#include <gtest/gtest.h>

#include <memory>

namespace pusla::test {

enum class StoreKind { Sqlite, Postgres };

inline std::string storeName(const ::testing::TestParamInfo<StoreKind> &info)
{
    return info.param == StoreKind::Sqlite ? "Sqlite" : "Postgres";
}

/// Company "01" of a set behind `\\127.0.0.1\MuhasebeData\01\`, its books as
/// files there or as the tables of schema "01" on a scratch database of the
/// test server, as the parameter says. The same Windows paths open either:
/// the tests of the record sets run unchanged on both stores.
class TwoStoreFixture : public ::testing::TestWithParam<StoreKind>
{
protected:
    void SetUp() override
    {
        QDir().mkpath(companyFolder());
        if (GetParam() == StoreKind::Sqlite) {
            for (const auto &[kind, file] : serverschema::kCompanyFiles)
                ASSERT_TRUE(createDatabaseFile(companyFolder() + u'/' + QString(file), kind));
            return;
        }
        PUSLA_REQUIRE_PG(server);
        m_scratch = std::make_unique<ScratchDatabase>(server);
        PgConnection db(m_scratch->conninfo());
        serverschema::createCompany(db, QStringLiteral("01"));
        routeThisThread();
    }
    void TearDown() override { setServerRoute({}); }

    /// Sends this thread's opens of the company's books to the server (a
    /// thread of the test that opens them calls it first).
    void routeThisThread() const
    {
        if (!m_scratch)
            return;
        setServerRoute([folder = companyFolder(), conninfo = m_scratch->conninfo()](const QString &local) {
            const QFileInfo info(local);
            if (info.absolutePath() != folder || !info.fileName().endsWith(QStringLiteral(".mdb")))
                return std::optional<ServerFile>();
            return std::optional<ServerFile>(ServerFile {conninfo, QStringLiteral("01"), info.completeBaseName()});
        });
    }

    /// The Windows name of one of the company's files ("Stok.mdb").
    static QString bookText(const QString &file) { return QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01\\") + file; }
    QString companyFolder() const { return m_tree.dataFolder() + QStringLiteral("/01"); }
    QString conninfo() const { return m_scratch ? m_scratch->conninfo() : QString(); }

    TempTree m_tree;
    PathMapper m_mapper {m_tree.paths()};
    std::unique_ptr<ScratchDatabase> m_scratch;
};

} // namespace pusla::test
