#pragma once

#include <QObject>
#include <QString>

namespace pusla {

class TerminalForm;

/// Posts the working list as a cash sales invoice to the customer chosen in
/// Combo1: the counter from the shared counter file, the invoice lines, the
/// stock movements and stock cards, the header, the customer's and the VAT
/// account's movements and balances, and the reset of the working list.
///
/// The counter is drawn first and stays drawn whatever follows. Everything
/// after it is one all-or-nothing change: when any part cannot be written
/// the operator is told why and nothing is written, the working list still
/// holds the document.
class SalesInvoice : public QObject
{
    Q_OBJECT
public:
    explicit SalesInvoice(TerminalForm &form);

    /// True when the invoice was posted, or there was nothing to post (a
    /// total of 0); false after a failure the operator has been shown.
    bool PostSalesInvoice();

private:
    /// Writes everything after the counter; returns false for a total of 0.
    bool post(const QString &counter);
    void writeLine(
        const QString &invoiceNumber, const QString &counter, const QString &serial, const QDateTime &moment);
    void writeHeader(const QString &invoiceNumber, const QString &serial, double vatTotal);
    void writeAccountMovement(const QString &code, const QString &invoiceNumber, const QString &serial,
        const QDateTime &moment, double amount, bool customer);
    void findAccount(const QString &criteria, const QString &missing);
    QString counterFile() const;
    QString year() const;

    TerminalForm &m_form;
    QString m_customerCode;
    QString m_customerTitle;
    QString m_customerGroup;
};

} // namespace pusla
