#include "forms/TerminalForm.h"

#include "base/Dialogs.h"
#include "base/Program.h"
#include "forms/ChoiceIndexes.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "forms/WindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>

namespace pusla {

TerminalForm::TerminalForm(const Services &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_state(new TerminalState(this))
{
    buildControls();
    wireControls();
    formLoad();
}

TerminalForm::~TerminalForm() = default;

void TerminalForm::wireControls()
{
    connect(Command7, &CommandButton::clickEvent, this, &TerminalForm::closeBalancePanel);
    // "Geri" goes back to the mode menu; "Çıkış" on it closes the program as
    // the window's close box does.
    connect(Command1[0], &CommandButton::clickEvent, Frame1, &QWidget::show);
    connect(Command1[1], &CommandButton::clickEvent, this, &TerminalForm::unloadForm);
    // The captions that show the terminal's state.
    connect(m_state, &TerminalState::operationChanged, this, [this](int operation) {
        Label5->setText(operation == kDepo ? QStringLiteral("Depo İşlemleri") : QStringLiteral("Cari İşlemler"));
    });
    connect(m_state, &TerminalState::reviewChanged, this, [this](TerminalState::Review review) {
        if (review == TerminalState::Review::Invoice)
            Label3->setText(QStringLiteral("Fatura"));
        else if (review == TerminalState::Review::AccountMovement)
            Label3->setText(QStringLiteral("Cari Hesap"));
    });

    // The pointer over the form (while the role panel is up) or over the
    // review panel puts the focus back on the holder.
    // Qt drops a move event at the first control without tracking, so the
    // role panel and its buttons track the pointer as well.
    setMouseTracking(true);
    for (QWidget *watched : std::initializer_list<QWidget *>{Frame3, Frame4, Option1[0], Option1[1], Option1[2]}) {
        watched->setMouseTracking(true);
        watched->installEventFilter(this);
    }
    Frame2->installEventFilter(this);
    Label5->installEventFilter(this);
}

DataControls TerminalForm::dataControls() const
{
    return {DataCari, DataCariHar, DataStok, DataStokHar, DataFatura, DataFatHar, IndexPrimary, IndexSecondary,
            DataTemp, Data1};
}

void TerminalForm::formLoad()
{
    WindowPlacement(m_services.settings, m_services.formats).restore(*this, m_services.program.screenSize());
}

void TerminalForm::unloadForm()
{
    close();
}

void TerminalForm::closeEvent(QCloseEvent *event)
{
    if (m_services.program.hasEnded() || m_unloaded) {
        event->accept();
        return;
    }
    emit queryUnload();
    unload();
    m_unloaded = true;
    event->accept();
    emit unloaded();
}

void TerminalForm::unload()
{
    WindowPlacement(m_services.settings, m_services.formats).save(*this);
}

void TerminalForm::closeBalancePanel()
{
    Command3->setEnabled(true);
    Command1[0]->setEnabled(true);
    Frame2->hide();
    Text1->setFocus();
}

void TerminalForm::keepFocusOffWorkingScreen()
{
    if (Frame4->isVisible())
        TextSet->setFocus();
}

void TerminalForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    keepFocusOffWorkingScreen();
}

void TerminalForm::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        m_services.dialogs.popupMenu(*Menupop);
}

void TerminalForm::mouseMoveEvent(QMouseEvent *event)
{
    keepFocusOffWorkingScreen();
    QWidget::mouseMoveEvent(event);
}

bool TerminalForm::focusNextPrevChild(bool next)
{
    if (Frame4->isVisible()) {
        TextSet->setFocus();
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

bool TerminalForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label5 && event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
            m_services.dialogs.popupMenu(*MnPop);
        return true;
    }
    if (watched == Frame2 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Command7->setValue(true);
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        if (watched == Frame3)
            TextSet->setFocus();
        else
            keepFocusOffWorkingScreen();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pusla
