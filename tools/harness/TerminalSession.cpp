#include "TerminalSession.h"

#include "CrashVfs.h"
#include "FileCalls.h"
#include "Journal.h"
#include "Say.h"

#include "app/Terminal.h"
#include "app/RoleChoice.h"
#include "base/Services.h"
#include "data/SettingKeys.h"
#include "forms/TerminalForm.h"
#include "data/Schema.h"
#include "forms/ChoiceIndexes.h"
#include "base/Clock.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "base/PathMapper.h"
#include "store/Recordset.h"
#include "base/RegionalFormat.h"
#include "base/SettingsStore.h"
#include "store/SharedConnection.h"
#include "forms/Controls.h"
#include "forms/Unattended.h"
#include "forms/TerminalState.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

namespace pusla::harness {

namespace {

/// Counts the row writes and commits of the thread's connection while a
/// posting runs, and ends the process at the chosen one, as a power cut would.
struct CrashPoint
{
    bool armed = false;
    qint64 seen = 0;
    qint64 target = 0;

    void count()
    {
        if (!armed)
            return;
        ++seen;
        if (target > 0 && seen >= target) {
            say(QStringLiteral("crash at write %1").arg(seen));
            ::_exit(kCrashExitCode);
        }
    }
};

CrashPoint g_crash;

/// Journals the key that the terminal's posting marker names as soon as the
/// marker is in place, and again as a commit of a posting begins: a document
/// that landed had its key journaled first. (Books on a server commit
/// without a file commit that the harness could see.)
struct KeyWatch
{
    Journal *journal = nullptr;
    QString markerPath;
    QString lastKey;

    void journalMarkerKey()
    {
        QFile marker(markerPath);
        if (!journal || !marker.open(QIODevice::ReadOnly))
            return;
        const QStringList lines = QString::fromUtf8(marker.readAll()).split(u'\n');
        const QString key = lines.value(0).trimmed();
        if (key.isEmpty() || key == lastKey)
            return;
        lastKey = key;
        journal->key(key, lines.value(1).trimmed());
    }
};

KeyWatch g_keys;

void onRowWrite(void *, int, const char *, const char *, sqlite3_int64)
{
    g_crash.count();
}

int onCommit(void *)
{
    if (g_crash.armed)
        g_keys.journalMarkerKey();
    g_crash.count();
    return 0;
}

double round2(double value)
{
    return std::round(value * 100.0) / 100.0;
}

struct Item
{
    QString code;
    double salePrice = 0;
    double purchasePrice = 0;
    double vatRate = 0;
};

struct WorkingRow
{
    double quantity = 0;
    double amount = 0;
};

class Station
{
public:
    Station(const SessionOptions &options, const Paths &paths, const QString &host)
        : m_options(options)
        , m_program(paths.programFolder)
        , m_settings(paths.configFolder)
        , m_mapper(paths)
        , m_formats(QLocale(QLocale::Turkish, QLocale::Turkey))
        , m_services {m_dialogs, m_program, m_clock, m_settings, m_mapper, m_formats}
        , m_journal(paths.programFolder)
        , m_random(options.seed)
        , m_host(host)
    { }

