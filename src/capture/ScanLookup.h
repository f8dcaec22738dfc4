#pragma once

#include <QObject>

namespace pusla {

class TerminalForm;

/// The scan box: Enter looks the text up in the working list, then in the stock cards.
class ScanLookup : public QObject
{
    Q_OBJECT
public:
    explicit ScanLookup(TerminalForm &form);

private:
    TerminalForm &m_form;
};

} // namespace pusla
