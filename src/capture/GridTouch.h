#pragma once

#include <QObject>
#include <QPointF>

class QMouseEvent;
class QTableView;

namespace pusla {

class TerminalForm;
class WorkingListModel;

/// What a finger does on the two grids. A tap on a capture grid row
/// proposes that line for entry (its name into the scan box in sale mode,
/// "1" into the entry box, the focus to the entry box); a drag moves the
/// working list's current line by whole rows, as far as the finger went;
/// Enter in the capture grid asks for the next line's name; with Ctrl+Alt
/// held, dragging on the capture grid moves the window.
///
/// Positions are in twips, relative to the grid; a label's height is the
/// row unit: Label7 for the capture grid, Label6 for a drag on the review grid.
class GridTouch : public QObject
{
    Q_OBJECT
public:
    GridTouch(TerminalForm &form, WorkingListModel &capture);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void mouseDown(const QTableView &grid, const QMouseEvent &event);
    void mouseMove(const QTableView &grid, const QMouseEvent &event);
    void dragScroll(double y, double rowUnit);
    void captureRowTap();
    void reviewRowTap();
    void captureRowChange();
    /// The height of a row: Label7's.
    double rowUnit() const;

    TerminalForm &m_form;
    // Where the last press on a grid was; the review grid sets only its y.
    QPointF m_press;
    // The last Ctrl+Alt pointer move on the capture grid, and its buttons.
    QPointF m_move;
    Qt::MouseButtons m_moveButtons;
    // Set by a tap or Enter on the capture grid; the next row change shows
    // the new line's name in the scan box.
    bool m_nameOnRowChange = false;
};

} // namespace pusla
