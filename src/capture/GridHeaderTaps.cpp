#include "capture/GridHeaderTaps.h"

#include "base/Pause.h"
#include "capture/ItemGrids.h"
#include "capture/QuantityEntry.h"
#include "capture/WorkingListModel.h"
#include "forms/Controls.h"
#include "forms/TerminalForm.h"
#include "forms/TerminalState.h"
#include "store/DataControl.h"
#include "store/DbError.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QTableView>

namespace pusla {

namespace {

const QString kOrderBy = QStringLiteral(" ORDER BY");

/// The record source with its last sort clause, direction and all, replaced
/// by one on `field`; a source without one gets it appended.
QString sortedSource(const QString &source, const QString &field, bool descending)
{
    const qsizetype clause = source.lastIndexOf(kOrderBy, -1, Qt::CaseInsensitive);
    const QString kept = clause >= 0 ? source.left(clause) : source;
    return kept + kOrderBy + u' ' + field + (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
}

} // namespace

GridHeaderTaps::GridHeaderTaps(TerminalForm &form, QuantityEntry &entry, WorkingListModel &capture,
                               WorkingListModel &review)
    : QObject(&form)
    , m_form(form)
    , m_entry(entry)
    , m_capture(capture)
{
    connect(form.DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &GridHeaderTaps::captureHeaderClick);
    connect(form.DBGrid2->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this, &review](int column) { sortByColumn(review, column); });
}

void GridHeaderTaps::captureHeaderClick(int column)
{
    // A second tap while the caption shows would take the caption for the typed text.
    if (m_flashing)
        return;
    const QScopedValueRollback flashing(m_flashing, true);
    const Services &services = m_form.services();
    TextBox &box = *m_form.Text2;

    m_form.state().setHeaderClick(true);
    const QString typed = box.text();
    services.program.doEvents();
    box.setAlignment(Qt::AlignCenter);
    if (column == ItemGrids::CaptureMiktar) {
        box.setText(QStringLiteral("Miktar"));
        m_entry.setEntryMode(QuantityEntry::EntryMode::Quantity);
    } else if (column == ItemGrids::CaptureFiyat) {
        box.setText(QStringLiteral("Fiyat"));
        m_entry.setEntryMode(QuantityEntry::EntryMode::Price);
    }
    pauseWithEvents(services, 1.0);
    box.setAlignment(Qt::AlignRight);
    box.setText(typed);
    m_form.state().setHeaderClick(false);

    if (!m_form.isUnloaded())
        sortByColumn(m_capture, column);
}

void GridHeaderTaps::sortByColumn(const WorkingListModel &model, int column)
{
    if (column < 0 || column >= model.columnCount())
        return;
    DataControl &control = model.dataControl();
    const QString before = control.recordSource();
    control.setRecordSource(sortedSource(before, QString(model.column(column).field), m_descendingNext));
    m_descendingNext = !m_descendingNext;
    try {
        control.refresh();
    } catch (const DbError &) {
        // The grids tell nothing: the list stays in the order it had.
        control.setRecordSource(before);
        try {
            control.refresh();
        } catch (const DbError &) {
        }
    }
}

} // namespace pusla
