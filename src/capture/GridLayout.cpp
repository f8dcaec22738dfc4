#include "capture/GridLayout.h"

#include "capture/GridLayoutFile.h"

#include "base/PathMapper.h"
#include "base/Program.h"
#include "base/Rounding.h"
#include "capture/WorkingListModel.h"
#include "forms/ChoiceIndexes.h"
#include "forms/TerminalForm.h"
#include "forms/TerminalState.h"
#include "forms/Twips.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTableView>

#include <cmath>
#include <optional>
#include <utility>

namespace pusla {
namespace {

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

double textWidth(const QFontMetrics &metrics, const QString &text)
{
    return pixelsToTwips(metrics.horizontalAdvance(text));
}

} // namespace

QString layoutSuffix(const TerminalForm &form)
{
    if (!form.Frame3->isHidden())
        return QStringLiteral("3");
    return form.state().isMode(kCount) ? QStringLiteral("1") : QStringLiteral("2");
}

GridLayout::GridLayout(TerminalForm &form, WorkingListModel &captureModel)
    : QObject(&form)
    , m_form(form)
    , m_captureModel(captureModel)
{
    QHeaderView &header = *m_form.DBGrid1->horizontalHeader();
    for (int column = 0; column < m_captureModel.columnCount(); ++column)
        m_shownWidths.push_back(header.sectionSize(column));
    connect(&header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (size > 0 && column >= 0 && size_t(column) < m_shownWidths.size())
            m_shownWidths[size_t(column)] = size;
    });
    watchResizes(header);
    watchResizes(*m_form.DBGrid2->horizontalHeader());
}

QString GridLayout::fileName(const QString &suffix) const
{
    // The label names the file; whatever it reads, the name stays a plain
    // name inside the program folder.
    QString label = m_form.Label5->text().left(4);
    for (QChar &c : label) {
        if (!c.isLetterOrNumber())
            c = u'_';
    }
    return m_form.services().program.folder() + QStringLiteral("\\Pusla") + label + suffix + QStringLiteral(".Dat");
}

void GridLayout::LoadGridLayout(const QString &suffix)
{
    const std::optional<QString> path = m_form.services().paths.toLocal(fileName(suffix));
    // Only a plain file: a folder or a pipe under the name is no layout.
    if (!path || !QFileInfo(*path).isFile())
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const int columns = m_captureModel.columnCount();
    const QList<QByteArray> lines = gridlayoutfile::lines(file.read(gridlayoutfile::readLimit(columns)));
    if (file.error() != QFileDevice::NoError)
        return;

    const QScopedValueRollback applying(m_applying, true);
    const QFontMetrics metrics(m_form.DBGrid1->horizontalHeader()->font());
    for (int column = 0; column < columns; ++column)
        m_form.DBGrid1->setColumnHidden(column, false);
    for (int column = 0; column < std::min(columns, int(lines.size())); ++column) {
        // A line that cannot be read leaves its column as it is.
        const LayoutLine line
            = gridlayoutfile::parse(lines[column]).value_or(LayoutLine {columnWidth(column), true});
        m_form.DBGrid1->setColumnHidden(column, !line.visible);
        if (!line.visible)
            continue;
        // The width as the grid can show it, so that a save writes back what a load set.
        double width = pixelsToTwips(twipsToPixels(line.width));
        const double captionWidth = textWidth(metrics, trimBlanks(m_captureModel.column(column).caption));
        width = std::max(width, captionWidth);
        setColumnWidth(column, width);
        if (width > captionWidth)
            padCaption(column, width, metrics, false);
    }
    for (int column = 0; column < columns; ++column) {
        const double least = textWidth(metrics, m_captureModel.column(column).caption + QStringLiteral("  "));
        if (columnWidth(column) < least)
            setColumnWidth(column, least);
    }
    m_form.DBGrid1->horizontalScrollBar()->setValue(0);
}

void GridLayout::SaveGridLayout()
{
    const QScopedValueRollback applying(m_applying, true);
    const QFontMetrics metrics(m_form.DBGrid1->horizontalHeader()->font());
    const int columns = m_captureModel.columnCount();
    QByteArray text;
    for (int column = 0; column < columns; ++column) {
        const bool visible = !m_form.DBGrid1->isColumnHidden(column);
        if (visible) {
            const double captionWidth = textWidth(metrics, trimBlanks(m_captureModel.column(column).caption));
            if (columnWidth(column) < captionWidth)
                setColumnWidth(column, captionWidth);
            padCaption(column, columnWidth(column), metrics, true);
        }
        text += gridlayoutfile::format({columnWidth(column), visible});
    }

    const std::optional<QString> path = m_form.services().paths.toLocal(fileName(layoutSuffix(m_form)));
    if (!path)
        return;
    // The save copy is renamed over the old file only once it is whole.
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        qWarning(
            "the grid layout %s was not saved: %s", qUtf8Printable(*path), qUtf8Printable(file.errorString()));
}

bool GridLayout::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // a double click on a border sizes the column to its contents
        m_pressed = watched;
        m_resizedWhilePressed = false;
        break;
    case QEvent::MouseButtonRelease:
        if (watched == m_pressed) {
            m_pressed = nullptr;
            if (std::exchange(m_resizedWhilePressed, false))
                SaveGridLayout();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void GridLayout::watchResizes(QHeaderView &header)
{
    // The header resizes a column at every move of the finger; the layout is
    // saved once, when the finger lifts.
    QObject *viewport = header.viewport();
    viewport->installEventFilter(this);
    connect(&header, &QHeaderView::sectionResized, this, [this, viewport] {
        if (!m_applying && m_pressed == viewport)
            m_resizedWhilePressed = true;
    });
}

void GridLayout::padCaption(int column, double width, const QFontMetrics &metrics, bool rounded)
{
    // The blanks take half the room the caption leaves; a load counts them by
    // their whole part, a save rounds them.
    const QString caption = trimBlanks(m_captureModel.column(column).caption);
    const double blank = textWidth(metrics, QStringLiteral(" "));
    const double room = (width - textWidth(metrics, caption)) / 2;
    double blanks = blank > 0 && room > 0 ? room / blank : 0;
    blanks = rounded ? roundHalfEven(blanks, 0) : std::floor(blanks);
    const QString padding(qsizetype(blanks), u' ');
    const bool left = m_captureModel.alignment(column).testFlag(Qt::AlignLeft);
    m_captureModel.setCaption(column, left ? padding + caption : caption + padding);
}

double GridLayout::columnWidth(int column) const
{
    if (m_form.DBGrid1->isColumnHidden(column))
        return pixelsToTwips(m_shownWidths[size_t(column)]);
    return pixelsToTwips(m_form.DBGrid1->horizontalHeader()->sectionSize(column));
}

void GridLayout::setColumnWidth(int column, double width)
{
    const int pixels = twipsToPixels(width);
    // A hidden column takes the width for when it is shown again, silently.
    m_form.DBGrid1->horizontalHeader()->resizeSection(column, pixels);
    m_shownWidths[size_t(column)] = pixels;
}

} // namespace pusla
