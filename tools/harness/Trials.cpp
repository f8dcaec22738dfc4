#include "Trials.h"

#include "Books.h"
#include "ServerSet.h"
#include "Journal.h"
#include "Say.h"
#include "TerminalSession.h"

#include "demo/DemoData.h"
#include "data/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

namespace pusla::harness {

namespace {

bool copyFolderFiles(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(QDir(to).filePath(name));
        if (!QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)))
            return false;
    }
    return true;
}

/// The arguments of a terminal process posting documents.
QStringList postArguments(const Workspace &workspace, int terminal, const QString &kind, int documents, int lines,
                          quint32 seed, qint64 crashAt = 0, qint64 crashAtFileOperation = 0,
                          const QString &fileFault = QStringLiteral("crash"))
{
    QStringList args{QStringLiteral("post"),
                     QStringLiteral("--data"),
                     workspace.dataDirectory(),
                     QStringLiteral("--program"),
                     workspace.terminal(terminal),
                     QStringLiteral("--kind"),
                     kind,
                     QStringLiteral("--documents"),
                     QString::number(documents),
                     QStringLiteral("--lines"),
                     QString::number(lines),
                     QStringLiteral("--seed"),
                     QString::number(seed)};
    if (crashAt > 0)
        args << QStringLiteral("--crash-after-writes") << QString::number(crashAt);
    if (crashAtFileOperation > 0)
        args << QStringLiteral("--crash-at-io") << QString::number(crashAtFileOperation)
             << QStringLiteral("--io-fault") << fileFault;
    return args;
}

/// The arguments of a terminal process that starts, settles and ends.
QStringList settleArguments(const Workspace &workspace, const QString &programFolder, const QString &kind)
{
    return {QStringLiteral("post"),
            QStringLiteral("--data"),
            workspace.dataDirectory(),
            QStringLiteral("--program"),
            programFolder,
            QStringLiteral("--kind"),
            kind,
            QStringLiteral("--settle-only")};
}

/// A terminal process.
class Child
{
public:
    explicit Child(const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Its end is deliberate: no leak report from a terminal cut short.
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        m_process.setProcessEnvironment(env);
        m_process.start(QCoreApplication::applicationFilePath(), arguments);
    }

    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    /// Waits until the terminal is at its first document; false when it ended first.
    bool waitReady()
    {
        while (!m_out.contains("ready\n")) {
            if (!m_process.waitForReadyRead(120000))
                return false;
            m_out += m_process.readAllStandardOutput();
        }
        return true;
    }

    void kill() { m_process.kill(); }

    bool finish(int timeoutMs = 1800000)
    {
        const bool done = m_process.waitForFinished(timeoutMs);
        m_out += m_process.readAllStandardOutput();
        m_err += m_process.readAllStandardError();
        return done;
    }

    bool killed() const { return m_process.exitStatus() == QProcess::CrashExit; }
    int exitCode() const { return m_process.exitCode(); }
    QStringList output() const { return QString::fromUtf8(m_out).split(u'\n', Qt::SkipEmptyParts); }
    QString errors() const { return QString::fromUtf8(m_err).trimmed(); }

    /// Adds the terminal's postings, failures and own findings to the report.
    void collect(TrialReport &report, const QString &context) const
    {
        for (const QString &line : output()) {
            if (line.startsWith(QLatin1String("posted ")))
                ++report.posted;
            else if (line.startsWith(QLatin1String("failed "))) {
                ++report.failed;
                report.failures << context + line;
            } else if (line.startsWith(QLatin1String("violation: ")))
                report.violations << context + line.mid(11);
            else if (line.startsWith(QLatin1String("error: ")))
                report.violations << context + QStringLiteral("terminal error: ") + line.mid(7);
        }
    }

    /// A figure of the last "posted N writes W io M" line.
    qint64 lastPosted(const char *name) const
    {
        qint64 figure = 0;
        for (const QString &line : output()) {
            const QStringList words = line.split(u' ');
            const qsizetype at = words.indexOf(QLatin1String(name));
            if (words.front() == QLatin1String("posted") && at > 0 && at + 1 < words.size())
                figure = words[at + 1].toLongLong();
        }
        return figure;
    }

private:
    QProcess m_process;
    QByteArray m_out;
    QByteArray m_err;
};

