#pragma once

#include "base/PathMapper.h"
#include "base/TextFold.h"
#include "store/DataControl.h"
#include "store/DbError.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace pusla::test {

/// The stock card layout the system reads, with the indexes the schema puts
/// on the folded lookup fields (named StokKartlarBarkodFold and so on).
inline QStringList stockCardDdl(const QString &table = QStringLiteral("StokKartlar"));

/// Runs statements on a file through a private connection of the test (never
/// the layer's own), creating the file when it is missing.
inline void runOnFile(const QString &path, const QStringList &statements)
{
    static std::atomic<int> counter {0};
    const QString name = QStringLiteral("test-setup-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery query(db);
        for (const QString &statement : statements)
            ASSERT_TRUE(query.exec(statement))
                << statement.toStdString() << ": " << query.lastError().text().toStdString();
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

/// One value read with the stock sqlite3 tool, which knows nothing of the
/// program: what it reads is what is on disk.
inline QString cliValue(const QString &path, const QString &sql)
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/sqlite3"), {path, sql});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

inline QString integrityCheck(const QString &path)
{
    return cliValue(path, QStringLiteral("PRAGMA integrity_check"));
}

inline QStringList stockCardDdl(const QString &table)
{
    QStringList ddl {
        QStringLiteral("CREATE TABLE %1 (StokKod TEXT, StokAdi TEXT, Barkod TEXT, Barkod2 TEXT, Barkod3 TEXT, "
                       "Birim TEXT, Kdv REAL, Fiyat REAL, gFiyat REAL, Fiyat2 REAL, GirenMik REAL, GirenTutar REAL, "
                       "CikanMik REAL, CikanTutar REAL, KalanB REAL DEFAULT 0, KalanA REAL DEFAULT 0, Kar REAL, "
                       "StokGizle BOOLEAN DEFAULT 0, Sube TEXT)")
            .arg(table),
    };
    for (const char *field : {"Barkod", "Barkod2", "Barkod3", "StokKod", "StokAdi"}) {
        const QString name = QString::fromLatin1(field);
        ddl.append(QStringLiteral("CREATE INDEX %1%2Fold ON %1(%3)").arg(table, name, foldSqlExpression(name)));
    }
    return ddl;
}

/// A data control bound to a file and a record source and refreshed, as the
/// forms bind theirs.
inline std::unique_ptr<DataControl> boundControl(const PathMapper &mapper, const QString &file, const QString &source)
{
    auto control = std::make_unique<DataControl>(mapper);
    control->setDatabaseName(file);
    control->setRecordSource(source);
    control->refresh();
    return control;
}

/// Adds a record with these fields, as a form adds one.
inline void addRecord(Recordset &rs, std::initializer_list<std::pair<const char *, QVariant>> fields)
{
    rs.addNew();
    for (const auto &[name, value] : fields)
        rs.setField(QString::fromLatin1(name), value);
    rs.update();
}

/// The number of the database error a call raises; 0 when it raises none.
template <typename Call>
int dbErrorOf(Call &&call)
{
    try {
        call();
    } catch (const DbError &e) {
        return e.number();
    }
    return 0;
}

/// A machine with a program folder and the centre's data folder, for tests
/// that open database files by their Windows names.
class DbFixture : public ::testing::Test
{
protected:
    DbFixture()
        : m_mapper(m_tree.paths())
    {
        QDir().mkpath(m_tree.dataFolder());
    }

    /// Local path of a file in the program folder.
    QString programFile(const QString &name) const { return m_tree.paths().programFolder + u'/' + name; }
    /// Windows text of a file in the program folder.
    QString programText(const QString &name) const { return m_tree.paths().programFolder + u'\\' + name; }
    QString dataFile(const QString &name) const { return m_tree.dataFolder() + u'/' + name; }
    QString dataText(const QString &name) const { return QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\") + name; }

    // Whatever a test wrote must stay readable by the stock sqlite3 tool.
    void TearDown() override
    {
        for (const QString &folder : {m_tree.paths().programFolder, m_tree.dataFolder()}) {
            const QStringList files = QDir(folder).entryList({QStringLiteral("*.mdb")}, QDir::Files);
            for (const QString &name : files)
                EXPECT_EQ(integrityCheck(folder + u'/' + name), QStringLiteral("ok")) << name.toStdString();
        }
    }

    TempTree m_tree;
    PathMapper m_mapper;
};

/// Runs one test of this executable in a child process: the test reads its
/// task from PUSLA_TEST_CHILD and skips when run on its own.
inline QProcess *startChild(const QString &testName, const QString &task, QObject *parent = nullptr)
{
    auto *process = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PUSLA_TEST_CHILD"), task);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->start(QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_filter=") + testName, QStringLiteral("--gtest_also_run_disabled_tests")});
    return process;
}

inline QString childTask()
{
    return qEnvironmentVariable("PUSLA_TEST_CHILD");
}

} // namespace pusla::test
