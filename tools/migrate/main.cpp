// pusla-migrate: loads a company's books from the SQLite files of a
// MuhasebeData folder into its schema on a PostgreSQL server, and checks
// that the server holds exactly what the files hold.

#include "base/LogFormat.h"
#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "data/ServerLoad.h"
#include "data/StoreSettings.h"
#include "store/DbError.h"
#include "store/pg/PgConnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace pusla;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pusla-migrate"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PUSLA_VERSION));
    installLogFormat(QStringLiteral("pusla-migrate"));
    const QString defaultData = Paths::fromEnvironment().sharesRoot + QStringLiteral("/127.0.0.1/MuhasebeData");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Loads a company's books (NNCari.mdb, NNStok.mdb, NNFatura.mdb, NNIndex.mdb and the "
                       "counter FatNo.txt) into the schema NN of a PostgreSQL database, then compares every "
                       "table's rows and checksum on both sides. The database must be UTF-8 with the "
                       "character type C. A schema that holds rows is replaced only with --replace."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption data {QStringLiteral("data"),
        QStringLiteral("The local folder that is MuhasebeData (default %1).").arg(defaultData), QStringLiteral("DIR"),
        defaultData};
    const QCommandLineOption company {QStringLiteral("company"), QStringLiteral("The company code (default 01)."),
        QStringLiteral("NN"), QStringLiteral("01")};
    const QCommandLineOption server {QStringLiteral("server"),
        QStringLiteral("A libpq connection string, e.g. \"host=books.local dbname=pusla user=pusla\"; the "
                       "password from ~/.pgpass or PGPASSWORD. Default: the [Store] conninfo of pusla.conf."),
        QStringLiteral("CONNINFO")};
    const QCommandLineOption replace {QStringLiteral("replace"), QStringLiteral("Replace books already there.")};
    parser.addOptions({data, company, server, replace});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QString conninfo = parser.value(server);
    if (conninfo.isEmpty()) {
        const Paths paths = Paths::fromEnvironment();
        const StoreSettings store = StoreSettings::read(SettingsStore(paths.configFolder), QStringLiteral("pusla"));
        if (store.kind != StoreSettings::Kind::Postgres || !store.problem.isEmpty()) {
            err << "pusla-migrate: give --server, or set [Store] kind=postgresql and conninfo in pusla.conf"
                << (store.problem.isEmpty() ? QString() : QStringLiteral(" (") + store.problem + u')') << '\n';
            return 2;
        }
        conninfo = store.conninfo;
    }
    try {
        PgConnection db(conninfo);
        const QString folder = parser.value(data);
        const serverload::LoadResult loaded = serverload::loadCompany(db, folder + u'/' + parser.value(company),
            folder + QStringLiteral("/FatNo.txt"), parser.value(company), parser.isSet(replace));
        for (const serverload::TableCheck &table : loaded.tables)
            out << table.table << '\t' << table.rows << '\t' << QString::fromLatin1(table.checksum) << '\n';
        if (!loaded.ok) {
            err << "pusla-migrate: " << loaded.errorText << '\n';
            return 1;
        }
        out << "The server holds the company's books exactly.\n";
    } catch (const DbError &error) {
        err << "pusla-migrate: " << error.text() << '\n';
        return 1;
    }
    return 0;
}