    SessionResult run()
    {
        const bool depo = m_options.kind == DocumentKind::Depo || m_options.kind == DocumentKind::DepoPurchase;
        m_settings.saveSetting(m_program.exeName(), settingkeys::Section, settingkeys::OperationKind,
            depo ? QStringLiteral("0") : QStringLiteral("1"));
        m_settings.saveSetting(m_program.exeName(), settingkeys::Section, settingkeys::ServerAddress,
            QStringLiteral("\\\\%1\\MuhasebeData\\01").arg(m_host));
        const bool pending = QFileInfo::exists(markerPath());
        m_terminal = std::make_unique<Terminal>(m_services);
        m_form = &m_terminal->form();
        m_form->show();
        // The form settles a posting left under way as it loads; what it did
        // shows before the role choice resets the working list anyway.
        if (pending && m_options.settleOnly)
            m_journal.settled(settlement());
        m_form->Option1[kUserRole]->setValue(true);
        if (m_program.hasEnded()) {
            m_result.error = QStringLiteral("the terminal ended at the role choice: ") + m_dialogs.messages.join(u' ');
            return m_result;
        }
        if (m_options.settleOnly) {
            openEveryFile();
            m_form->close();
            m_form = nullptr;
            m_terminal.reset();
            return m_result;
        }
        try {
            readItems();
        } catch (const DbError &error) {
            m_result.error = QStringLiteral("the working list cannot be read: ") + error.text();
            return m_result;
        }
        if (m_items.size() < m_options.lines) {
            m_result.error = QStringLiteral("the working list has %1 items, %2 lines are wanted")
                                 .arg(m_items.size())
                                 .arg(m_options.lines);
            return m_result;
        }
        g_crash.target = m_options.crashAfterWrites;
        g_keys.journal = &m_journal;
        g_keys.markerPath = markerPath();
        watchRenames([](const char *to) {
            if (g_crash.armed && QFile::decodeName(to) == g_keys.markerPath)
                g_keys.journalMarkerKey();
        });

        say(QStringLiteral("ready"));
        for (int i = 1; i <= m_options.documents; ++i)
            postOne(i);
        g_keys.journal = nullptr;
        m_form->close();
        m_form = nullptr;
        m_terminal.reset();
        return m_result;
    }

private:
    int modeBox() const
    {
        const bool purchase
            = m_options.kind == DocumentKind::CariPurchase || m_options.kind == DocumentKind::DepoPurchase;
        return purchase ? kPurchase : kSale;
    }
    bool purchase() const { return modeBox() == kPurchase; }
    QString workingList() const { return m_program.folder() + QStringLiteral("\\Temp.Mdb"); }

    QString markerPath() const
    {
        return QDir(m_mapper.paths().programFolder).filePath(QString(schema::files::PendingMarker));
    }

    Journal::Settlement settlement()
    {
        if (QFileInfo::exists(markerPath()))
            return Journal::Settlement::Pending;
        try {
            const QHash<QString, WorkingRow> rows = readWorkingList();
            const bool reset = std::all_of(rows.cbegin(), rows.cend(),
                [](const WorkingRow &row) { return row.quantity == 0 && row.amount == 0; });
            return reset ? Journal::Settlement::Reset : Journal::Settlement::Kept;
        } catch (const DbError &) {
            return Journal::Settlement::Pending;
        }
    }

    /// Opens each database file of the data directory through the program's
    /// database layer and reads it: the first terminal to do so after a crash
    /// rolls back what the crashed one left half written.
    void openEveryFile()
    {
        using namespace schema;
        const std::array<std::pair<Name, Name>, 4> tables {{{files::Cari, CariKartlar::Table},
            {files::Stok, StokKartlar::Table}, {files::Fatura, Faturalar::Table}, {files::Index, Mdbindex::Table}}};
        for (const QString &name : QDir(m_options.dataDirectory).entryList(QDir::Files)) {
            for (const auto &[suffix, table] : tables) {
                if (!name.endsWith(suffix, Qt::CaseInsensitive))
                    continue;
                try {
                    Database file = Database::open(
                        m_mapper, QStringLiteral("\\\\%1\\%2\\%3").arg(m_host, DataDirectoryName, name));
                    // Reading takes the file's read lock: that is when a hot journal is rolled back.
                    file.openRecordset(QString(table))->eof();
                    file.close();
                } catch (const DbError &error) {
                    m_result.error = QStringLiteral("%1 cannot be opened: %2").arg(name, error.text());
                }
            }
        }
    }

    void readItems()
    {
        Database working = Database::open(m_mapper, workingList());
        std::unique_ptr<Recordset> rows = working.openRecordset(
            QStringLiteral("Select StokKod, Fiyat, gFiyat, Kdv From StokKartlar Where StokGizle=False"));
        while (!rows->eof()) {
            m_items.append(
                {rows->field(QStringLiteral("StokKod")).toString(), rows->field(QStringLiteral("Fiyat")).toDouble(),
                    rows->field(QStringLiteral("gFiyat")).toDouble(), rows->field(QStringLiteral("Kdv")).toDouble()});
            rows->moveNext();
        }
        rows.reset();
        working.close();
    }

    QHash<QString, WorkingRow> readWorkingList()
    {
        QHash<QString, WorkingRow> rows;
        Database working = Database::open(m_mapper, workingList());
        std::unique_ptr<Recordset> records
            = working.openRecordset(QStringLiteral("Select StokKod, KalanB, GirenTutar From StokKartlar"));
        while (!records->eof()) {
            rows.insert(records->field(QStringLiteral("StokKod")).toString(),
                {records->field(QStringLiteral("KalanB")).toDouble(),
                    records->field(QStringLiteral("GirenTutar")).toDouble()});
            records->moveNext();
        }
        records.reset();
        working.close();
        return rows;
    }

