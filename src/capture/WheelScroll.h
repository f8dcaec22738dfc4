#pragma once

#include <QObject>

namespace pusla {

class TerminalForm;

/// The mouse wheel over either grid, one line of the working list per step.
/// A turn selects "Up" or "Down" in the off-screen list cmbMouseWheel, whose
/// Click makes the step and rests the list on "Idle" again; every step shows
/// the new line's name in the scan box unless the review panel is open.
class WheelScroll : public QObject
{
    Q_OBJECT
public:
    enum Direction { Up, Idle, Down };

    explicit WheelScroll(TerminalForm &form);

    /// The list's Click: one step in the selected direction.
    void cmbMouseWheel_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void turn(int angle);

    TerminalForm &m_form;
    // What a high-resolution wheel has turned short of a whole step.
    int m_pendingAngle = 0;
};

} // namespace pusla
