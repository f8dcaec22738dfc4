#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace pusla {

/// A failure of the database layer: a number and a text. The layer never shows
/// anything to the operator; the form that called it catches and decides.
/// The numbers follow the accounting suite's engine where one fits.
class DbError : public std::exception
{
public:
    enum Number : int {
        Generic = 3000,
        InvalidArgument = 3001,
        NoCurrentRecord = 3021,
        DuplicateKey = 3022,
        FileNotFound = 3024,
        ReadOnly = 3027,
        UpdateWithoutEdit = 3020,
        InvalidPath = 3044,
        TooFewParameters = 3061,
        CannotExecuteSelect = 3065,
        SyntaxError = 3075,
        CriteriaSyntaxError = 3077,
        TableNotFound = 3078,
        UndefinedFunction = 3085,
        InvalidStatement = 3129,
        RecordDeleted = 3167,
        NotUpdatable = 3164,
        TooManyFiles = 3190,
        Locked = 3260,
        ItemNotFound = 3265,
        NullNotAllowed = 3314,
        UnrecognizedFormat = 3343,
        ObjectClosed = 3420,
        ProviderNotFound = 3706,
    };

    DbError(int number, const QString &text)
        : m_number(number)
        , m_text(text)
        , m_what(QStringLiteral("%1: %2").arg(number).arg(text).toUtf8())
    { }

    int number() const noexcept { return m_number; }
    const QString &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_text;
    QByteArray m_what;
};

} // namespace pusla
