#include "modes/Selection.h"

#include "app/TerminalForm.h"

namespace pusla {

Selection::Selection(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
}

void Selection::SbCr_Click(int)
{
}

void Selection::Combo1_Click()
{
}

} // namespace pusla
