#pragma once

#include "base/Dialogs.h"

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <deque>
#include <gtest/gtest.h>

namespace pusla::test {

/// Answers every dialog from a script, so that no test blocks on a modal box.
/// Each dialog shown is recorded; an unscripted question fails the test.
class ScriptedDialogs final : public Dialogs
{
public:
    void answerMessage(MessageAnswer answer) { m_messageAnswers.push_back(answer); }
    void answerInput(const QString &text) { m_inputAnswers.push_back(text); }
    /// The text of the pop-up menu item to choose next; empty text dismisses the menu.
    void choosePopupItem(const QString &text) { m_menuChoices.push_back(text); }

    MessageAnswer messageBox(const QString &text, MessageButtons buttons) override
    {
        messages.append(text);
        if (buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        if (m_messageAnswers.empty()) {
            ADD_FAILURE() << "unscripted question: " << text.toStdString();
            return MessageAnswer::No;
        }
        const MessageAnswer answer = m_messageAnswers.front();
        m_messageAnswers.pop_front();
        return answer;
    }

    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        inputPrompts.append(prompt);
        inputTitles.append(title);
        inputDefaults.append(defaultText);
        if (m_inputAnswers.empty()) {
            ADD_FAILURE() << "unscripted input box: " << prompt.toStdString();
            return {};
        }
        const QString answer = m_inputAnswers.front();
        m_inputAnswers.pop_front();
        return answer;
    }

    void popupMenu(QMenu &menu) override
    {
        QStringList items;
        for (QAction *action : menu.actions())
            items.append(action->text());
        shownMenus.append(items);
        if (m_menuChoices.empty())
            return;
        const QString choice = m_menuChoices.front();
        m_menuChoices.pop_front();
        for (QAction *action : menu.actions()) {
            if (action->text() == choice) {
                action->trigger();
                return;
            }
        }
    }

    void beep() override { ++beeps; }
    /// Nests as the real pointer does: it is normal again only when every
    /// busy call has had its matching end.
    void setBusy(bool busy) override
    {
        if (busy) {
            ++busyCount;
            ++busyDepth;
        } else if (busyDepth > 0) {
            --busyDepth;
        }
    }
    bool busyNow() const { return busyDepth > 0; }

    QStringList messages;
    QStringList inputPrompts;
    QStringList inputTitles;
    QStringList inputDefaults;
    QList<QStringList> shownMenus;
    int beeps = 0;
    int busyCount = 0;
    int busyDepth = 0;

private:
    std::deque<MessageAnswer> m_messageAnswers;
    std::deque<QString> m_inputAnswers;
    std::deque<QString> m_menuChoices;
};

} // namespace pusla::test
