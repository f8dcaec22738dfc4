#include "ui/MainFormResize.h"

#include "forms/Controls.h"
#include "forms/TerminalForm.h"

#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>

namespace pusla {

namespace {

double fontSize(const QFont &font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize();
}

void setFontSize(QWidget *control, double size)
{
    if (size <= 0)
        return;
    QFont font = control->font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(size);
    else
        font.setPixelSize(qMax(1, qRound(size)));
    control->setFont(font);
}

void scaleFont(QWidget *control, double factor)
{
    setFontSize(control, fontSize(control->font()) * factor);
}

} // namespace

MainFormResize::MainFormResize(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
    m_layout.registerForm(form, TerminalForm::designClientTwips());
    m_fontHeight = form.Text1->height();
    m_gridWidth = form.DBGrid1->width();
    form.installEventFilter(this);
}

bool MainFormResize::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_form && event->type() == QEvent::Resize)
        formResized();
    return QObject::eventFilter(watched, event);
}

void MainFormResize::formResized()
{
    m_layout.resize(m_form);

    const int height = m_form.Text1->height();
    if (height > 0 && m_fontHeight > 0 && height != m_fontHeight)
        scaleFonts(double(height) / m_fontHeight);
    if (height > 0)
        m_fontHeight = height;

    const int width = m_form.DBGrid1->width();
    if (width > 0 && m_gridWidth > 0 && width != m_gridWidth)
        widenColumns(double(width) / m_gridWidth);
    if (width > 0)
        m_gridWidth = width;
}

void MainFormResize::scaleFonts(double factor)
{
    for (QWidget *control : std::initializer_list<QWidget *> {m_form.Text1, m_form.Text2, m_form.Combo1,
             m_form.Check1[0], m_form.Command4, m_form.Command1[0], m_form.Command1[1], m_form.Label1, m_form.Label2,
             m_form.Label3, m_form.Label4, m_form.Label5, m_form.Label6})
        scaleFont(control, factor);
    for (QWidget *control : {m_form.Check1[1], m_form.Check1[2]})
        setFontSize(control, fontSize(m_form.Check1[0]->font()));
    for (QWidget *control : std::initializer_list<QWidget *> {
             m_form.Command2, m_form.Command3, m_form.Command7, m_form.Command8[0], m_form.Command8[1], m_form.FatCmd})
        setFontSize(control, fontSize(m_form.Command4->font()));
    for (QTableView *grid : {m_form.DBGrid1, m_form.DBGrid2}) {
        // Both read before either is set: the header inherits the cells' font
        // until it has one of its own.
        const double header = fontSize(grid->horizontalHeader()->font());
        const double cells = fontSize(grid->font());
        setFontSize(grid->horizontalHeader(), header * factor);
        setFontSize(grid, cells * factor);
    }
}

void MainFormResize::widenColumns(double factor)
{
    QHeaderView &header = *m_form.DBGrid1->horizontalHeader();
    for (int column = 0; column < 3; ++column) {
        const int now = header.sectionSize(column);
        // A width the operator or the layout file set since is taken as it is.
        const double from = now == m_columnPixels[size_t(column)] ? m_columnWidths[size_t(column)] : now;
        const double to = from * factor;
        m_columnWidths[size_t(column)] = to;
        m_columnPixels[size_t(column)] = qRound(to);
        header.resizeSection(column, qRound(to));
    }
}

} // namespace pusla
