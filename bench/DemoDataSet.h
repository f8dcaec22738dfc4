#pragma once

#include "base/Paths.h"
#include "demo/DemoData.h"

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
