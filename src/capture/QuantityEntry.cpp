#include "capture/QuantityEntry.h"

#include "app/TerminalForm.h"

namespace pusla {

QuantityEntry::QuantityEntry(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
}

} // namespace pusla
