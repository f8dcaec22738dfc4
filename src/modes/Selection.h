#pragma once

#include <QObject>
#include <QString>

namespace pusla {

class TerminalForm;

/// The operation kind, Depo (transfers between the centre and a branch) or
/// Cari (documents with customers), chosen in the pop-up menu of Label5, and
/// the branch or customer picked in Combo1.
///
/// Picking a branch points the accounting data controls at the branch's
/// database set; in the server role the local working database Temp.Mdb is
/// first replaced by a copy of that set's stock database. Every selection
/// resets the working list's quantities, amounts and prices, and in Cari mode
/// with a working mode on it shows the customer's balance.
class Selection : public QObject
{
    Q_OBJECT
public:
    explicit Selection(TerminalForm &form);

    /// The Depo (0) / Cari (1) menu choice; also run at the role choice with
    /// the stored choice. The first database step that fails ends the choice
    /// there (the remaining steps, the selection and the stored choice, are
    /// skipped).
    void SbCr_Click(int index);
    /// Prepares the working list for the branch or customer picked in Combo1.
    /// A failing step is skipped. In the server role a branch whose stock
    /// database is missing ends the program after its message.
    void Combo1_Click();

private:
    QString programFile(const QString &name) const;
    void chooseOperationKind(int index);
    void fillList(bool depo);
    void deleteCapturedLines();
    void selectForCount(const QString &code);
    bool selectForDocument(const QString &code);
    void resetWorkingList(const QString &localFile);
    void bindDatabaseSet(const QString &localFile);
    void showBalance();

    TerminalForm &m_form;
};

} // namespace pusla
