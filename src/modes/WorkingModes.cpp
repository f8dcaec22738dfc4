#include "modes/WorkingModes.h"

#include "app/TerminalForm.h"

namespace pusla {

WorkingModes::WorkingModes(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
}

void WorkingModes::Check1_Click(int)
{
}

} // namespace pusla