void verifyInto(TrialReport &report, const Workspace &workspace, const QStringList &terminals,
                const Baseline &baseline, const QString &context, const QHash<QString, Leftovers> &leftAtCrash = {})
{
    try {
        const Verdict verdict = verifyBooks(workspace.dataDirectory(), terminals, baseline, leftAtCrash);
        report.landedInFlight += verdict.landedInFlight;
        for (const QString &violation : verdict.violations) {
            report.violations << context + violation;
            say(QStringLiteral("VIOLATION ") + context + violation);
        }
    } catch (const std::exception &error) {
        report.violations << context + QStringLiteral("verification failed: ") + QString::fromUtf8(error.what());
        say(QStringLiteral("VIOLATION ") + report.violations.back());
    }
}

/// A terminal meant to crash or lose power: one that posted its document
/// first took fewer steps than the measured one and is counted apart. One
/// meant to meet an I/O error goes on and ends as usual.
void countCrash(TrialReport &report, const Child &child, const QString &context,
                const QString &fileFault = QStringLiteral("crash"))
{
    if (fileFault == QLatin1String("error")) {
        const bool struck = child.output().join(u'\n').contains(QLatin1String("io error at file operation"));
        if (child.killed() || child.exitCode() != 0)
            report.violations << context
                    + QStringLiteral("the terminal ended with %1: %2").arg(child.exitCode()).arg(child.errors().right(500));
        else if (struck)
            ++report.ioErrors;
        else
            ++report.uncrashed;
        return;
    }
    if (child.exitCode() == kCrashExitCode && !child.killed()) {
        ++(fileFault == QLatin1String("power") ? report.powerLosses : report.crashes);
    } else if (child.exitCode() == 0 && !child.killed() && child.lastPosted("writes") > 0) {
        ++report.uncrashed;
    } else {
        report.violations << context
                + QStringLiteral("the terminal ended with %1: %2").arg(child.exitCode()).arg(child.errors().right(500));
    }
}

/// Runs a terminal that starts, settles what it had under way and ends.
void settle(TrialReport &report, const Workspace &workspace, const QString &programFolder, const QString &kind,
            const QString &context)
{
    Child child(settleArguments(workspace, programFolder, kind));
    child.finish();
    if (child.killed() || child.exitCode() != 0)
        report.violations << context
                + QStringLiteral("the terminal in %1 did not come up (%2): %3 %4")
                      .arg(programFolder)
                      .arg(child.exitCode())
                      .arg(child.output().join(u' '), child.errors().right(500));
}

/// After a crash, as at a shop where the crashed terminal stays off: another
/// terminal, which cannot see the crashed one's program folder, opens the set
/// first and so rolls back whatever the crash left half written. Then the
/// crashed terminal comes back and settles the document it had under way.
/// Returns what it had left in its program folder before it came back.
std::optional<Leftovers> recoverAfterCrash(TrialReport &report, const Workspace &workspace, int terminal,
                                           const QString &kind, const QString &context)
{
    const QString folder = workspace.terminal(terminal);
    QDir(workspace.away()).removeRecursively();
    if (!QDir().rename(folder, workspace.away())) {
        report.error = QStringLiteral("cannot move %1 away").arg(folder);
        return std::nullopt;
    }
    settle(report, workspace, workspace.recovery(), kind, context + QStringLiteral("recovery: "));
    if (!QDir().rename(workspace.away(), folder)) {
        report.error = QStringLiteral("cannot move %1 back").arg(folder);
        return std::nullopt;
    }
    const Leftovers left = readLeftovers(folder);
    settle(report, workspace, folder, kind, context + QStringLiteral("coming back: "));
    return left;
}

/// The terminal's working list as it was laid out, with no marker or journal
/// left behind by a crash. Only after the verification: it hides what the
/// terminal left.
bool restoreTerminal(const Workspace &workspace, int terminal)
{
    const QString folder = workspace.terminal(terminal);
    const QStringList leftBehind{QStringLiteral("*-journal"), QString(schema::files::PendingMarker)};
    for (const QString &name : QDir(folder).entryList(leftBehind, QDir::Files | QDir::Hidden))
        QFile::remove(QDir(folder).filePath(name));
    return copyFolderFiles(workspace.pristine(), folder);
}

} // namespace

QString Workspace::dataDirectory() const
{
    return root + QStringLiteral("/shares/127.0.0.1/MuhasebeData");
}

QString Workspace::terminal(int number) const
{
    return root + QStringLiteral("/terminals/t%1").arg(number);
}

