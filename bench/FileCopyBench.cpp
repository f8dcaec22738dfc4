// The local copy of a branch's stock file is made 4096 bytes at a time. This
// measures that copy on a 200 MB file against the system's `cp` of the same
// file in the same run; the block copy should stay within three times `cp`.
// `dd` with the same block size shows what the read and write calls alone cost,
// and the 64 KiB run how much of the gap is the block size rather than the class.

#include "data/FileCopy.h"
#include "base/PathMapper.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace pusla {
namespace {

constexpr qint64 kFileSize = 200 * 1024 * 1024;

/// One 200 MB file on drive C: of a temporary machine, made once per run.
struct CopyFixture
{
    CopyFixture()
        : paths(Paths::underRoot(root.path()))
        , mapper(paths)
    {
        const QString drive = paths.driveRoots.value(u'C');
        QDir().mkpath(drive);
        sourcePath = drive + QStringLiteral("/source.mdb");
        targetPath = drive + QStringLiteral("/target.mdb");
        QFile file(sourcePath);
        if (!file.open(QIODevice::WriteOnly))
            return;
        QByteArray chunk(1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>((i * 31 + i / 4099) & 0xFF);
        for (qint64 written = 0; written < kFileSize; written += chunk.size()) {
            chunk[0] = static_cast<char>(written >> 20); // no two megabytes alike
            file.write(chunk);
        }
        ready = file.flush();
    }

    QTemporaryDir root;
    Paths paths;
    PathMapper mapper;
    QString sourcePath;
    QString targetPath;
    bool ready = false;
};

CopyFixture &fixture()
{
    static CopyFixture instance;
    return instance;
}

void BM_FileCopyBlocks(benchmark::State &state)
{
    CopyFixture &f = fixture();
    if (!f.ready) {
        state.SkipWithError("cannot write the 200 MB source file");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(f.targetPath);
        state.ResumeTiming();
        FileCopy copier(f.mapper);
        copier.setSourceFile(QStringLiteral("C:\\source.mdb"));
        copier.setTargetFile(QStringLiteral("C:\\target.mdb"));
        copier.setByteSize(static_cast<double>(state.range(0)));
        qint32 errorNumber = 0;
        QString errorText;
        if (!copier.copyFile(errorNumber, errorText)) {
            state.SkipWithError(errorText.toLocal8Bit().constData());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_FileCopyBlocks)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_FileVerifyBlocks(benchmark::State &state)
{
    CopyFixture &f = fixture();
    if (!f.ready || !(QFile::exists(f.targetPath) || QFile::copy(f.sourcePath, f.targetPath))) {
        state.SkipWithError("no source or target file");
        return;
    }
    for (auto _ : state) {
        FileCopy copier(f.mapper);
        copier.setSourceFile(QStringLiteral("C:\\source.mdb"));
        copier.setTargetFile(QStringLiteral("C:\\target.mdb"));
        copier.setByteSize(static_cast<double>(state.range(0)));
        qint32 errorNumber = 0;
        QString errorText;
        if (!copier.verifyFile(errorNumber, errorText)) {
            state.SkipWithError(errorText.toLocal8Bit().constData());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_FileVerifyBlocks)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

/// The yardstick: the system's own copy of the same file.
void BM_SystemCp(benchmark::State &state)
{
    CopyFixture &f = fixture();
    if (!f.ready) {
        state.SkipWithError("cannot write the 200 MB source file");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(f.targetPath);
        state.ResumeTiming();
        if (QProcess::execute(QStringLiteral("cp"), {f.sourcePath, f.targetPath}) != 0) {
            state.SkipWithError("cp failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_SystemCp)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

/// The floor for a given block size: one read and one write call per block.
void BM_SystemDdBlocks(benchmark::State &state)
{
    CopyFixture &f = fixture();
    if (!f.ready) {
        state.SkipWithError("cannot write the 200 MB source file");
        return;
    }
    const QStringList arguments{QStringLiteral("if=") + f.sourcePath, QStringLiteral("of=") + f.targetPath,
                                QStringLiteral("bs=%1").arg(state.range(0)), QStringLiteral("status=none")};
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(f.targetPath);
        state.ResumeTiming();
        if (QProcess::execute(QStringLiteral("dd"), arguments) != 0) {
            state.SkipWithError("dd failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_SystemDdBlocks)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
} // namespace pusla
