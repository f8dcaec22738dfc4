#include "forms/QtDialogs.h"

#include <QApplication>
#include <QCursor>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>

namespace pusla {

MessageAnswer QtDialogs::messageBox(const QString &text, MessageButtons buttons)
{
    if (buttons == MessageButtons::Ok) {
        QMessageBox box(QMessageBox::NoIcon, productTitle(), text, QMessageBox::Ok, m_parent);
        box.exec();
        return MessageAnswer::Ok;
    }
    QMessageBox box(QMessageBox::Question, productTitle(), text, QMessageBox::Yes | QMessageBox::No, m_parent);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

QString QtDialogs::inputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    return accepted ? text : QString();
}

void QtDialogs::popupMenu(QMenu &menu)
{
    menu.exec(QCursor::pos());
}

void QtDialogs::beep()
{
    QApplication::beep();
}

void QtDialogs::setBusy(bool busy)
{
    if (busy) {
        if (m_busyDepth++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0 && --m_busyDepth == 0) {
        QApplication::restoreOverrideCursor();
    }
}

} // namespace pusla
