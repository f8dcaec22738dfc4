#include "capture/GridTouch.h"

#include "capture/IgnoringErrors.h"
#include "capture/WorkingListModel.h"
#include "data/DataRoutines.h"
#include "forms/ChoiceIndexes.h"
#include "forms/Controls.h"
#include "forms/TerminalForm.h"
#include "forms/TerminalState.h"
#include "forms/Twips.h"
#include "store/DataControl.h"
#include "store/DbError.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>

#include <cmath>

namespace pusla {

namespace {

QPointF inTwips(const QTableView &grid, const QMouseEvent &event)
{
    // Relative to the grid as a whole, header included, as the press is.
    const QPointF local = grid.viewport()->mapTo(&grid, event.position());
    return {local.x() * kTwipsPerPixel, local.y() * kTwipsPerPixel};
}

} // namespace

GridTouch::GridTouch(TerminalForm &form, WorkingListModel &capture)
    : QObject(&form)
    , m_form(form)
{
    for (QTableView *grid : {form.DBGrid1, form.DBGrid2})
        grid->viewport()->installEventFilter(this);
    form.DBGrid1->installEventFilter(this);
    connect(form.DBGrid1, &QTableView::clicked, this, &GridTouch::captureRowTap);
    connect(form.DBGrid2, &QTableView::clicked, this, &GridTouch::reviewRowTap);
    connect(&capture, &WorkingListModel::currentRowChanged, this, &GridTouch::captureRowChange);
}

bool GridTouch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form.DBGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_nameOnRowChange = true;
            return true;
        }
        return false;
    }
    const QTableView *grid = watched == m_form.DBGrid1->viewport() ? m_form.DBGrid1
                           : watched == m_form.DBGrid2->viewport() ? m_form.DBGrid2
                                                                   : nullptr;
    if (!grid)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        mouseDown(*grid, *static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseMove:
        mouseMove(*grid, *static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonRelease:
        dragScroll(inTwips(*grid, *static_cast<QMouseEvent *>(event)).y(),
                   grid == m_form.DBGrid1 ? rowUnit() : pixelsToTwips(m_form.Label6->height()));
        break;
    default:
        break;
    }
    return false;
}

void GridTouch::mouseDown(const QTableView &grid, const QMouseEvent &event)
{
    const QPointF at = inTwips(grid, event);
    if (&grid == m_form.DBGrid1)
        m_press = at;
    else
        m_press.setY(at.y());
}

void GridTouch::mouseMove(const QTableView &grid, const QMouseEvent &event)
{
    if (&grid != m_form.DBGrid1 || event.modifiers() != (Qt::ControlModifier | Qt::AltModifier))
        return;
    m_move = inTwips(grid, event);
    m_moveButtons = event.buttons();
    // The grid moves with the window, so the finger stays on the same spot
    // of the grid while the window follows it.
    if (m_moveButtons != Qt::NoButton) {
        const QPointF by = (m_move - m_press) / kTwipsPerPixel;
        m_form.move(m_form.pos() + by.toPoint());
    }
}

void GridTouch::dragScroll(double y, double rowUnit)
{
    const double distance = m_press.y() - y; // positive when the finger went up
    Recordset &lines = m_form.DataTemp->recordset();
    if (distance == 0 || rowUnit <= 0)
        return;
    try {
        if (lines.recordCount() == 0)
            return;
        int rows = static_cast<int>(std::floor(distance / rowUnit + 0.49));
        const int position = lines.absolutePosition();
        if (rows < 1) {
            rows = std::abs(rows);
            if (rows == 0)
                return; // under half a row: no move
            if (position > rows)
                lines.setAbsolutePosition(position - rows);
            else
                lines.moveFirst();
        } else if (position + rows < lines.recordCount()) {
            lines.setAbsolutePosition(position + rows);
        } else {
            lines.moveLast();
        }
    } catch (const DbError &) {
        // The list changed under the finger; it stays where it is.
    }
}

void GridTouch::captureRowTap()
{
    m_nameOnRowChange = true;
    if (m_form.Text1->text().isEmpty() && m_form.state().isMode(kSale))
        ignoringErrors([&] { m_form.Text1->setText(currentLineName(*m_form.DataTemp)); });
    m_form.Text2->setText(QStringLiteral("1"));
    reviewRowTap();
    m_form.Text2->setFocus();
}

void GridTouch::reviewRowTap()
{
    ignoringErrors([&] { m_press.setY(rowUnit() * m_form.DataTemp->recordset().absolutePosition()); });
}

void GridTouch::captureRowChange()
{
    if (!m_nameOnRowChange)
        return;
    m_nameOnRowChange = false;
    ignoringErrors([&] { m_form.Text1->setText(currentLineName(*m_form.DataTemp)); });
}

double GridTouch::rowUnit() const
{
    return pixelsToTwips(m_form.Label7->height());
}

} // namespace pusla