    QList<JournalLine> pickLines()
    {
        QList<JournalLine> lines;
        QList<int> chosen;
        while (lines.size() < m_options.lines) {
            const int index = static_cast<int>(m_random.bounded(static_cast<quint32>(m_items.size())));
            if (chosen.contains(index))
                continue;
            chosen << index;
            const Item &item = m_items[index];
            JournalLine line;
            line.code = item.code;
            line.quantity = m_random.bounded(1, 20) / 2.0;
            const double price = purchase() ? item.purchasePrice : item.salePrice;
            line.amount = round2(line.quantity * (price > 0 ? price : 1.0));
            if (m_options.kind == DocumentKind::Invoice)
                line.vat = round2(line.amount * item.vatRate / 100.0);
            lines << line;
        }
        return lines;
    }

    void layLines(const QList<JournalLine> &lines)
    {
        Database working = Database::open(m_mapper, workingList());
        for (const JournalLine &line : lines) {
            const double price = line.amount / line.quantity;
            working.execute(
                QStringLiteral("UPDATE StokKartlar SET KalanB=%1, Fiyat=%2, GirenTutar=%3, Kar=%4 "
                               "WHERE StokKod='%5'")
                    .arg(QString::number(line.quantity, 'g', 17), QString::number(price, 'g', 17),
                        QString::number(line.amount, 'g', 17), QString::number(line.vat, 'g', 17), line.code));
        }
        working.close();
    }

    void postOne(int number)
    {
        const int box = modeBox();
        if (m_form->Check1[box]->value() == 0)
            m_form->Check1[box]->setValue(1);
        m_form->Command7->setValue(true);

        JournalDocument document;
        document.kind = kindName(m_options.kind);
        document.set = m_form->state().dataPath().right(2);
        document.account = m_form->Combo1->text();
        document.lines = pickLines();
        const QList<JournalLine> &lines = document.lines;
        m_journal.begin(document);
        try {
            layLines(lines);
        } catch (const DbError &error) {
            m_result.error = QStringLiteral("lines cannot be laid: ") + error.text();
            return;
        }
        m_journal.armed();

        const qsizetype before = m_dialogs.messages.size();
        if (m_options.kind == DocumentKind::Invoice)
            m_form->FatCmd->setValue(true);
        else
            m_form->Command4->setValue(true);
        if (m_form->Frame3->isHidden()) {
            fail(number, QStringLiteral("the review did not open"));
        } else {
            // The connection may have been opened anew since the last document,
            // when the selection let go of every file: watch the one that posts,
            // and hold it while it does.
            const std::shared_ptr<SharedConnection> connection
                = SharedConnection::forThisThread(m_mapper.paths().programFolder);
            sqlite3_update_hook(connection->handle(), onRowWrite, nullptr);
            sqlite3_commit_hook(connection->handle(), onCommit, nullptr);
            g_crash.seen = 0;
            g_crash.armed = true;
            armCrashVfs(m_options.crashAtFileOperation, kCrashExitCode, m_options.fileFault, m_options.seed);
            m_form->Command8[1]->setValue(true);
            m_result.lastFileOperations = disarmCrashVfs();
            g_crash.armed = false;
            sqlite3_update_hook(connection->handle(), nullptr, nullptr);
            sqlite3_commit_hook(connection->handle(), nullptr, nullptr);
            m_result.lastWrites = g_crash.seen;
            if (m_dialogs.messages.size() > before)
                fail(number, m_dialogs.messages.back());
            else
                succeed(number);
        }
        checkWorkingList(number, lines);
        if (m_form->Check1[box]->value() != 0)
            m_form->Check1[box]->setValue(0);
    }

    void succeed(int number)
    {
        m_journal.posted();
        ++m_result.posted;
        m_lastPosted = true;
        say(QStringLiteral("posted %1 writes %2 io %3")
                .arg(number)
                .arg(m_result.lastWrites)
                .arg(m_result.lastFileOperations));
    }

    void fail(int number, const QString &message)
    {
        m_journal.failed(message);
        ++m_result.failed;
        m_lastPosted = false;
        const QString oneLine = QString(message).replace(u'\n', u' ');
        m_result.failures << oneLine;
        say(QStringLiteral("failed %1: %2").arg(number).arg(oneLine));
    }

