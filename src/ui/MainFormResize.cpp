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

double MainFormResize::Follower::follow(double current, bool setFromOutside, int previousMeasure, int newMeasure)
{
    if (setFromOutside || measure == 0) {
        from = current;
        measure = previousMeasure;
    }
    set = newMeasure == measure ? from : from * newMeasure / measure;
    return set;
}

void MainFormResize::formResized()
{
    m_layout.resize(m_form);

    const int height = m_form.Text1->height();
    if (height > 0 && m_fontHeight > 0 && height != m_fontHeight)
        scaleFonts(m_fontHeight, height);
    if (height > 0)
        m_fontHeight = height;

    const int width = m_form.DBGrid1->width();
    if (width > 0 && m_gridWidth > 0 && width != m_gridWidth)
        widenColumns(m_gridWidth, width);
    if (width > 0)
        m_gridWidth = width;
}

void MainFormResize::scaleFont(QWidget *control, int previousHeight, int height)
{
    const double current = fontSize(control->font());
    Follower &follower = m_fonts[control];
    setFontSize(control, follower.follow(current, current != follower.set, previousHeight, height));
}

void MainFormResize::scaleFonts(int previousHeight, int height)
{
    for (QWidget *control : std::initializer_list<QWidget *> {m_form.Text1, m_form.Text2, m_form.Combo1,
             m_form.Check1[0], m_form.Command4, m_form.Command1[0], m_form.Command1[1], m_form.Label1, m_form.Label2,
             m_form.Label3, m_form.Label4, m_form.Label5, m_form.Label6})
        scaleFont(control, previousHeight, height);
    for (QWidget *control : {m_form.Check1[1], m_form.Check1[2]})
        setFontSize(control, fontSize(m_form.Check1[0]->font()));
    for (QWidget *control : std::initializer_list<QWidget *> {
             m_form.Command2, m_form.Command3, m_form.Command7, m_form.Command8[0], m_form.Command8[1], m_form.FatCmd})
        setFontSize(control, fontSize(m_form.Command4->font()));
    for (QTableView *grid : {m_form.DBGrid1, m_form.DBGrid2}) {
        // The header first: until it has a font of its own it inherits the
        // cells' one, which would scale it twice.
        scaleFont(grid->horizontalHeader(), previousHeight, height);
        scaleFont(grid, previousHeight, height);
    }
}

void MainFormResize::widenColumns(int previousWidth, int width)
{
    QHeaderView &header = *m_form.DBGrid1->horizontalHeader();
    for (int column = 0; column < 3; ++column) {
        const int current = header.sectionSize(column);
        Follower &follower = m_columns[size_t(column)];
        // A width the operator or the layout file set since is taken as it is.
        const double to = follower.follow(current, current != qRound(follower.set), previousWidth, width);
        header.resizeSection(column, qRound(to));
    }
}

} // namespace pusla
