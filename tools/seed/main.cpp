// pusla-seed: lays out a demo data set where pusla looks for it, so that a
// fresh terminal can be tried in both roles without the accounting suite.

#include "base/LogFormat.h"
#include "base/Paths.h"
#include "data/ServerLoad.h"
#include "demo/DemoData.h"
#include "store/DbError.h"
#include "store/pg/PgConnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

using namespace pusla;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pusla-seed"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PUSLA_VERSION));
    installLogFormat(QStringLiteral("pusla-seed"));

    const Paths paths = Paths::fromEnvironment();
    // pusla's default server address is \\127.0.0.1\MuhasebeData\01.
    const QString defaultData = paths.sharesRoot + QStringLiteral("/127.0.0.1/MuhasebeData");

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Creates a demo data set: the centre 01 and the branches 02 and 03, each with Cari, Stok, Fatura and "
        "Index databases, and the terminal's local stock databases in the program folder."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption itemsOption(QStringList {QStringLiteral("items"), QStringLiteral("n")},
        QStringLiteral("Stock cards per database set (default 300)."), QStringLiteral("N"), QStringLiteral("300"));
    const QCommandLineOption dataOption(QStringLiteral("data"),
        QStringLiteral("The local folder that is MuhasebeData (default %1).").arg(defaultData), QStringLiteral("DIR"),
        defaultData);
    const QCommandLineOption programOption(QStringLiteral("program"),
        QStringLiteral("The terminal's program folder (default %1).").arg(paths.programFolder), QStringLiteral("DIR"),
        paths.programFolder);
    const QCommandLineOption seedOption(QStringLiteral("seed"),
        QStringLiteral("Seed of the generated data (default 1)."), QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption forceOption(QStringLiteral("force"), QStringLiteral("Replace an existing data set."));
    const QCommandLineOption serverOption(QStringLiteral("server"),
        QStringLiteral("Also load the set's books into this PostgreSQL database (a libpq connection string; "
                       "UTF-8, character type C), one schema per company; with --force they replace books there."),
        QStringLiteral("CONNINFO"));
    parser.addOptions({itemsOption, dataOption, programOption, seedOption, forceOption, serverOption});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.positionalArguments().isEmpty()) {
        err << "Unexpected argument: " << parser.positionalArguments().constFirst() << '\n';
        return 2;
    }

    DemoOptions options;
    bool numbersOk = false;
    options.itemCount = parser.value(itemsOption).toInt(&numbersOk);
    if (!numbersOk || options.itemCount < 0) {
        err << "--items needs a count of 0 or more\n";
        return 2;
    }
    options.seed = parser.value(seedOption).toUInt(&numbersOk);
    if (!numbersOk) {
        err << "--seed needs a whole number\n";
        return 2;
    }
    options.dataDirectory = parser.value(dataOption);
    options.programFolder = parser.value(programOption);
    options.overwrite = parser.isSet(forceOption);

    QElapsedTimer timer;
    timer.start();
    const DemoResult result = createDemoData(options);
    if (!result.ok) {
        err << "pusla-seed: " << result.errorText << '\n';
        return 1;
    }
    if (result.alreadyPresent) {
        out << "A data set is already there; nothing was changed (use --force to replace it):\n";
        for (const QString &file : result.files)
            out << "  " << file << '\n';
    } else {
        out << "Created " << options.itemCount << " stock cards per set in " << timer.elapsed() << " ms:\n";
        for (const QString &file : result.files)
            out << "  " << file << '\n';
    }
    if (!parser.isSet(serverOption))
        return 0;

    try {
        PgConnection db(parser.value(serverOption));
        for (const QString &company : QStringList {QStringLiteral("01")} + options.branches) {
            const serverload::LoadResult loaded = serverload::loadCompany(db, options.dataDirectory + u'/' + company,
                options.dataDirectory + QStringLiteral("/FatNo.txt"), company, options.overwrite);
            if (!loaded.ok) {
                err << "pusla-seed: " << company << ": " << loaded.errorText << '\n';
                return 1;
            }
            out << "Loaded the books of " << company << " into the server.\n";
        }
    } catch (const DbError &error) {
        err << "pusla-seed: " << error.text() << '\n';
        return 1;
    }
    return 0;
}
