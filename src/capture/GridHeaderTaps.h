#pragma once

#include <QObject>

namespace pusla {

class QuantityEntry;
class TerminalForm;
class WorkingListModel;

/// Taps on the column headers of the two grids. A tap sorts the working list
/// by the tapped column; on the capture grid it first shows the column's
/// caption in the entry box for a second, and the "Miktar" and "Fiyat"
/// headers switch the box between quantity and price entry.
class GridHeaderTaps : public QObject
{
    Q_OBJECT
public:
    GridHeaderTaps(TerminalForm &form, QuantityEntry &entry, WorkingListModel &capture, WorkingListModel &review);

    /// Re-sorts the model's data control by one of its columns. Every sort
    /// reverses the direction of the one before, on any column of either
    /// grid; the first is ascending.
    void sortByColumn(const WorkingListModel &model, int column);

private:
    void captureHeaderClick(int column);

    TerminalForm &m_form;
    QuantityEntry &m_entry;
    WorkingListModel &m_capture;
    bool m_descendingNext = false;
    bool m_flashing = false;
};

} // namespace pusla
