#pragma once

#include "ui/ProportionalLayout.h"

#include <QObject>

#include <array>

namespace pusla {

class TerminalForm;

/// The main form's resize: its controls keep their proportions
/// (ProportionalLayout over the design layout), the listed fonts grow and
/// shrink with the scan box's height, and the capture grid's first three
/// columns with the grid's width.
class MainFormResize : public QObject
{
    Q_OBJECT
public:
    /// Registers the form's design layout: call while its controls are
    /// still at their design places, whatever size the window already has.
    explicit MainFormResize(TerminalForm &form);

    /// One resize of the form, as the window system's resize event runs it.
    void formResized();

    const ProportionalLayout &layout() const { return m_layout; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scaleFonts(double factor);
    void widenColumns(double factor);

    TerminalForm &m_form;
    ProportionalLayout m_layout;
    // The scan box's height and the grid's width the fonts and columns were
    // last sized for; a pass that leaves either at zero scales nothing, so
    // that the next one scales from real sizes and nothing drifts.
    int m_fontHeight = 0;
    int m_gridWidth = 0;
    // The column widths as last set, unrounded: compounding the rounded
    // pixels would walk them away from the design in a few cycles.
    std::array<double, 3> m_columnWidths {};
    std::array<int, 3> m_columnPixels {};
};

} // namespace pusla
