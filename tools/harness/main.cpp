// pusla-harness: crash and concurrency trials of document posting. Terminals
// are child processes that drive the real main form headless; the books are
// verified from outside after every crash, kill or concurrent run.

#include "Books.h"
#include "TerminalSession.h"
#include "Trials.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>
#include <memory>

using namespace pusla::harness;

namespace {

const char *const kUsage = R"(Usage: pusla-harness COMMAND [options]

Commands:
  seed --work DIR [--items N] [--terminals T] [--seed S]
      Lays out a workspace: DIR/shares/127.0.0.1/MuhasebeData (the demo set: centre 01,
      branches 02 and 03) and program folders DIR/terminals/t1..tT.
  post --data DIR --program DIR --kind KIND --documents N [--lines L] [--seed S]
       [--crash-after-writes K] [--crash-at-io K [--io-fault crash|power|error]] [--settle-only]
      One terminal: opens the main form headless in the user role over DIR (a folder
      named MuhasebeData) and posts N documents of L random lines each. With
      --crash-after-writes the process ends (status 86) at the K-th row write or commit
      of a posting; with --crash-at-io before its K-th file write, sync, truncate,
      delete or rename (the steps of the multi-file commit on disk, and of the counter
      file and the posting marker). --io-fault power loses power there instead: each
      sector written since its file's last sync reaches the disk, is lost, or is torn
      into garbage where it was written; --io-fault error fails that one step with an
      I/O error and the terminal goes on. Prints "posted N writes W io M"
      or "failed N: message" per document. With --settle-only it posts nothing: it
      makes the role choice, which settles a posting the terminal had under way, opens
      every database file of DIR (rolling back what a crashed terminal left) and ends.
  baseline --data DIR --program DIR [--program DIR ...] --out FILE
      Snapshot of the books and of the terminals' journals, for verify.
  verify --data DIR --program DIR [--program DIR ...] --baseline FILE
      Integrity check of every .mdb file; stock cards and accounts reconciled with the
      movements since the baseline; every document complete or absent; no duplicate
      FaturaNo, DigerId or SeriNoDiger; every document one that a terminal's journal
      says it meant to post, with those lines, and every posting key in the books one
      of a whole document; FatNo.txt, the terminals' stored NNFatNo and the numbering
      files' counters not behind the numbers in the books; no hot journal beside the
      set and no posting marker left; each terminal's working list agrees with whether
      its last document landed. Run it once every stopped terminal has come back
      (post --settle-only). Exit status 1 on any violation.
  crash-trials --work DIR --kind KIND [--trials T] [--lines L] [--items N] [--seed S]
       [--kill-documents D] [--last-write K] [--last-io K]
       [--io-step N] [--server CONNINFO [--server-restart COMMAND]]
      Crashes a terminal at every row write of one document (up to K with --last-write;
      0: none), then at every file operation of its posting (--last-io likewise;
      --io-step N: every N-th and the last) three times: a crash, a power loss and an
      I/O error there,
      then T kill -9 at random moments while it posts D documents. After each, a
      terminal with another program folder recovers the set while the crashed one's
      folder is moved out of reach, the crashed terminal comes back and settles, and
      the books are verified. A kill that finds no terminal posting is no trial.
      With --server the set is on that PostgreSQL database and the random trials
      take turns: a kill, the terminal's connections cut, and with --server-restart
      the server stopped at once and started again by COMMAND (e.g.
      "scripts/pg-cluster restart DIR").
  concurrency --work DIR [--terminals T] [--documents N] [--kind KIND|mixed] [--lines L]
       [--items N] [--seed S] [--server CONNINFO]
      T terminals post N documents each at once into one data directory (mixed: the
      kinds invoice, cari-sale, cari-purchase, depo in turn); then one verification.
      With --server the set is loaded into that PostgreSQL database first and the
      terminals post there, each on a connection of its own; the books are written
      back as files for the verification.

KIND: invoice, cari-sale, cari-purchase, depo, depo-purchase.
The last line of crash-trials and concurrency reads
  RESULT trials=.. crashes=.. power-losses=.. io-errors=.. uncrashed=.. missed=.. landed=.. posted=.. failed=.. violations=.. seconds=..
(missed: kills that found no terminal posting; landed: crashed documents that were in
the books all the same, settled when their terminal came back)
and the exit status is 1 when there was a violation.
)";

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