QStringList Workspace::terminals(int count) const
{
    QStringList folders;
    for (int i = 1; i <= count; ++i)
        folders << terminal(i);
    return folders;
}

QString Workspace::recovery() const
{
    return root + QStringLiteral("/terminals/recovery");
}

QString Workspace::away() const
{
    return root + QStringLiteral("/away");
}

QString Workspace::pristine() const
{
    return root + QStringLiteral("/pristine");
}

QString createWorkspace(const Workspace &workspace, int items, quint32 seed, int terminals)
{
    for (const QString &dir : {QStringLiteral("/shares"), QStringLiteral("/terminals"), QStringLiteral("/pristine"),
                               QStringLiteral("/away")})
        QDir(workspace.root + dir).removeRecursively();
    if (!QDir().mkpath(workspace.dataDirectory()))
        return QStringLiteral("cannot make ") + workspace.dataDirectory();
    DemoOptions options;
    options.dataDirectory = workspace.dataDirectory();
    options.programFolder = workspace.pristine();
    options.itemCount = items;
    options.seed = seed;
    options.overwrite = true;
    const DemoResult result = createDemoData(options);
    if (!result.ok)
        return result.errorText;
    const QStringList folders = workspace.terminals(terminals) << workspace.recovery();
    for (const QString &folder : folders) {
        if (!copyFolderFiles(workspace.pristine(), folder))
            return QStringLiteral("cannot copy the program folder to ") + folder;
    }
    return {};
}

/// Strikes a posting terminal with `fault`: "kill" (kill -9), "cut" (its
/// connections to the server ended) or "restart" (the server stopped at
/// once and started again). Returns what went wrong in striking.
QString strike(const QString &fault, Child &child, const CrashTrialOptions &options)
{
    if (fault == QLatin1String("kill")) {
        child.kill();
        return {};
    }
    if (fault == QLatin1String("cut"))
        return cutTerminalConnections(options.server);
    QProcess restart;
    restart.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), options.serverRestart});
    if (!restart.waitForFinished(60000) || restart.exitCode() != 0)
        return QStringLiteral("the server did not restart: ") + QString::fromUtf8(restart.readAllStandardError());
    return {};
}

