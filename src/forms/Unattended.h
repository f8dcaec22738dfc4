#pragma once

#include "base/Dialogs.h"
#include "base/Program.h"

#include <QCoreApplication>
#include <QSize>
#include <QStringList>

namespace pusla {

/// The dialogs of a run without an operator (benchmarks, the posting
/// harness): every message is kept instead of shown, a question gets the
/// answer given, an input box its default text.
class RecordingDialogs final : public Dialogs
{
public:
    explicit RecordingDialogs(MessageAnswer questionAnswer = MessageAnswer::No)
        : m_questionAnswer(questionAnswer)
    { }

    MessageAnswer messageBox(const QString &text, MessageButtons buttons) override
    {
        messages.append(text);
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : m_questionAnswer;
    }
    QString inputBox(const QString &, const QString &, const QString &defaultText) override { return defaultText; }
    void popupMenu(QMenu &) override { }
    void beep() override { }
    void setBusy(bool) override { }

    QStringList messages;

private:
    MessageAnswer m_questionAnswer;
};

/// The program as a run without an operator sees it: a folder, a screen of
/// 1024 x 768, pending events run when asked, the end of the program noted.
class UnattendedProgram : public Program
{
public:
    explicit UnattendedProgram(QString folder)
        : m_folder(std::move(folder))
    { }

    QString folder() const override { return m_folder; }
    QString exeName() const override { return QStringLiteral("pusla"); }
    QSize screenSize() const override { return {1024, 768}; }
    void endAtOnce() override { m_ended = true; }
    bool hasEnded() const override { return m_ended; }
    void doEvents() override { QCoreApplication::processEvents(); }
    bool isCtrlDown() const override { return false; }

private:
    QString m_folder;
    bool m_ended = false;
};

} // namespace pusla
