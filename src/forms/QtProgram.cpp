#include "forms/QtProgram.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QWidget>

namespace pusla {

QtProgram::QtProgram(QString folder)
    : m_folder(std::move(folder))
{
}

QString QtProgram::exeName() const
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QSize QtProgram::screenSize() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

void QtProgram::endAtOnce()
{
    // The event loop returns and the windows go without their close handling.
    m_ended = true;
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

void QtProgram::doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtProgram::isCtrlDown() const
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

} // namespace pusla