TrialReport runCrashTrials(const CrashTrialOptions &options)
{
    TrialReport report;
    QElapsedTimer clock;
    clock.start();
    const Workspace &ws = options.workspace;
    if (const QString error = createWorkspace(ws, options.items, options.seed, 1); !error.isEmpty()) {
        report.error = error;
        return report;
    }
    const QStringList terminals{ws.terminal(1)};
    QRandomGenerator random(options.seed);
    const bool onServer = !options.server.isEmpty();
    if (onServer) {
        if (const QString error = moveSetToServer(ws.dataDirectory(), options.server); !error.isEmpty()) {
            report.error = error;
            return report;
        }
        qputenv("PUSLA_STORE", "postgresql");
        qputenv("PUSLA_STORE_CONNINFO", options.server.toUtf8());
    }
    // The books as files for the baseline and the verifier: from a server
    // they are written back first, and go again after, so that the
    // terminals reach the books on the server only.
    const auto baselineNow = [&]() -> std::optional<Baseline> {
        if (onServer) {
            if (const QString error = bringSetBack(ws.dataDirectory(), options.server); !error.isEmpty()) {
                report.error = error;
                return std::nullopt;
            }
        }
        Baseline baseline = takeBaseline(ws.dataDirectory(), terminals);
        if (onServer) {
            if (const QString error = removeSetFiles(ws.dataDirectory()); !error.isEmpty()) {
                report.error = error;
                return std::nullopt;
            }
        }
        return baseline;
    };
    const auto verifyNow = [&](const Baseline &baseline, const QString &context,
                               const QHash<QString, Leftovers> &leftAtCrash = {}) {
        if (onServer) {
            if (const QString error = bringSetBack(ws.dataDirectory(), options.server); !error.isEmpty()) {
                report.violations << context + QStringLiteral("the books cannot be read back: ") + error;
                return;
            }
        }
        verifyInto(report, ws, terminals, baseline, context, leftAtCrash);
        if (onServer)
            removeSetFiles(ws.dataDirectory());
    };

    // Clean documents first: how many writes one takes and that they post at all.
    // The first document of a set can take a few more (the year's first number).
    {
        const std::optional<Baseline> baseline = baselineNow();
        if (!baseline)
            return report;
        Child child(postArguments(ws, 1, options.kind, 2, options.lines, random.bounded(1u << 30)));
        child.finish();
        child.collect(report, QStringLiteral("clean run: "));
        ++report.trials;
        if (child.killed() || child.exitCode() != 0 || child.lastPosted("writes") == 0) {
            report.error = QStringLiteral("the clean document did not post (exit %1): %2 %3")
                               .arg(child.exitCode())
                               .arg(child.output().join(u' '), child.errors());
            return report;
        }
        report.writesPerDocument = child.lastPosted("writes");
        report.fileOperationsPerDocument = child.lastPosted("io");
        verifyNow(*baseline, QStringLiteral("clean run: "));
    }
    say(QStringLiteral("%1: %2 writes per document (row writes and the commit)")
            .arg(options.kind)
            .arg(report.writesPerDocument));

    const qint64 last = options.lastWrite >= 0 ? qMin<qint64>(options.lastWrite, report.writesPerDocument)
                                               : report.writesPerDocument;
    // One document from the laid-out program folder, ended at the crash point.
    const auto crashTrial = [&](const QString &context, qint64 atWrite, qint64 atFileOperation,
                                const QString &fileFault = QStringLiteral("crash")) {
        if (!restoreTerminal(ws, 1)) {
            report.error = QStringLiteral("cannot restore the program folder");
            return false;
        }
        const std::optional<Baseline> baseline = baselineNow();
        if (!baseline)
            return false;
        Child child(postArguments(ws, 1, options.kind, 1, options.lines, random.bounded(1u << 30), atWrite,
                                  atFileOperation, fileFault));
        child.finish();
        child.collect(report, context);
        ++report.trials;
        countCrash(report, child, context, fileFault);
        const std::optional<Leftovers> left = recoverAfterCrash(report, ws, 1, options.kind, context);
        if (!left)
            return false;
        verifyNow(*baseline, context, {{ws.terminal(1), *left}});
        return true;
    };
    for (qint64 k = 1; k <= last; ++k) {
        if (!crashTrial(QStringLiteral("crash at write %1: ").arg(k), k, 0))
            return report;
    }
    say(QStringLiteral("%1: crashed at each of %2 writes").arg(options.kind).arg(last));

    const qint64 lastIo = options.lastFileOperation >= 0
        ? qMin<qint64>(options.lastFileOperation, report.fileOperationsPerDocument)
        : report.fileOperationsPerDocument;
    const qint64 step = qMax(1, options.fileOperationStep);
    for (const QString &fault : {QStringLiteral("crash"), QStringLiteral("power"), QStringLiteral("error")}) {
        for (qint64 k = 1; k <= lastIo; k = (k < lastIo && k + step > lastIo) ? lastIo : k + step) {
            if (!crashTrial(QStringLiteral("%1 at file operation %2: ").arg(fault).arg(k), 0, k, fault))
                return report;
        }
        say(QStringLiteral("%1: %2 at every %3. of %4 file operations").arg(options.kind, fault).arg(step).arg(lastIo));
    }

    if (options.randomKills > 0) {
        // How long a terminal takes for its documents, so that kills fall while it posts.
        qint64 spanMs = 0;
        {
            restoreTerminal(ws, 1);
            const std::optional<Baseline> baseline = baselineNow();
            if (!baseline)
                return report;
            Child child(postArguments(ws, 1, options.kind, options.documentsPerKill, options.lines,
                                      random.bounded(1u << 30)));
            QElapsedTimer span;
            if (child.waitReady()) {
                span.start();
                child.finish();
                spanMs = span.elapsed();
            } else {
                child.finish();
            }
            child.collect(report, QStringLiteral("timing run: "));
            ++report.trials;
            verifyNow(*baseline, QStringLiteral("timing run: "));
        }
        spanMs = qMax<qint64>(spanMs, 50);
        // On a server the faults take turns: the terminal killed, its
        // connections cut, the server stopped at once and started again.
        QStringList faults{QStringLiteral("kill")};
        if (onServer)
            faults << QStringLiteral("cut");
        if (onServer && !options.serverRestart.isEmpty())
            faults << QStringLiteral("restart");
        QMap<QString, int> hits;
        for (int t = 1; t <= options.randomKills; ++t) {
            const QString fault = faults[(t - 1) % faults.size()];
            const qint64 delay = random.bounded(spanMs + 1);
            const QString context = QStringLiteral("%1 %2 after %3 ms: ").arg(fault).arg(t).arg(delay);
            if (!restoreTerminal(ws, 1)) {
                report.error = QStringLiteral("cannot restore the program folder");
                return report;
            }
            const std::optional<Baseline> baseline = baselineNow();
            if (!baseline)
                return report;
            Child child(postArguments(ws, 1, options.kind, options.documentsPerKill, options.lines,
                                      random.bounded(1u << 30)));
            if (child.waitReady()) {
                QThread::msleep(static_cast<unsigned long>(delay));
                if (const QString error = strike(fault, child, options); !error.isEmpty())
                    report.violations << context + error;
            } else {
                report.violations << context + QStringLiteral("the terminal never got to its documents: %1")
                                                   .arg(child.errors().right(500));
            }
            child.finish();
            child.collect(report, context);
            if (fault != QLatin1String("kill") && (child.killed() || child.exitCode() != 0))
                report.violations << context
                        + QStringLiteral("the terminal ended with %1: %2").arg(child.exitCode()).arg(child.errors().right(500));
            // Only a fault that found the terminal posting is a trial.
            const JournalState journal
                = Journal::read(ws.terminal(1), baseline->journalOffsets.value(ws.terminal(1), 0));
            const bool hit = !journal.documents.isEmpty() && (fault != QLatin1String("kill") || child.killed());
            if (hit) {
                ++report.trials;
                ++hits[fault];
                if (fault == QLatin1String("kill"))
                    ++report.crashes;
            } else {
                ++report.missedKills;
            }
            const std::optional<Leftovers> left = recoverAfterCrash(report, ws, 1, options.kind, context);
            if (!left)
                return report;
            verifyNow(*baseline, context, {{ws.terminal(1), *left}});
        }
        QStringList counts;
        for (auto it = hits.cbegin(); it != hits.cend(); ++it)
            counts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
        say(QStringLiteral("%1: %2 random faults (%3) over %4 ms of posting, %5 found no terminal posting")
                .arg(options.kind)
                .arg(options.randomKills)
                .arg(counts.join(QStringLiteral(", ")))
                .arg(spanMs)
                .arg(report.missedKills));
    }
    report.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    return report;
}