int usageError(const QString &text)
{
    QTextStream(stderr) << "pusla-harness: " << text << "\n\n" << kUsage;
    return 2;
}

int printReport(const TrialReport &report)
{
    if (!report.error.isEmpty())
        out() << "ERROR " << report.error << '\n';
    QHash<QString, int> reasons;
    for (const QString &failure : report.failures)
        ++reasons[failure.section(QStringLiteral(": "), -1)];
    for (auto it = reasons.cbegin(); it != reasons.cend(); ++it)
        out() << "failure x" << it.value() << ": " << it.key() << '\n';
    for (const QString &violation : report.violations)
        out() << "violation: " << violation << '\n';
    if (report.writesPerDocument > 0)
        out() << "writes per document: " << report.writesPerDocument << '\n';
    if (report.fileOperationsPerDocument > 0)
        out() << "file operations per document: " << report.fileOperationsPerDocument << '\n';
    out() << "RESULT trials=" << report.trials << " crashes=" << report.crashes
          << " power-losses=" << report.powerLosses << " io-errors=" << report.ioErrors
          << " uncrashed=" << report.uncrashed
          << " missed=" << report.missedKills << " landed=" << report.landedInFlight << " posted=" << report.posted
          << " failed=" << report.failed << " violations=" << report.violations.size()
          << " seconds=" << QString::number(report.seconds, 'f', 1) << '\n';
    out().flush();
    return report.violations.isEmpty() && report.error.isEmpty() ? 0 : 1;
}

