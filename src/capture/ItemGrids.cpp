#include "capture/ItemGrids.h"

#include "app/TerminalForm.h"

namespace pusla {

ItemGrids::ItemGrids(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
}

void ItemGrids::setColumnCaption(int, const QString &)
{
}

QString ItemGrids::columnCaption(int) const
{
    return {};
}

void ItemGrids::setColumnVisible(int, bool)
{
}

bool ItemGrids::isColumnVisible(int) const
{
    return false;
}

} // namespace pusla
