#pragma once

#include <QObject>

class QTableView;

namespace pusla {

class QuantityEntry;
class TerminalForm;
class WorkingListModel;

/// The two data-bound grids over the working list: the capture grid DBGrid1
/// and the review grid DBGrid2, both views of DataTemp's record set. They are
/// read-only and never select; the record set's current record is the
/// highlighted row, and a row picked in a grid becomes the current record.
/// Header taps sort (GridHeaderTaps), a finger picks and drags lines
/// (GridTouch) and the wheel steps through them (WheelScroll).
class ItemGrids : public QObject
{
    Q_OBJECT
public:
    /// The columns of the capture grid DBGrid1.
    enum CaptureColumn { CaptureBarkod, CaptureStokAdi, CaptureMiktar, CaptureFazla, CaptureFiyat };
    /// The columns of the review grid DBGrid2.
    enum ReviewColumn { ReviewStokAdi, ReviewFiyat, ReviewMiktar, ReviewTutar };

    ItemGrids(TerminalForm &form, QuantityEntry &entry);

    // Columns of the capture grid DBGrid1, as the working mode sets them.
    void setColumnCaption(int column, const QString &caption);
    QString columnCaption(int column) const;
    void setColumnVisible(int column, bool visible);
    bool isColumnVisible(int column) const;

    WorkingListModel &captureModel() const { return *m_captureModel; }
    WorkingListModel &reviewModel() const { return *m_reviewModel; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bind(QTableView &view, WorkingListModel &model);
    void keepHeaderAcrossRequeries(QTableView &view, WorkingListModel &model);
    void showCurrentRow(QTableView &view, WorkingListModel &model, int row);
    void pickRow(QTableView &view, WorkingListModel &model, int row);

    TerminalForm &m_form;
    WorkingListModel *m_captureModel = nullptr;
    WorkingListModel *m_reviewModel = nullptr;
    // Set while a grid is moved to the record set's current record, so that
    // the move is not taken for the operator's pick.
    bool m_following = false;
};

} // namespace pusla
