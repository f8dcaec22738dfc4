#include "modes/WorkingModes.h"

#include "forms/TerminalForm.h"
#include "capture/GridLayout.h"
#include "capture/ItemGrids.h"
#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "modes/CountBuild.h"
#include "forms/ChoiceIndexes.h"
#include "modes/Selection.h"
#include "store/DataControl.h"
#include "store/DbError.h"
#include "store/LockFile.h"
#include "base/Program.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"

#include <QAction>
#include <QGroupBox>
#include <QPalette>

namespace pusla {

namespace {
// Capture grid columns that follow the mode: the stock on hand (or the
// surplus of a count) and the price.
constexpr int kStockColumn = 3;
constexpr int kPriceColumn = 4;
} // namespace

WorkingModes::WorkingModes(TerminalForm &form, ItemGrids &grids, Selection &selection, GridLayout &gridLayout)
    : QObject(&form)
    , m_form(form)
    , m_grids(grids)
    , m_selection(selection)
    , m_gridLayout(gridLayout)
{
    for (CheckBox *box : m_form.Check1)
        connect(box, &CheckBox::clickEvent, this, &WorkingModes::Check1_Click);
}

QString WorkingModes::programFile(const QString &name) const
{
    return m_form.services().program.folder() + QLatin1Char('\\') + name;
}

void WorkingModes::Check1_Click(int index)
{
    if (index < kSale || index > kPurchase)
        return;
    CheckBox *box = m_form.Check1[static_cast<std::size_t>(index)];
    TerminalState &state = m_form.state();
    if (box->value() != 0)
        state.setMode(index);
    else if (state.isMode(index))
        state.setMode(TerminalState::kNone);

    QPalette palette = m_form.Text2->palette();
    palette.setColor(QPalette::Base, Qt::white);
    m_form.Text2->setPalette(palette);

    if (index == kCount && box->value() != 0)
        enterCountMode();
    else
        bindWorkingList(QString(schema::files::Temp));
    refreshWorkingList();

    const bool switchedOn = box->value() != 0;
    if (switchedOn) {
        for (int i = kSale; i <= kPurchase; ++i) {
            if (i != index)
                m_form.Check1[static_cast<std::size_t>(i)]->hide();
        }
        m_grids.setColumnCaption(
            kStockColumn, index == kCount ? QStringLiteral("Fazla") : QStringLiteral("Stok"));
        m_grids.setColumnVisible(kPriceColumn, index != kCount);
    } else {
        showOfferedBoxes();
    }

    if (switchedOn) {
        m_form.Frame1->hide();
        m_selection.Combo1_Click();
        if (m_form.services().program.hasEnded())
            return;
    }

    const QString suffix = layoutSuffix(m_form);
    if (suffix == QLatin1String("2"))
        m_form.Text1->setFocus();
    m_gridLayout.LoadGridLayout(suffix);
}

void WorkingModes::enterCountMode()
{
    // The mode cannot change while the count database is assembled: the
    // build lets events run between the branch files.
    for (CheckBox *box : m_form.Check1)
        box->setEnabled(false);
    if (m_form.state().role() == kServerRole && !m_countBaseBuilt) {
        m_countBaseBuilt = true;
        // A count database that another program holds open is used as it is.
        if (!lockFileExists(m_form.services().paths, programFile(QStringLiteral("SayTmp.ldb"))))
            CountBuild(m_form).run();
    }
    bindWorkingList(QString(schema::files::SayTmp));
    m_form.Check1[kCount]->setText(QStringLiteral("SAYIM"));
    for (CheckBox *box : m_form.Check1)
        box->setEnabled(true);
}

void WorkingModes::showOfferedBoxes()
{
    // The grid columns stay as the last mode left them.
    m_form.Check1[kSale]->show();
    m_form.Check1[kPurchase]->show();
    if (m_form.state().operation() == kDepo)
        m_form.Check1[kCount]->show();
}

void WorkingModes::bindWorkingList(const QString &fileName)
{
    // The record source stays: the selection sets it for the mode.
    m_form.DataTemp->close();
    m_form.DataTemp->setDatabaseName(programFile(fileName));
}

void WorkingModes::refreshWorkingList()
{
    try {
        RefreshData(*m_form.DataTemp);
    } catch (const DbError &) {
        // A missing working database leaves the list empty; the mode still changes.
    }
}

} // namespace pusla
