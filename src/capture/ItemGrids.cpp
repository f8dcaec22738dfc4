#include "capture/ItemGrids.h"

#include "forms/TerminalForm.h"
#include "capture/GridHeaderTaps.h"
#include "capture/GridTouch.h"
#include "capture/WheelScroll.h"
#include "capture/WorkingListModel.h"
#include "data/Schema.h"
#include "store/DataControl.h"
#include "store/DbError.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScopedValueRollback>
#include <QTableView>

#include <memory>

namespace pusla {

using namespace schema;

namespace {

std::vector<GridColumn> captureColumns()
{
    const QString general = QStringLiteral("General Number");
    return {
        {QStringLiteral("Barkod"), StokKartlar::Barkod, {}},
        {QString(21, u' ') + QStringLiteral("Stok Adı"), StokKartlar::StokAdi, {}},
        {QStringLiteral("Miktar"), StokKartlar::KalanB, general},
        {QStringLiteral("Fazla"), StokKartlar::KalanA, general},
        {QStringLiteral("Fiyat"), StokKartlar::Fiyat2, general},
    };
}

std::vector<GridColumn> reviewColumns()
{
    const QString standard = QStringLiteral("Standard");
    return {
        {QStringLiteral("Stok Adı"), StokKartlar::StokAdi, {}},
        {QStringLiteral("Fiyat"), StokKartlar::Fiyat, standard},
        {QStringLiteral("Miktar"), StokKartlar::KalanB, standard},
        {QStringLiteral("Tutar"), StokKartlar::GirenTutar, standard},
    };
}

} // namespace

ItemGrids::ItemGrids(TerminalForm &form, QuantityEntry &entry)
    : QObject(&form)
    , m_form(form)
{
    const RegionalFormat &formats = form.services().formats;
    m_captureModel = new WorkingListModel(*form.DataTemp, formats, captureColumns(), this);
    m_reviewModel = new WorkingListModel(*form.DataTemp, formats, reviewColumns(), this);
    bind(*form.DBGrid1, *m_captureModel);
    bind(*form.DBGrid2, *m_reviewModel);
    // Row heights can be dragged in the review grid only.
    form.DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    form.DBGrid2->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    // Children of the grids, not of the form: they watch the form's controls
    // and must go with the grids, before the form is torn down.
    (new GridHeaderTaps(form, entry, *m_captureModel, *m_reviewModel))->setParent(this);
    (new GridTouch(form, *m_captureModel))->setParent(this);
    (new WheelScroll(form))->setParent(this);
    // Rows stay as high as Label7 when the layout grows or shrinks it.
    form.Label7->installEventFilter(this);
}

bool ItemGrids::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form.Label7 && event->type() == QEvent::Resize) {
        for (QTableView *view : {m_form.DBGrid1, m_form.DBGrid2})
            view->verticalHeader()->setDefaultSectionSize(m_form.Label7->height());
    }
    return QObject::eventFilter(watched, event);
}

void ItemGrids::bind(QTableView &view, WorkingListModel &model)
{
    view.setModel(&model);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionMode(QAbstractItemView::NoSelection);
    // A header press would otherwise make its column current from the top
    // visible row, and so move the working list's current line.
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setCornerButtonEnabled(false);
    view.setWordWrap(false);
    view.verticalHeader()->hide();
    // A row is as high as Label7, the unit a drag is counted in.
    view.verticalHeader()->setMinimumSectionSize(1);
    view.verticalHeader()->setDefaultSectionSize(m_form.Label7->height());
    view.horizontalHeader()->show();
    // Sizing to contents would read every row of the working list.
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    QPalette palette = view.palette();
    palette.setColor(QPalette::Base, QColor(255, 255, 0));
    palette.setColor(QPalette::Text, QApplication::palette().color(QPalette::WindowText));
    view.setPalette(palette);
    model.setCurrentRowBrushes(palette.brush(QPalette::Highlight), palette.brush(QPalette::HighlightedText));

    connect(&model, &WorkingListModel::currentRowChanged, &view,
            [this, &view, &model](int row) { showCurrentRow(view, model, row); });
    connect(view.selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, &view, &model](const QModelIndex &current) {
                if (current.isValid())
                    pickRow(view, model, current.row());
            });
    keepHeaderAcrossRequeries(view, model);
    showCurrentRow(view, model, model.currentRow());
}

void ItemGrids::keepHeaderAcrossRequeries(QTableView &view, WorkingListModel &model)
{
    // A reset of the model would give the header its default widths and show
    // every column again: the operator's widths and the mode's hidden
    // columns are put back once the header has been reset.
    auto saved = std::make_shared<QByteArray>();
    QHeaderView *header = view.horizontalHeader();
    connect(&model, &QAbstractItemModel::modelAboutToBeReset, header,
            [header, saved] { *saved = header->saveState(); });
    connect(&model, &QAbstractItemModel::modelReset, header, [header, saved] {
        if (!saved->isEmpty())
            header->restoreState(*saved);
    });
}

void ItemGrids::showCurrentRow(QTableView &view, WorkingListModel &model, int row)
{
    const QScopedValueRollback following(m_following, true);
    if (row < 0) {
        view.setCurrentIndex({});
        return;
    }
    const QModelIndex current = view.currentIndex();
    view.setCurrentIndex(model.index(row, current.isValid() ? current.column() : 0));
}

void ItemGrids::pickRow(QTableView &view, WorkingListModel &model, int row)
{
    if (m_following || model.isChangingRows())
        return;
    Recordset &records = model.dataControl().recordset();
    if (row == records.absolutePosition())
        return;
    try {
        records.setAbsolutePosition(row);
    } catch (const DbError &) {
        // The list changed under the grid: show where the record set really is.
        showCurrentRow(view, model, model.currentRow());
    }
}

void ItemGrids::setColumnCaption(int column, const QString &caption)
{
    m_captureModel->setCaption(column, caption);
}

QString ItemGrids::columnCaption(int column) const
{
    if (column < 0 || column >= m_captureModel->columnCount())
        return {};
    return m_captureModel->column(column).caption;
}

void ItemGrids::setColumnVisible(int column, bool visible)
{
    if (column >= 0 && column < m_captureModel->columnCount())
        m_form.DBGrid1->setColumnHidden(column, !visible);
}

bool ItemGrids::isColumnVisible(int column) const
{
    return column >= 0 && column < m_captureModel->columnCount() && !m_form.DBGrid1->isColumnHidden(column);
}

} // namespace pusla