    /// A posted document empties the working list; a failed one leaves every
    /// line as it was. A reset that failed after the books' commit leaves the
    /// marker, and the next settlement finishes it: the verification checks
    /// the list once the terminal has come back.
    void checkWorkingList(int number, const QList<JournalLine> &lines)
    {
        if (m_lastPosted && QFileInfo::exists(QDir(m_options.programFolder).filePath(QString(schema::files::PendingMarker)))) {
            say(QStringLiteral("reset pending %1").arg(number));
            return;
        }
        QHash<QString, WorkingRow> rows;
        try {
            rows = readWorkingList();
        } catch (const DbError &error) {
            m_result.violations
                << QStringLiteral("document %1: working list unreadable: %2").arg(number).arg(error.text());
            return;
        }
        QHash<QString, WorkingRow> expected;
        if (!m_lastPosted) {
            for (const JournalLine &line : lines)
                expected.insert(line.code, {line.quantity, line.amount});
        }
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            const WorkingRow want = expected.value(it.key());
            if (std::fabs(it->quantity - want.quantity) > 1e-9 || std::fabs(it->amount - want.amount) > 1e-9) {
                const QString text = QStringLiteral("document %1 (%2): working list line %3 holds %4/%5 after the "
                                                    "posting, expected %6/%7")
                                         .arg(number)
                                         .arg(m_lastPosted ? QStringLiteral("posted") : QStringLiteral("failed"))
                                         .arg(it.key())
                                         .arg(it->quantity)
                                         .arg(it->amount)
                                         .arg(want.quantity)
                                         .arg(want.amount);
                m_result.violations << text;
                say(QStringLiteral("violation: ") + text);
                return;
            }
        }
    }

    const SessionOptions &m_options;
    RecordingDialogs m_dialogs;
    UnattendedProgram m_program;
    SystemClock m_clock;
    SettingsStore m_settings;
    PathMapper m_mapper;
    RegionalFormat m_formats;
    Services m_services;
    Journal m_journal;
    QRandomGenerator m_random;
    QString m_host;
    std::unique_ptr<Terminal> m_terminal;
    TerminalForm *m_form = nullptr;
    QList<Item> m_items;
    SessionResult m_result;
    bool m_lastPosted = false;
};

} // namespace

namespace {

constexpr std::array<std::pair<DocumentKind, const char *>, 5> kKindNames {{
    {DocumentKind::Invoice, "invoice"},
    {DocumentKind::CariSale, "cari-sale"},
    {DocumentKind::CariPurchase, "cari-purchase"},
    {DocumentKind::Depo, "depo"},
    {DocumentKind::DepoPurchase, "depo-purchase"},
}};

} // namespace

std::optional<DocumentKind> documentKind(const QString &name)
{
    for (const auto &[kind, text] : kKindNames) {
        if (name == QLatin1String(text))
            return kind;
    }
    return std::nullopt;
}

QString kindName(DocumentKind kind)
{
    for (const auto &[listed, text] : kKindNames) {
        if (listed == kind)
            return QLatin1String(text);
    }
    return {};
}

QString settingsFolder(const QString &programFolder)
{
    return programFolder + QStringLiteral("/.harness-settings");
}

SessionResult runTerminal(const SessionOptions &options)
{
    // The data directory stands behind \\HOST\MuhasebeData: its parent names the host.
    const QDir data(QDir(options.dataDirectory).absolutePath());
    SessionResult failed;
    if (data.dirName().compare(QLatin1String("MuhasebeData"), Qt::CaseInsensitive) != 0) {
        failed.error = QStringLiteral("the data directory must be named MuhasebeData: ") + data.path();
        return failed;
    }
    QDir hostDir = data;
    hostDir.cdUp();
    QDir shares = hostDir;
    shares.cdUp();
    Paths paths;
    paths.programFolder = QDir(options.programFolder).absolutePath();
    paths.sharesRoot = shares.path();
    paths.driveRoots.insert(u'C', paths.programFolder);
    paths.configFolder = settingsFolder(paths.programFolder);
    QDir().mkpath(paths.configFolder);
    installCrashVfs();
    return Station(options, paths, hostDir.dirName()).run();
}

} // namespace pusla::harness
