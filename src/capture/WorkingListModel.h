#pragma once

#include "data/Schema.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QString>

#include <vector>

namespace pusla {

class DataControl;
class RegionalFormat;

/// One column of a grid over the working list.
struct GridColumn
{
    QString caption;
    schema::Name field;
    /// A number format ("General Number", "Standard"); empty shows the value as it is.
    QString format;
};

/// The working list of a data control as a read-only table: one row per
/// record of its record set, in the set's order, one column per GridColumn.
///
/// Rows are never loaded ahead: the row count is the record set's count, and
/// a cell is read from the set (which keeps a small window of rows) only when
/// a view asks for it. The model follows the data control: a refresh or a
/// rebind resets it, an update changes a row, an added record joins the end,
/// a deleted one leaves. The record set's current record is the current row,
/// painted with the current-row brushes.
class WorkingListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    WorkingListModel(DataControl &control, const RegionalFormat &formats, std::vector<GridColumn> columns,
                     QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    /// Enabled only: no cell can be edited or selected.
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    DataControl &dataControl() const { return m_control; }
    const GridColumn &column(int column) const { return m_columns[size_t(column)]; }
    void setCaption(int column, const QString &caption);
    /// The number columns (those with a format) are right-aligned, the others
    /// left-aligned; the cells and the header caption follow it.
    Qt::Alignment alignment(int column) const;

    /// The row of the record set's current record; -1 without one.
    int currentRow() const { return m_currentRow; }
    void setCurrentRowBrushes(const QBrush &background, const QBrush &text);
    /// True while rows are being inserted or removed: a view's current index
    /// may move then, which is no move of the record set.
    bool isChangingRows() const { return m_changingRows; }

signals:
    void currentRowChanged(int row);

private:
    void onReset();
    void onRowChanged(int position);
    void onRowInserted(int position);
    void onRowRemoved(int position);
    void followCurrent();
    void lookUpFields();
    QString cellText(int row, int column) const;

    DataControl &m_control;
    const RegionalFormat &m_formats;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndexes; // per column; -1 when the set has no such field
    int m_rowCount = 0;
    int m_currentRow = -1;
    // The record set reports a removal after the fact; until the views have
    // been told, rows from here on are read one further down the set.
    int m_removedRow = -1;
    bool m_changingRows = false;
    QBrush m_currentBackground;
    QBrush m_currentText;
};

} // namespace pusla
