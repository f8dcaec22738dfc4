#pragma once

#include <QStringList>
#include <QtGlobal>

namespace pusla::test {

/// Every warning (and worse) logged while it lives, kept instead of printed.
class CapturedWarnings
{
public:
    CapturedWarnings()
        : m_previous(qInstallMessageHandler(&collect))
    {
        collected().clear();
    }
    ~CapturedWarnings() { qInstallMessageHandler(m_previous); }
    CapturedWarnings(const CapturedWarnings &) = delete;
    CapturedWarnings &operator=(const CapturedWarnings &) = delete;

    const QStringList &texts() const { return collected(); }
    std::string joined() const { return collected().join(u'\n').toStdString(); }

private:
    static void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            collected().append(text);
    }
    static QStringList &collected()
    {
        static QStringList texts;
        return texts;
    }

    QtMessageHandler m_previous;
};

} // namespace pusla::test
