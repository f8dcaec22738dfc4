#include "capture/WorkingListModel.h"

#include "store/DataControl.h"
#include "store/DbError.h"
#include "base/RegionalFormat.h"

namespace pusla {
namespace {

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

} // namespace

WorkingListModel::WorkingListModel(DataControl &control, const RegionalFormat &formats,
                                   std::vector<GridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_control(control)
    , m_formats(formats)
    , m_columns(std::move(columns))
{
    lookUpFields();
    m_rowCount = m_control.recordset().recordCount();
    m_currentRow = m_control.recordset().absolutePosition();
    connect(&m_control, &DataControl::recordsetReset, this, &WorkingListModel::onReset);
    connect(&m_control, &DataControl::rowChanged, this, &WorkingListModel::onRowChanged);
    connect(&m_control, &DataControl::rowInserted, this, &WorkingListModel::onRowInserted);
    connect(&m_control, &DataControl::rowRemoved, this, &WorkingListModel::onRowRemoved);
    connect(&m_control, &DataControl::currentChanged, this, &WorkingListModel::followCurrent);
}

int WorkingListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int WorkingListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant WorkingListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | alignment(index.column()));
    case Qt::BackgroundRole:
        if (index.row() == m_currentRow && m_currentBackground.style() != Qt::NoBrush)
            return m_currentBackground;
        return {};
    case Qt::ForegroundRole:
        if (index.row() == m_currentRow && m_currentText.style() != Qt::NoBrush)
            return m_currentText;
        return {};
    default:
        return {};
    }
}

QVariant WorkingListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
        if (role == Qt::DisplayRole)
            return column(section).caption;
        // A caption sits on its column's side: the layout's blanks centre it,
        // the trailing ones of a number column too.
        if (role == Qt::TextAlignmentRole)
            return (alignment(section) | Qt::AlignVCenter).toInt() | int(Qt::TextIncludeTrailingSpaces);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags WorkingListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void WorkingListModel::setCaption(int column, const QString &caption)
{
    if (column < 0 || column >= columnCount() || m_columns[size_t(column)].caption == caption)
        return;
    m_columns[size_t(column)].caption = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

Qt::Alignment WorkingListModel::alignment(int column) const
{
    return m_columns[size_t(column)].format.isEmpty() ? Qt::AlignLeft : Qt::AlignRight;
}

void WorkingListModel::setCurrentRowBrushes(const QBrush &background, const QBrush &text)
{
    m_currentBackground = background;
    m_currentText = text;
    if (m_currentRow >= 0 && m_currentRow < m_rowCount)
        emit dataChanged(index(m_currentRow, 0), index(m_currentRow, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

void WorkingListModel::lookUpFields()
{
    const Recordset &records = m_control.recordset();
    m_fieldIndexes.clear();
    for (const GridColumn &c : m_columns)
        m_fieldIndexes.push_back(records.fieldIndex(QString(c.field)));
}

QString WorkingListModel::cellText(int row, int column) const
{
    const int field = m_fieldIndexes[size_t(column)];
    if (field < 0)
        return {};
    int position = row;
    if (m_removedRow >= 0) {
        if (row == m_removedRow)
            return {};
        if (row > m_removedRow)
            --position;
    }
    QVariant value;
    try {
        value = m_control.recordset().valueAt(position, field);
    } catch (const DbError &) {
        // The file went away under the grid; the next refresh resets it.
        return {};
    }
    if (value.isNull())
        return {};
    const QString &format = m_columns[size_t(column)].format;
    if (isNumber(value)) {
        const double number = value.toDouble();
        return format.isEmpty() ? m_formats.numberToText(number) : m_formats.format(number, format);
    }
    return format.isEmpty() ? value.toString() : m_formats.formatText(value.toString(), format);
}

void WorkingListModel::onReset()
{
    const Recordset &records = m_control.recordset();
    beginResetModel();
    m_removedRow = -1;
    m_changingRows = false;
    lookUpFields();
    m_rowCount = records.recordCount();
    m_currentRow = records.absolutePosition();
    endResetModel();
    emit currentRowChanged(m_currentRow);
}

void WorkingListModel::onRowChanged(int position)
{
    if (position < 0 || position >= m_rowCount)
        return;
    emit dataChanged(index(position, 0), index(position, columnCount() - 1));
}

void WorkingListModel::onRowInserted(int position)
{
    // The record set only ever appends; anything else is not worth guessing at.
    const int count = m_control.recordset().recordCount();
    if (position != m_rowCount || count != m_rowCount + 1) {
        onReset();
        return;
    }
    m_changingRows = true;
    beginInsertRows({}, position, position);
    m_rowCount = count;
    endInsertRows();
    m_changingRows = false;
    followCurrent();
}

void WorkingListModel::onRowRemoved(int position)
{
    const int count = m_control.recordset().recordCount();
    if (position < 0 || position >= m_rowCount || count != m_rowCount - 1) {
        onReset();
        return;
    }
    m_changingRows = true;
    m_removedRow = position;
    beginRemoveRows({}, position, position);
    m_removedRow = -1;
    m_rowCount = count;
    endRemoveRows();
    m_changingRows = false;
    followCurrent();
}

void WorkingListModel::followCurrent()
{
    const int row = m_control.recordset().absolutePosition();
    const int previous = m_currentRow;
    if (row == previous)
        return;
    m_currentRow = row;
    for (const int repainted : {previous, row}) {
        if (repainted >= 0 && repainted < m_rowCount)
            emit dataChanged(index(repainted, 0), index(repainted, columnCount() - 1),
                             {Qt::BackgroundRole, Qt::ForegroundRole});
    }
    emit currentRowChanged(row);
}

} // namespace pusla
