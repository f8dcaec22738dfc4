#include "capture/WheelScroll.h"

#include "capture/IgnoringErrors.h"
#include "data/DataRoutines.h"
#include "forms/Controls.h"
#include "forms/TerminalForm.h"
#include "store/DataControl.h"

#include <QGroupBox>
#include <QTableView>
#include <QWheelEvent>

namespace pusla {

namespace {

// One notch of an ordinary wheel.
constexpr int kStepAngle = 120;

} // namespace

WheelScroll::WheelScroll(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
    for (QTableView *grid : {form.DBGrid1, form.DBGrid2})
        grid->viewport()->installEventFilter(this);
    connect(form.cmbMouseWheel, &ComboBox::clickEvent, this, &WheelScroll::cmbMouseWheel_Click);
}

bool WheelScroll::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    // The grids do not scroll by themselves: the working list moves, and they follow it.
    if (m_form.isActiveWindow())
        turn(static_cast<QWheelEvent *>(event)->angleDelta().y());
    return true;
}

void WheelScroll::turn(int angle)
{
    m_pendingAngle += angle;
    while (m_pendingAngle >= kStepAngle || m_pendingAngle <= -kStepAngle) {
        const bool up = m_pendingAngle > 0;
        m_pendingAngle += up ? -kStepAngle : kStepAngle;
        m_form.cmbMouseWheel->setListIndex(up ? Up : Down);
    }
}

void WheelScroll::cmbMouseWheel_Click()
{
    Recordset &lines = m_form.DataTemp->recordset();
    const int direction = m_form.cmbMouseWheel->listIndex();
    ignoringErrors([&] {
        if (direction == Down) {
            if (lines.eof())
                lines.moveLast();
            else
                lines.moveNext();
        } else if (direction == Up) {
            if (lines.bof())
                lines.moveFirst();
            else
                lines.movePrevious();
        }
    });
    ignoringErrors([&] {
        if (m_form.Frame3->isHidden() && lines.absolutePosition() != -1)
            m_form.Text1->setText(currentLineName(*m_form.DataTemp));
    });
    // Resting on "Idle", the next step either way is a change of the list again.
    m_form.cmbMouseWheel->setCurrentIndex(Idle);
}

} // namespace pusla
