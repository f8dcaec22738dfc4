#pragma once

#include <QString>

namespace pusla {

class TerminalForm;

/// Copies one database file in 4096-byte blocks with the progress bar shown;
/// a failed copy tells the operator "Kopyalama Yapılamadı" and goes on.
void CopyDatabase(TerminalForm &form, const QString &source, const QString &target);

} // namespace pusla
