#pragma once

#include "capture/EntryFilter.h"
#include "capture/ScannerBurst.h"

#include <QColor>
#include <QObject>

class QKeyEvent;

namespace pusla {

class TerminalForm;

/// The entry box Text2 with its buttons OK (Command2) and SİL (Command3):
/// keystroke filter, formatting, and applying a quantity or price to the
/// current line of the working list.
///
/// In count mode an entry counts the current line down against its expected
/// quantity (KalanB; the line leaves the list at exactly 0) and books what
/// goes beyond it as surplus (KalanA). In the other modes it applies only when
/// the scan box holds the current line's name: a quantity is added to the line
/// and its amount; a price replaces the line's price and re-prices the
/// quantity already on the line, so the amount is always quantity × price.
///
/// A barcode that the scanner types into the box while the operator meant to
/// scan is no quantity: the box gets back what it held and the code is looked
/// up as if scanned into the scan box.
class QuantityEntry : public QObject
{
    Q_OBJECT
public:
    static constexpr int kEnter = 13;

    /// What the box takes: a quantity (white) or a unit price (cyan, &HFFFF00).
    /// The mode is the box's background colour itself, so what the operator
    /// sees and what the next entry does cannot disagree.
    enum class EntryMode { Quantity, Price };

    explicit QuantityEntry(TerminalForm &form);

    EntryMode entryMode() const;
    /// Paints the box for the mode; a grid header click switches it, every OK resets it.
    void setEntryMode(EntryMode mode);
    static QColor backColor(EntryMode mode);

    void Text2_GotFocus();
    void Text2_MouseDown();
    /// The keystroke filter; keyAscii := 0 discards the key (with a beep).
    void Text2_KeyPress(int &keyAscii);
    /// Enter: consumed (keyCode := 0) and OK pressed.
    void Text2_KeyDown(int &keyCode);
    /// Normalises and formats the text; left alone during a grid header click.
    void Text2_Change();
    /// OK: applies the entry, then "0", focus back to the scan box, quantity entry.
    void Command2_Click();
    /// SİL: the current line's quantity becomes 0; the line stays.
    void Command3_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// What the operator is told when the entry cannot be written.
    QString failureHeadline() const;
    bool filterKey(QKeyEvent &event);
    /// Watches for a scanner typing into the box; true when `event` ended a scan.
    bool tookScan(const QKeyEvent &event);
    void countDown(double quantity);
    void applyToLine(double value);

    TerminalForm &m_form;
    EntryFilter m_filter;
    ScannerBurst m_burst;
    QString m_textBeforeBurst;
};

} // namespace pusla
