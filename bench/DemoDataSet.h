#pragma once

#include "base/Paths.h"
#include "demo/DemoData.h"
#include "store/DbError.h"
#include "store/pg/PgConnection.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace pusla {

/// The PostgreSQL server of the benchmarks on the server store:
/// PUSLA_BENCH_PG, else the tests' PUSLA_TEST_PG; empty for none.
inline QString benchServer()
{
    const QString bench = qEnvironmentVariable("PUSLA_BENCH_PG");
    return bench.isEmpty() ? qEnvironmentVariable("PUSLA_TEST_PG") : bench;
}

/// Makes a database `name` of its own on the benchmarks' server (UTF-8, "C"
/// locale, as a shop's) and returns its connection string; it is dropped
/// when the run ends, so runs do not pile up copies of the books.
inline QString makeBenchDatabase(const QString &name)
{
    struct Made
    {
        QStringList names;
        ~Made()
        {
            for (const QString &made : names) {
                try {
                    PgConnection(benchServer())
                        .exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(made));
                } catch (const DbError &) {
                    // The server went first: nothing left to tidy.
                }
            }
        }
    };
    static Made made;
    PgConnection(benchServer())
        .exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C'").arg(name));
    made.names.append(name);
    return benchServer() + QStringLiteral(" dbname=") + name;
}

/// A demo data set in a temporary folder, made once per benchmark run: the
/// centre and the given branches with `cards` stock cards each, and a
/// terminal's program folder.
struct DemoDataSet
{
    DemoDataSet(int cards, const QStringList &branches)
        : paths(Paths::underRoot(root.path()))
    {
        for (const QString &dir : {paths.programFolder, paths.sharesRoot, paths.configFolder})
            QDir().mkpath(dir);
        DemoOptions options;
        options.dataDirectory = paths.sharesRoot + QStringLiteral("/127.0.0.1/MuhasebeData");
        options.programFolder = paths.programFolder;
        options.itemCount = cards;
        options.branches = branches;
        const DemoResult result = createDemoData(options);
        ready = result.ok;
        error = result.errorText;
        dataDirectory = options.dataDirectory;
    }

    QString file(const QString &name) const { return dataDirectory + QLatin1Char('/') + name; }

    /// Whether the set was made; a benchmark without it is skipped with the reason.
    bool readyFor(benchmark::State &state) const
    {
        if (!ready)
            state.SkipWithError(QString(QStringLiteral("demo data set: ") + error).toStdString().c_str());
        return ready;
    }

    QTemporaryDir root;
    Paths paths;
    QString dataDirectory;
    bool ready = false;
    QString error;
};

} // namespace pusla