struct Options
{
    QCommandLineParser parser;
    QCommandLineOption work{QStringLiteral("work"), QStringLiteral("Workspace folder."), QStringLiteral("DIR")};
    QCommandLineOption data{QStringLiteral("data"), QStringLiteral("The MuhasebeData folder."), QStringLiteral("DIR")};
    QCommandLineOption program{QStringLiteral("program"), QStringLiteral("A program folder."), QStringLiteral("DIR")};
    QCommandLineOption kind{QStringLiteral("kind"), QStringLiteral("Document kind."), QStringLiteral("KIND")};
    QCommandLineOption documents{QStringLiteral("documents"), QStringLiteral("Documents."), QStringLiteral("N")};
    QCommandLineOption lines{QStringLiteral("lines"), QStringLiteral("Lines per document."), QStringLiteral("L")};
    QCommandLineOption seed{QStringLiteral("seed"), QStringLiteral("Random seed."), QStringLiteral("S")};
    QCommandLineOption crashAt{QStringLiteral("crash-after-writes"), QStringLiteral("Crash point."), QStringLiteral("K")};
    QCommandLineOption outFile{QStringLiteral("out"), QStringLiteral("Baseline file to write."), QStringLiteral("FILE")};
    QCommandLineOption baseline{QStringLiteral("baseline"), QStringLiteral("Baseline file."), QStringLiteral("FILE")};
    QCommandLineOption trials{QStringLiteral("trials"), QStringLiteral("Random kills."), QStringLiteral("T")};
    QCommandLineOption items{QStringLiteral("items"), QStringLiteral("Stock cards per set."), QStringLiteral("N")};
    QCommandLineOption terminals{QStringLiteral("terminals"), QStringLiteral("Terminals."), QStringLiteral("T")};
    QCommandLineOption killDocuments{QStringLiteral("kill-documents"), QStringLiteral("Documents per kill."),
                                     QStringLiteral("D")};
    QCommandLineOption crashAtIo{QStringLiteral("crash-at-io"), QStringLiteral("Crash point."), QStringLiteral("K")};
    QCommandLineOption ioStep{QStringLiteral("io-step"), QStringLiteral("Crash point step."), QStringLiteral("N")};
    QCommandLineOption lastIo{QStringLiteral("last-io"), QStringLiteral("Last crash point."), QStringLiteral("K")};
    QCommandLineOption lastWrite{QStringLiteral("last-write"), QStringLiteral("Last crash point."), QStringLiteral("K")};
    QCommandLineOption server{QStringLiteral("server"), QStringLiteral("PostgreSQL books."), QStringLiteral("CONNINFO")};
    QCommandLineOption serverRestart{QStringLiteral("server-restart"), QStringLiteral("Restarts the server."),
                                     QStringLiteral("COMMAND")};
    QCommandLineOption ioFault{QStringLiteral("io-fault"), QStringLiteral("crash, power or error."),
                               QStringLiteral("KIND")};
    QCommandLineOption settleOnly{QStringLiteral("settle-only"), QStringLiteral("Start, settle and end.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("This text.")};
    QString problem;

    Options()
    {
        parser.addOptions({work, data, program, kind, documents, lines, seed, crashAt, outFile, baseline, trials, items,
                           terminals, killDocuments, lastWrite, crashAtIo, lastIo, ioStep, server, serverRestart, settleOnly,
                           ioFault,
                           help});
    }

    int number(const QCommandLineOption &option, int fallback, int minimum = 0)
    {
        if (!parser.isSet(option))
            return fallback;
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!ok || value < minimum)
            problem = QStringLiteral("--%1 needs a whole number of at least %2").arg(option.names().constFirst()).arg(minimum);
        return value;
    }

    quint32 seedNumber()
    {
        if (!parser.isSet(seed))
            return 1;
        bool ok = false;
        const quint32 value = parser.value(seed).toUInt(&ok);
        if (!ok)
            problem = QStringLiteral("--seed needs a whole number");
        return value;
    }

    QString required(const QCommandLineOption &option)
    {
        if (!parser.isSet(option) && problem.isEmpty())
            problem = QStringLiteral("--%1 is required").arg(option.names().constFirst());
        return parser.value(option);
    }
};

int seedCommand(Options &o)
{
    const Workspace ws{QDir(o.required(o.work)).absolutePath()};
    const int items = o.number(o.items, 40, 1);
    const int terminals = o.number(o.terminals, 1, 1);
    const quint32 seed = o.seedNumber();
    if (!o.problem.isEmpty())
        return usageError(o.problem);
    const QString error = createWorkspace(ws, items, seed, terminals);
    if (!error.isEmpty()) {
        out() << "ERROR " << error << '\n';
        return 1;
    }
    out() << "data: " << ws.dataDirectory() << '\n';
    for (const QString &folder : ws.terminals(terminals))
        out() << "program: " << folder << '\n';
    return 0;
}

int postCommand(Options &o)
{
    SessionOptions options;
    options.dataDirectory = o.required(o.data);
    options.programFolder = o.required(o.program);
    const QString kindText = o.required(o.kind);
    options.documents = o.number(o.documents, 1, 1);
    options.lines = o.number(o.lines, 2, 1);
    options.seed = o.seedNumber();
    options.crashAfterWrites = o.number(o.crashAt, 0);
    options.crashAtFileOperation = o.number(o.crashAtIo, 0);
    options.settleOnly = o.parser.isSet(o.settleOnly);
    const QString fault = o.parser.value(o.ioFault);
    if (fault == QLatin1String("power"))
        options.fileFault = FileFault::PowerLoss;
    else if (fault == QLatin1String("error"))
        options.fileFault = FileFault::IoError;
    else if (!fault.isEmpty() && fault != QLatin1String("crash"))
        o.problem = QStringLiteral("--io-fault is crash, power or error");
    if (!o.problem.isEmpty())
        return usageError(o.problem);
    const auto kind = documentKind(kindText);
    if (!kind)
        return usageError(QStringLiteral("unknown kind ") + kindText);
    options.kind = *kind;
    const SessionResult result = runTerminal(options);
    if (!result.error.isEmpty())
        out() << "error: " << result.error << '\n';
    out() << "summary posted=" << result.posted << " failed=" << result.failed << " writes=" << result.lastWrites
          << " io=" << result.lastFileOperations
          << " violations=" << result.violations.size() << '\n';
    out().flush();
    return result.error.isEmpty() && result.violations.isEmpty() ? 0 : 1;
}

int baselineCommand(Options &o)
{
    const QString data = o.required(o.data);
    const QString file = o.required(o.outFile);
    if (!o.problem.isEmpty())
        return usageError(o.problem);
    QStringList programs;
    for (const QString &folder : o.parser.values(o.program))
        programs << QDir(folder).absolutePath();
    const QJsonObject json = takeBaseline(data, programs).toJson();
    QFile outFile(file);
    if (!outFile.open(QIODevice::WriteOnly) || outFile.write(QJsonDocument(json).toJson()) < 0) {
        out() << "ERROR cannot write " << file << '\n';
        return 1;
    }
    return 0;
}

int verifyCommand(Options &o)
{
    const QString data = o.required(o.data);
    const QString file = o.required(o.baseline);
    if (!o.problem.isEmpty())
        return usageError(o.problem);
    QFile inFile(file);
    if (!inFile.open(QIODevice::ReadOnly)) {
        out() << "ERROR cannot read " << file << '\n';
        return 1;
    }
    const Baseline baseline = Baseline::fromJson(QJsonDocument::fromJson(inFile.readAll()).object());
    QStringList programs;
    for (const QString &folder : o.parser.values(o.program))
        programs << QDir(folder).absolutePath();
    const Verdict verdict = verifyBooks(data, programs, baseline);
    for (const QString &violation : verdict.violations)
        out() << "violation: " << violation << '\n';
    out() << "documents=" << verdict.documents << " posted=" << verdict.postedByTerminals
          << " failed=" << verdict.failedByTerminals << " landed-in-flight=" << verdict.landedInFlight
          << " violations=" << verdict.violations.size() << '\n';
    return verdict.violations.isEmpty() ? 0 : 1;
}

int crashTrialsCommand(Options &o)
{
    CrashTrialOptions options;
    options.workspace.root = QDir(o.required(o.work)).absolutePath();
    options.kind = o.required(o.kind);
    options.randomKills = o.number(o.trials, options.randomKills);
    options.lines = o.number(o.lines, options.lines, 1);
    options.items = o.number(o.items, options.items, 1);
    options.seed = o.seedNumber();
    options.documentsPerKill = o.number(o.killDocuments, options.documentsPerKill, 1);
    options.lastWrite = o.number(o.lastWrite, -1);
    options.lastFileOperation = o.number(o.lastIo, -1);
    options.fileOperationStep = o.number(o.ioStep, 1, 1);
    options.server = o.parser.value(o.server);
    options.serverRestart = o.parser.value(o.serverRestart);
    if (!options.serverRestart.isEmpty() && options.server.isEmpty())
        o.problem = QStringLiteral("--server-restart needs --server");
    if (!o.problem.isEmpty())
        return usageError(o.problem);
    if (!documentKind(options.kind))
        return usageError(QStringLiteral("unknown kind ") + options.kind);
    return printReport(runCrashTrials(options));
}

int concurrencyCommand(Options &o)
{
    ConcurrencyOptions options;
    options.workspace.root = QDir(o.required(o.work)).absolutePath();
    if (o.parser.isSet(o.kind))
        options.kind = o.parser.value(o.kind);
    options.terminals = o.number(o.terminals, options.terminals, 1);
    options.documents = o.number(o.documents, options.documents, 1);
    options.lines = o.number(o.lines, options.lines, 1);
    options.items = o.number(o.items, options.items, 1);
    options.seed = o.seedNumber();
    options.server = o.parser.value(o.server);
    if (!o.problem.isEmpty())
        return usageError(o.problem);
    if (options.kind != QLatin1String("mixed") && !documentKind(options.kind))
        return usageError(QStringLiteral("unknown kind ") + options.kind);
    return printReport(runConcurrency(options));
}

} // namespace

int main(int argc, char **argv)
{
    // Headless whatever the environment says: terminals here have no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    std::unique_ptr<QCoreApplication> app;
    if (command == QLatin1String("post"))
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pusla-harness"));

    Options o;
    if (!o.parser.parse(QCoreApplication::arguments()))
        return usageError(o.parser.errorText());
    if (o.parser.isSet(o.help) || command.isEmpty()) {
        out() << kUsage;
        return command.isEmpty() && !o.parser.isSet(o.help) ? 2 : 0;
    }
    if (o.parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("one command is expected"));
    try {
        if (command == QLatin1String("seed"))
            return seedCommand(o);
        if (command == QLatin1String("post"))
            return postCommand(o);
        if (command == QLatin1String("baseline"))
            return baselineCommand(o);
        if (command == QLatin1String("verify"))
            return verifyCommand(o);
        if (command == QLatin1String("crash-trials"))
            return crashTrialsCommand(o);
        if (command == QLatin1String("concurrency"))
            return concurrencyCommand(o);
    } catch (const std::exception &error) {
        out() << "ERROR " << QString::fromUtf8(error.what()) << '\n';
        return 1;
    }
    return usageError(QStringLiteral("unknown command ") + command);
}
