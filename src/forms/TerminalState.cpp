#include "forms/TerminalState.h"

namespace pusla {

TerminalState::TerminalState(QObject *parent)
    : QObject(parent)
{ }

void TerminalState::setOperation(int operation)
{
    m_operation = operation;
    emit operationChanged(operation);
}

void TerminalState::setReview(Review review)
{
    m_review = review;
    emit reviewChanged(review);
}

} // namespace pusla
