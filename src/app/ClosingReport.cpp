#include "app/ClosingReport.h"

#include "base/Clock.h"
#include "base/FileNames.h"
#include "base/PathMapper.h"
#include "data/CountReport.h"
#include "data/DataRoutines.h"
#include "forms/Controls.h"
#include "forms/TerminalForm.h"
#include "store/DataControl.h"
#include "store/DbError.h"
#include "ui/DesktopEntry.h"

#include <QFileInfo>
#include <QGroupBox>

namespace pusla {

void leaveCountReport(TerminalForm &form)
{
    // The role panel still up: no role was chosen, no list was worked on.
    if (form.Frame4->isVisibleTo(&form) || form.DataTemp->databaseName().isEmpty())
        return;
    const Services &services = form.services();
    const QString title = form.Combo1->text();
    const CountReport report(services.paths, services.formats);

    QByteArray block;
    try {
        RefreshData(*form.DataTemp);
        if (form.DataTemp->recordset().recordCount() == 0)
            return;
        block = report.block(form.DataTemp->recordset(), services.clock.now());
    } catch (const DbError &error) {
        qWarning("the count report of %s was not written, the working list cannot be read: %s",
            qUtf8Printable(title), qUtf8Printable(error.text()));
        return;
    }
    const QString failure = report.append(title, block);
    const QString file = report.fileFor(title);
    if (!failure.isEmpty())
        qWarning("the count report %s was not written: %s", qUtf8Printable(file), qUtf8Printable(failure));

    // A shortcut is made to a report there is, this closing's or an earlier one's.
    if (!QFileInfo(file).isFile())
        return;
    const QString name = safeFileName(title);
    const DesktopEntry entry {
        name, QStringLiteral("Shortcut to ") + name + QStringLiteral(".txt"), file, report.folder()};
    const QString entryFailure = entry.save(services.paths.paths().desktopFolder);
    if (!entryFailure.isEmpty())
        qWarning("the desktop entry of the count report %s was not made: %s", qUtf8Printable(file),
            qUtf8Printable(entryFailure));
}

} // namespace pusla
