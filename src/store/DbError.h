#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace pusla {

/// A failure of the database layer: a number, the engine's text and, where it
/// is known, the file it concerns. The layer never shows anything to the
/// operator; the form that called it catches and decides. The numbers follow
/// the accounting suite's engine where one fits.
class DbError : public std::exception
{
public:
    enum Number : int {
        Generic = 3000,
        InvalidArgument = 3001,
        NoCurrentRecord = 3021,
        DuplicateKey = 3022,
        FileNotFound = 3024,
        DiskFull = 3026,
        ReadOnly = 3027,
        UpdateWithoutEdit = 3020,
        DiskError = 3043,
        InvalidPath = 3044,
        Corrupt = 3049,
        CannotOpen = 3051,
        ConnectionLost = 3151,
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

    DbError(int number, const QString &text, const QString &fileName = {})
        : m_number(number)
        , m_text(text)
        , m_file(fileName)
        , m_what(QStringLiteral("%1: %2").arg(number).arg(text).toUtf8())
    { }

    int number() const noexcept { return m_number; }
    const QString &text() const noexcept { return m_text; }
    /// The file as the operator knows it (its Windows path) or, failing
    /// that, its local path; empty when the engine did not say.
    const QString &file() const noexcept { return m_file; }
    /// The same failure, said of `fileName` unless a file is named already.
    DbError aboutFile(const QString &fileName) const
    {
        return DbError(m_number, m_text, m_file.isEmpty() ? fileName : m_file);
    }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_text;
    QString m_file;
    QByteArray m_what;
};

} // namespace pusla
