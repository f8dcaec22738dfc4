#pragma once

#include <QString>

#include <stdexcept>

namespace pusla {

/// A failure whose reason is told to the operator as it stands, in the
/// operator's language.
class OperatorError : public std::runtime_error
{
public:
    explicit OperatorError(const QString &reason)
        : std::runtime_error(reason.toStdString())
        , m_reason(reason)
    { }
    const QString &reason() const { return m_reason; }

private:
    QString m_reason;
};

} // namespace pusla
