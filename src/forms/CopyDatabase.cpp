#include "forms/CopyDatabase.h"

#include "forms/TerminalForm.h"
#include "data/FileCopy.h"
#include "base/Dialogs.h"

#include <QProgressBar>

namespace pusla {

void CopyDatabase(TerminalForm &form, const QString &source, const QString &target)
{
    const Services &services = form.services();
    FileCopy copier(services.paths);
    copier.setSourceFile(source);
    copier.setTargetFile(target);
    copier.setByteSize(4096);
    copier.setOverwriteQuestion([&services](const QString &existing) {
        return services.dialogs.messageBox(existing + QStringLiteral(" already exists.  Overwrite?"),
                                           MessageButtons::YesNo)
            == MessageAnswer::Yes;
    });

    QProgressBar *bar = form.CopyProgress;
    bar->setValue(0);
    bar->show();
    bar->raise();
    // Repainted in place: letting events run here would let the operator
    // start something else in the middle of the copy.
    QObject::connect(&copier, &FileCopy::progress, bar, [bar](int percent) {
        if (percent == bar->value())
            return;
        bar->setValue(percent);
        bar->repaint();
    });

    qint32 errorNumber = 0;
    QString errorText;
    bool copied = false;
    {
        const BusyPointer busy(services.dialogs);
        copied = copier.copyFile(errorNumber, errorText);
    }
    bar->hide();
    if (!copied)
        services.dialogs.messageBox(QStringLiteral("Kopyalama Yapılamadı"));
}

} // namespace pusla
