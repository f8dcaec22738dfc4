#include "capture/ScanLookup.h"

#include "app/TerminalForm.h"

namespace pusla {

ScanLookup::ScanLookup(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
}

} // namespace pusla
