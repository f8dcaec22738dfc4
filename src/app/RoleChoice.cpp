#include "app/RoleChoice.h"

#include "forms/FailureMessages.h"
#include "forms/CopyDatabase.h"
#include "data/SettingKeys.h"
#include "forms/TerminalForm.h"
#include "capture/GridLayout.h"
#include "data/DataRoutines.h"
#include "data/DatabaseFailure.h"
#include "data/DatabaseSet.h"
#include "data/SharePath.h"
#include "data/Schema.h"
#include "data/WorkingPlace.h"
#include "forms/ChoiceIndexes.h"
#include "modes/Selection.h"
#include "store/DataControl.h"
#include "store/DbError.h"
#include "base/Dialogs.h"
#include "store/LockFile.h"
#include "base/PathMapper.h"
#include "base/Program.h"
#include "base/RegionalFormat.h"
#include "base/SettingsStore.h"
#include "data/ServerBooks.h"
#include "data/StoreSettings.h"
#include "store/SharedConnection.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "posting/PendingPosting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>


namespace pusla {

RoleChoice::RoleChoice(TerminalForm &form, Selection &selection, GridLayout &gridLayout)
    : m_form(form)
    , m_selection(selection)
    , m_gridLayout(gridLayout)
{
}

void RoleChoice::choose(int index)
{
    m_form.Label6->setText(m_form.Option1[index]->text());
    m_form.state().setRole(index);
    readServerAddress();
    if (index == kExitRole) {
        m_form.unloadForm();
        return;
    }
    if (!useStore())
        return;
    useSharedFolder();
    settlePendingPosting(m_form.services(), false);
    if (index == kServerRole)
        prepareServerSide();
    if (!openDatabaseSet())
        return;
    if (!checkWorkingPlace()) {
        m_form.state().setRole(TerminalState::kNone);
        return;
    }
    const Services &services = m_form.services();
    const QString kind = services.settings.getSetting(services.program.exeName(), settingkeys::Section,
                                                      settingkeys::OperationKind, settingkeys::DefaultOperationKind);
    m_form.Command4->setEnabled(true);
    // Only the two menu items are a choice; anything else stored reads as
    // Depo, the default. A kind beyond the menu would show "Cari İşlemler"
    // over a list that no posting could rely on.
    const double item = services.formats.textToNumber(kind).value_or(kDepo);
    m_selection.SbCr_Click(item == kCari ? kCari : kDepo);
    if (services.program.hasEnded())
        return;
    positionStockList();
    // The review panel's layout last, so that its widths stand when both files are there.
    for (const QString &suffix : {QStringLiteral("2"), QStringLiteral("3")})
        m_gridLayout.LoadGridLayout(suffix);
    fillWheelList();
    m_form.Frame4->hide();
}

void RoleChoice::readServerAddress()
{
    // Ctrl held at the choice means the local server, whatever is stored; the
    // stored address stays as it is.
    const Services &services = m_form.services();
    if (services.program.isCtrlDown()) {
        m_form.state().setDataPath(settingkeys::DefaultServerAddress);
        return;
    }
    m_form.state().setDataPath(services.settings.getSetting(services.program.exeName(), settingkeys::Section,
        settingkeys::ServerAddress, settingkeys::DefaultServerAddress));
}

bool RoleChoice::useStore()
{
    const Services &services = m_form.services();
    const StoreSettings store = StoreSettings::read(services.settings, services.program.exeName());
    if (!store.problem.isEmpty()) {
        // The administrator's mistake; the operator can only call them.
        qWarning("the books' store cannot be used: %s", qUtf8Printable(store.problem));
        services.dialogs.messageBox(QStringLiteral("MuhasebeData Directory ile Bağlantı kurulamadı..."));
        services.program.endAtOnce();
        return false;
    }
    serverbooks::route(store);
    return true;
}

void RoleChoice::useSharedFolder()
{
    const Services &services = m_form.services();
    const QString &dataPath = m_form.state().dataPath();
    const auto folder = services.paths.toLocal(dataPath.left(dataPath.lastIndexOf(QLatin1Char('\\'))));
    if (!folder || !QFileInfo(*folder).isDir())
        return; // the set cannot be opened either; that is reported below
    SharedConnection::setAnchorFolder(*folder);
    const QString other = foreignSharePath(*folder);
    if (other.isEmpty())
        return;
    qWarning("the data folder is %s here, but another terminal reached it as %s",
        qUtf8Printable(*folder), qUtf8Printable(other));
    services.dialogs.messageBox(
        QStringLiteral("Veri klasörü bu terminalde %1 yolundan görülüyor, başka bir terminal onu %2 yolundan "
                       "görmüş.\nYarım kalan bir kaydın geri alınabilmesi için her terminal paylaşımı aynı yerel "
                       "yoldan görmelidir. Yol bilerek değiştiyse yöneticiniz %3 dosyasını silsin.")
            .arg(*folder, other, QDir(*folder).filePath(QString(schema::files::SharePathRecord))));
}

void settlePendingPosting(const Services &services, bool quiet)
{
    QString why;
    switch (PendingPosting(services.paths, services.program.folder()).settle(&why)) {
    case PendingPosting::Outcome::Posted:
        if (!quiet)
            services.dialogs.messageBox(QString::fromUtf8(kEarlierDocumentPosted));
        break;
    case PendingPosting::Outcome::NotPosted:
        if (!quiet)
            services.dialogs.messageBox(
                QStringLiteral("Son belge kaydedilmemişti; satırları çalışma listesinde duruyor, yeniden "
                               "onaylayabilirsiniz."));
        break;
    case PendingPosting::Outcome::Unknown:
        qWarning("the last document's posting is not settled: %s", qUtf8Printable(why));
        if (!quiet)
            services.dialogs.messageBox(
                QStringLiteral("Son belgenin kaydedilip kaydedilmediği anlaşılamadı.\n%1\n"
                               "Bir sonraki onayda yeniden sorulacak.")
                    .arg(why));
        break;
    case PendingPosting::Outcome::None:
        break;
    }
}

void RoleChoice::prepareServerSide()
{
    const Services &services = m_form.services();
    const QString folder = services.program.folder();
    // Lock files left by a crashed program go; one that a running program
    // holds stays, and then its database is in use and is not replaced.
    removeStaleLockFiles(services.paths, folder);
    if (lockFileExists(services.paths, folder + QStringLiteral("\\Temp.ldb")))
        return;
    const QString target = folder + QLatin1Char('\\') + QString(schema::files::Temp);
    if (const auto local = services.paths.toLocal(target); local && QFile::exists(*local))
        QFile::remove(*local);
    CopyDatabase(m_form, m_form.state().dataPath() + QStringLiteral("Stok.Mdb"), target);
}

bool RoleChoice::openDatabaseSet()
{
    const Services &services = m_form.services();
    const QString dataPath = m_form.state().dataPath();
    try {
        pusla::openDatabaseSet(m_form.dataControls(), dataPath, services.program.folder());
        // Where the books are, for the administrator: the server, or the folder the share maps to.
        const StoreSettings store = StoreSettings::read(services.settings, services.program.exeName());
        const QString books = store.kind == StoreSettings::Kind::Postgres
            ? QStringLiteral("on the PostgreSQL server \"%1\"").arg(store.conninfo)
            : QStringLiteral("in %1").arg(services.paths.toLocal(dataPath.left(dataPath.lastIndexOf(u'\\')))
                                              .value_or(QStringLiteral("(no local folder)")));
        qInfo("data set %s opened, its books %s", qUtf8Printable(dataPath), qUtf8Printable(books));
        return true;
    } catch (const DbError &error) {
        // A set file that is reached but damaged is no fault of the network:
        // the administrator is sent to the file.
        if (failureKind(error.number()) == FailureKind::Damaged) {
            showDatabaseFailure(services.dialogs, QStringLiteral("Muhasebe veri dosyası açılamadı."),
                error.aboutFile(dataPath + QString(schema::files::Cari)));
        } else {
            qWarning("data set %s not opened: error %d: %s", qUtf8Printable(dataPath), error.number(),
                qUtf8Printable(error.text()));
            services.dialogs.messageBox(QStringLiteral("MuhasebeData Directory ile Bağlantı kurulamadı..."));
        }
        services.program.endAtOnce();
        return false;
    }
}

bool RoleChoice::checkWorkingPlace()
{
    // No working mode may start on files that would swallow the operator's work.
    const Services &services = m_form.services();
    const QString problem = workingPlaceProblem(services.paths, services.program.folder());
    if (problem.isEmpty())
        return true;
    services.dialogs.messageBox(
        QStringLiteral("Çalışma dosyaları kullanılamıyor; çalışma başlatılmadı.\n%1").arg(problem));
    return false;
}

void RoleChoice::positionStockList()
{
    try {
        RefreshData(*m_form.DataStok);
        const Recordset &stock = m_form.DataStok->recordset();
        if (stock.absolutePosition() >= 0)
            m_form.Text1->setText(stock.field(QString(schema::StokKartlar::StokAdi)).toString());
    } catch (const DbError &) {
        // An unreachable or empty stock table leaves the scan box as it is.
    }
}

void RoleChoice::fillWheelList()
{
    ComboBox *wheel = m_form.cmbMouseWheel;
    wheel->clearEntries();
    for (const QString &direction : {QStringLiteral("Up"), QStringLiteral("Idle"), QStringLiteral("Down")})
        wheel->addEntry(direction);
    // At rest: selecting "Up" here would be a wheel step before any turn.
    wheel->setCurrentIndex(1);
}

} // namespace pusla
