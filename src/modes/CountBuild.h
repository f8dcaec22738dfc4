#pragma once

#include <QString>

namespace pusla {

class TerminalForm;

/// Assembles the count database `SayTmp.Mdb` in the program folder: a fresh
/// copy of the local `Stok.Mdb`, then, from every branch stock file
/// "??Stok.mdb" of the MuhasebeData directory but the first (the centre's),
/// the visible cards with a quantity. Each branch file first has its branch
/// code written into `Sube` of its visible cards with stock or a shortage.
///
/// The caption of the count box shows the file being read, and after each
/// file the build waits two seconds while events run. A step that fails is
/// skipped and the next one runs; only a failed copy of `Stok.Mdb` tells the
/// operator, inside the copy.
class CountBuild
{
public:
    explicit CountBuild(TerminalForm &form);

    void run();

private:
    QString programFile(const QString &name) const;
    void readBranchFile(const QString &folder, const QString &fileName);
    void markBranchCode(const QString &code);
    void copyCountedCards();

    TerminalForm &m_form;
};

} // namespace pusla
