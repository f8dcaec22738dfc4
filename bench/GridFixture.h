#pragma once

// The real main form over a generated working list, for the grid benchmarks.

#include "app/Terminal.h"
#include "base/Clock.h"
#include "base/PathMapper.h"
#include "base/RegionalFormat.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "data/DataRoutines.h"
#include "data/SchemaDdl.h"
#include "forms/QtProgram.h"
#include "forms/TerminalForm.h"
#include "forms/Unattended.h"
#include "store/DataControl.h"

#include <QApplication>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace pusla::bench {

constexpr int kLines = 1'000'000;

inline const QString kWorkingList = QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");

/// Writes the working database with one statement: names in a scrambled
/// order (so that the list's sort has work to do), every fiftieth card
/// hidden. The lookup indexes are left out; the grid does not use them.
inline bool writeWorkingList(const QString &path, int lines, QString *errorText)
{
    schema::ScopedConnection connection(path);
    if (!connection.open(errorText)
        || !schema::createTables(connection.database(), schema::DatabaseKind::LocalStock, errorText))
        return false;
    QSqlQuery query(connection.database());
    const QString insert = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO StokKartlar (StokKod, StokAdi, Barkod, Fiyat, Fiyat2, KalanB, KalanA, GirenTutar, StokGizle) "
        "SELECT printf('S%07d', i), printf('ÜRÜN %07d', (i * 7919) % 1000003), printf('869%010d', i), "
        "(i % 1000) * 1.25, (i % 1000) * 1.25, (i % 7) * 0.5, 0, (i % 7) * 0.5 * (i % 1000) * 1.25, "
        "CASE WHEN i % 50 = 0 THEN -1 ELSE 0 END FROM n");
    if (!query.exec(insert.arg(lines))) {
        *errorText = query.lastError().text();
        return false;
    }
    return true;
}

/// The main form with DataTemp on a working list of `lines` lines, active
/// as the operator's window.
struct GridFixture
{
    explicit GridFixture(int lines)
        : paths(Paths::underRoot(root.path()))
        , mapper(paths)
        , program(paths.programFolder)
        , settings(paths.configFolder)
        , formats(QLocale(QLocale::Turkish, QLocale::Turkey))
        , services {dialogs, program, clock, settings, mapper, formats}
    {
        for (const QString &dir : {paths.programFolder, paths.sharesRoot, paths.configFolder})
            QDir().mkpath(dir);
        if (!writeWorkingList(paths.programFolder + QStringLiteral("/Temp.Mdb"), lines, &errorText))
            return;
        terminal = new Terminal(services);
        form = &terminal->form();
        form->show();
        QApplication::setActiveWindow(form);
        QApplication::processEvents();
        form->DataTemp->setDatabaseName(paths.programFolder + QStringLiteral("\\Temp.Mdb"));
        form->DataTemp->setRecordSource(kWorkingList);
        RefreshData(*form->DataTemp);
        ready = form->DBGrid1->model()->rowCount() > lines / 2;
        if (!ready)
            errorText = QStringLiteral("the working list came out empty");
    }

    QTableView &grid() const { return *form->DBGrid1; }

    QTemporaryDir root;
    Paths paths;
    PathMapper mapper;
    RecordingDialogs dialogs;
    QtProgram program;
    SystemClock clock;
    SettingsStore settings;
    RegionalFormat formats;
    Services services;
    // Never deleted: the application object is gone by the time a static
    // fixture goes, and a widget must not be destroyed after it.
    Terminal *terminal = nullptr;
    TerminalForm *form = nullptr;
    QString errorText;
    bool ready = false;
};

/// The fixture of a list of `lines` lines, made at its first use.
inline GridFixture &fixture(int lines = kLines)
{
    static std::map<int, std::unique_ptr<GridFixture>> made;
    std::unique_ptr<GridFixture> &slot = made[lines];
    if (!slot)
        slot = std::make_unique<GridFixture>(lines);
    return *slot;
}

/// The fixture of a list of `lines` lines as the operator's active window,
/// or null with the benchmark skipped.
inline GridFixture *readyFixture(benchmark::State &state, int lines)
{
    GridFixture &f = fixture(lines);
    if (!f.ready) {
        state.SkipWithError(f.errorText.toLocal8Bit().constData());
        return nullptr;
    }
    // The wheel turns only the active window's lines.
    QApplication::setActiveWindow(f.form);
    if (!QTest::qWaitForWindowActive(f.form)) {
        state.SkipWithError("the main form did not become the active window");
        return nullptr;
    }
    return &f;
}

} // namespace pusla::bench
