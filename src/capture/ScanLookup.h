#pragma once

#include <QObject>

#include <functional>

namespace pusla {

class TerminalForm;

/// The scan box Text1. Enter looks the text up, first in the working list
/// (barcode, second and third barcode, stock code, beginning of the name),
/// then in the stock cards (barcode, second barcode, stock code, whole name);
/// a card found there adds an empty line. Either way the focus moves on to
/// the entry box. Nothing is ever shown to the operator.
///
/// The name prefix matches literally: the operator's `*`, `?`, `#` and `[`
/// are characters of the name, not patterns, and an apostrophe is an
/// apostrophe.
class ScanLookup : public QObject
{
    Q_OBJECT
public:
    static constexpr int kEnter = 13;

    explicit ScanLookup(TerminalForm &form);

    /// Key down in the scan box; Enter is handled (and consumed, keyCode := 0,
    /// unless the box was empty and the review opened instead).
    void Text1_KeyDown(int &keyCode);
    /// The scan box got the focus: once the role panel is gone, it is cleared
    /// and the working list re-queried, so the first line is current.
    void Text1_GotFocus();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lookUp(const QString &text);
    bool findInWorkingList(const QString &text);
    void addFromStockCards(const QString &text);
    /// Runs one write of the new line; a failure is told to the operator.
    bool writeLine(const std::function<void()> &statement);

    TerminalForm &m_form;
};

} // namespace pusla
