#pragma once

#include <QObject>

namespace pusla {

class TerminalForm;

/// The entry box: keystroke filter, formatting and applying a quantity or price to the current line.
class QuantityEntry : public QObject
{
    Q_OBJECT
public:
    explicit QuantityEntry(TerminalForm &form);

private:
    TerminalForm &m_form;
};

} // namespace pusla
