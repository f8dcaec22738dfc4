#pragma once

#include "base/Dialogs.h"

#include <QPointer>
#include <QWidget>

namespace pusla {

/// The operator's dialogs on Qt Widgets.
class QtDialogs final : public Dialogs
{
public:
    QtDialogs() = default;
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    MessageAnswer messageBox(const QString &text, MessageButtons buttons) override;
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    void popupMenu(QMenu &menu) override;
    void beep() override;
    void setBusy(bool busy) override;

private:
    QPointer<QWidget> m_parent;
    int m_busyDepth = 0;
};

} // namespace pusla