TrialReport runConcurrency(const ConcurrencyOptions &options)
{
    TrialReport report;
    QElapsedTimer clock;
    clock.start();
    const Workspace &ws = options.workspace;
    if (const QString error = createWorkspace(ws, options.items, options.seed, options.terminals); !error.isEmpty()) {
        report.error = error;
        return report;
    }
    const QStringList mixed{QStringLiteral("invoice"), QStringLiteral("cari-sale"), QStringLiteral("cari-purchase"),
                            QStringLiteral("depo")};
    const QStringList terminals = ws.terminals(options.terminals);
    const Baseline baseline = takeBaseline(ws.dataDirectory(), terminals);
    if (!options.server.isEmpty()) {
        // The terminals find the server as an administrator's pusla.conf names it.
        if (const QString error = moveSetToServer(ws.dataDirectory(), options.server); !error.isEmpty()) {
            report.error = error;
            return report;
        }
        qputenv("PUSLA_STORE", "postgresql");
        qputenv("PUSLA_STORE_CONNINFO", options.server.toUtf8());
    }

    std::vector<std::unique_ptr<Child>> children;
    for (int i = 1; i <= options.terminals; ++i) {
        const QString kind = options.kind == QLatin1String("mixed") ? mixed[(i - 1) % mixed.size()] : options.kind;
        children.push_back(std::make_unique<Child>(postArguments(ws, i, kind, options.documents, options.lines,
                                                                 options.seed * 1000 + static_cast<quint32>(i))));
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        Child &child = *children[i];
        const QString context = QStringLiteral("terminal %1: ").arg(i + 1);
        if (!child.finish())
            report.violations << context + QStringLiteral("did not finish");
        child.collect(report, context);
        if (child.killed() || child.exitCode() != 0)
            report.violations << context
                    + QStringLiteral("ended with %1: %2").arg(child.exitCode()).arg(child.errors().right(2000));
        ++report.trials;
    }
    if (!options.server.isEmpty()) {
        if (const QString error = bringSetBack(ws.dataDirectory(), options.server); !error.isEmpty()) {
            report.error = error;
            return report;
        }
    }
    verifyInto(report, ws, terminals, baseline, QString());
    report.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    return report;
}

} // namespace pusla::harness
