#pragma once

#include "ui/ProportionalLayout.h"

#include <QHash>
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
    /// A size that follows a measure (the scan box's height, the grid's
    /// width): the size last set from outside, times the measure's change
    /// since. Compounding each resize's factor on the last size comes to
    /// the same, but only this comes back exactly to where it started.
    struct Follower
    {
        double from = 0;
        int measure = 0;
        double set = -1;
        double follow(double current, bool setFromOutside, int previousMeasure, int newMeasure);
    };

    void scaleFonts(int previousHeight, int height);
    void scaleFont(QWidget *control, int previousHeight, int height);
    void widenColumns(int previousWidth, int width);

    TerminalForm &m_form;
    ProportionalLayout m_layout;
    // The scan box's height and the grid's width the fonts and columns were
    // last sized for; a pass that leaves either at zero scales nothing, so
    // that the next one scales from real sizes and nothing drifts.
    int m_fontHeight = 0;
    int m_gridWidth = 0;
    QHash<const QWidget *, Follower> m_fonts;
    std::array<Follower, 3> m_columns;
};

} // namespace pusla
