#include "capture/QuantityEntry.h"

#include "forms/FailureMessages.h"
#include "forms/TerminalForm.h"
#include "capture/IgnoringErrors.h"
#include "data/DataRoutines.h"
#include "data/DatabaseFailure.h"
#include "data/Schema.h"
#include "forms/ChoiceIndexes.h"
#include "store/DataControl.h"
#include "base/Dialogs.h"
#include "store/jet/JetSql.h"
#include "base/RegionalFormat.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPalette>

#include <cmath>

namespace pusla {

using namespace schema;

namespace {

// Quantities are typed with at most three decimals and stock quantities carry
// four; six decimals take off the binary noise, so that 0,3 counted as 0,1 and
// 0,2 comes to exactly 0 and the line leaves the list.
double settled(double quantity)
{
    return std::round(quantity * 1e6) / 1e6;
}

double number(const Recordset &records, Name field)
{
    return records.field(QString(field)).toDouble();
}

// One edit of a line as a whole: a failing step drops the pending edit, so a
// line is never left half written, and the operator is told what was lost.
// No current line (an empty list) is nothing to write to, not a failure.
template <typename Steps>
bool editLine(DataControl &workingList, Dialogs &dialogs, const QString &headline, Steps &&steps)
{
    try {
        std::forward<Steps>(steps)();
        return true;
    } catch (const DbError &error) {
        Recordset &lines = workingList.recordset();
        if (lines.editMode() != Recordset::EditMode::None)
            ignoringErrors([&] { lines.cancelUpdate(); });
        if (error.number() != DbError::NoCurrentRecord)
            showDatabaseFailure(dialogs, headline, error.aboutFile(workingList.databaseName()));
        return false;
    }
}

const QString kQuantityNotSaved = QStringLiteral("Miktar kaydedilemedi.");

} // namespace

QuantityEntry::QuantityEntry(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
    , m_filter(form.services().formats)
{
    m_form.Text2->installEventFilter(this);
    connect(m_form.Text2, &TextBox::change, this, &QuantityEntry::Text2_Change);
    connect(m_form.Command2, &CommandButton::clickEvent, this, &QuantityEntry::Command2_Click);
    connect(m_form.Command3, &CommandButton::clickEvent, this, &QuantityEntry::Command3_Click);
    setEntryMode(EntryMode::Quantity);
    m_form.Command2->setVisible(m_form.services().formats.isNonZero(m_form.Text2->text()));
}

QColor QuantityEntry::backColor(EntryMode mode)
{
    // &HFFFF00 in the blue-green-red order of the suite's colours is cyan.
    return mode == EntryMode::Price ? QColor(0x00, 0xFF, 0xFF) : QColor(0xFF, 0xFF, 0xFF);
}

QuantityEntry::EntryMode QuantityEntry::entryMode() const
{
    return m_form.Text2->palette().color(QPalette::Base) == backColor(EntryMode::Price) ? EntryMode::Price
                                                                                        : EntryMode::Quantity;
}

void QuantityEntry::setEntryMode(EntryMode mode)
{
    QPalette palette = m_form.Text2->palette();
    palette.setColor(QPalette::Base, backColor(mode));
    m_form.Text2->setPalette(palette);
}

bool QuantityEntry::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_form.Text2)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (tookScan(*key))
            return true;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            int keyCode = kEnter;
            Text2_KeyDown(keyCode);
            return keyCode == 0;
        }
        return filterKey(*key);
    }
    case QEvent::FocusIn: {
        m_burst.reset();
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Text2_GotFocus();
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // The press has given the focus already; the caret goes to the end
        // instead of under the finger, where the next digit is appended.
        Text2_MouseDown();
        return true;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool QuantityEntry::tookScan(const QKeyEvent &event)
{
    const auto timeMs = static_cast<qint64>(event.timestamp());
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        const std::optional<QString> code = m_burst.enter(timeMs);
        if (!code)
            return false;
        m_form.Text2->setText(m_textBeforeBurst);
        m_form.Text1->setFocus();
        m_form.Text1->setText(*code);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(m_form.Text1, &enter);
        return true;
    }
    if (event.text().size() == 1 && !event.isAutoRepeat() && event.text().at(0).isPrint()) {
        if (m_burst.typed(event.text().at(0), timeMs))
            m_textBeforeBurst = m_form.Text2->text();
    } else {
        m_burst.reset();
    }
    return false;
}

// Qt delivers a typed character with its key; Backspace is a key of its own
// and Delete, Tab and the arrows type nothing, so they pass unfiltered.
bool QuantityEntry::filterKey(QKeyEvent &event)
{
    if (event.key() == Qt::Key_Backspace) {
        int keyAscii = EntryFilter::kBackspace;
        Text2_KeyPress(keyAscii);
        return keyAscii == 0;
    }
    const QString typed = event.text();
    if (typed.isEmpty() || event.key() == Qt::Key_Delete || event.key() == Qt::Key_Tab
        || event.key() == Qt::Key_Backtab)
        return false;
    if (typed.size() == 1) {
        int keyAscii = typed.at(0).unicode();
        Text2_KeyPress(keyAscii);
        if (keyAscii == typed.at(0).unicode())
            return false;
        if (keyAscii != 0)
            m_form.Text2->insert(QString(QChar{char16_t(keyAscii)}));
        return true;
    }
    for (QChar c : typed) {
        int keyAscii = c.unicode();
        Text2_KeyPress(keyAscii);
        if (keyAscii != 0)
            m_form.Text2->insert(QString(QChar{char16_t(keyAscii)}));
    }
    return true;
}

QString QuantityEntry::failureHeadline() const
{
    return entryMode() == EntryMode::Price ? QStringLiteral("Fiyat kaydedilemedi.") : kQuantityNotSaved;
}

void QuantityEntry::Text2_GotFocus()
{
    m_form.Text2->selectAll();
}

void QuantityEntry::Text2_MouseDown()
{
    m_form.Text2->setCursorPosition(int(m_form.Text2->text().size()));
}

void QuantityEntry::Text2_KeyPress(int &keyAscii)
{
    keyAscii = m_filter.filterKey(m_form.Text2->text(), keyAscii);
    if (keyAscii == 0)
        m_form.services().dialogs.beep();
}

void QuantityEntry::Text2_KeyDown(int &keyCode)
{
    if (keyCode != kEnter)
        return;
    keyCode = 0;
    m_form.Command2->setValue(true);
}

void QuantityEntry::Text2_Change()
{
    // A grid header click writes its captions into the box meanwhile.
    if (m_form.state().isHeaderClick())
        return;
    const QString text = m_form.Text2->text();
    const QString shown = m_filter.normalised(text);
    if (shown != text) {
        m_form.Text2->setText(shown); // raises Change again, which finishes below
        return;
    }
    m_form.Text2->setCursorPosition(int(shown.size()));
    m_form.Command2->setVisible(m_form.services().formats.isNonZero(shown));
}

void QuantityEntry::Command2_Click()
{
    const double value = m_form.services().formats.textToNumber(m_form.Text2->text()).value_or(0);
    if (m_form.state().isMode(kCount)) {
        if (value != 0)
            countDown(value);
    } else if (value != 0) {
        QString lineName;
        const bool hasLine = editLine(*m_form.DataTemp, m_form.services().dialogs, failureHeadline(), [&] {
            lineName = currentLineName(*m_form.DataTemp);
        });
        // After a new line was added the scan box is empty: the operator scans again.
        if (hasLine && m_form.Text1->text() == lineName)
            applyToLine(value);
    }
    m_form.Text2->setText(QStringLiteral("0"));
    m_form.Text1->setFocus();
    m_form.Text1->selectAll();
    setEntryMode(EntryMode::Quantity);
}

void QuantityEntry::countDown(double quantity)
{
    Recordset &lines = m_form.DataTemp->recordset();
    editLine(*m_form.DataTemp, m_form.services().dialogs, kQuantityNotSaved, [&] {
        lines.edit();
        const double expected = number(lines, StokKartlar::KalanB);
        const double remaining = settled(expected - quantity);
        if (remaining == 0) {
            // Counted down to nothing: the line leaves the list.
            lines.cancelUpdate();
            lines.deleteCurrent();
            return;
        }
        if (remaining > 0) {
            lines.setField(QString(StokKartlar::KalanB), remaining);
        } else {
            const double surplus = number(lines, StokKartlar::KalanA);
            lines.setField(QString(StokKartlar::KalanA), settled(surplus - remaining));
            lines.setField(QString(StokKartlar::KalanB), 0.0);
        }
        lines.update();
    });
}

void QuantityEntry::applyToLine(double value)
{
    Recordset &cards = m_form.DataStok->recordset();
    bool cardFound = false;
    ignoringErrors([&] {
        cards.findFirst(QString(StokKartlar::StokAdi) + QLatin1Char('=') + jetQuoted(m_form.Text1->text()));
        cardFound = !cards.noMatch();
    });

    Recordset &lines = m_form.DataTemp->recordset();
    editLine(*m_form.DataTemp, m_form.services().dialogs, failureHeadline(), [&] {
        lines.edit();
        double quantity = number(lines, StokKartlar::KalanB);
        double price = number(lines, StokKartlar::Fiyat);
        double amount = number(lines, StokKartlar::GirenTutar);
        if (entryMode() == EntryMode::Price) {
            // A new price re-prices what is on the line: the review and the
            // invoice show quantity, price and amount, and they must agree.
            price = value;
            amount = quantity * price;
            lines.setField(QString(StokKartlar::Fiyat), price);
        } else {
            quantity += value;
            amount += value * price;
            lines.setField(QString(StokKartlar::KalanB), quantity);
        }
        lines.setField(QString(StokKartlar::GirenTutar), amount);
        // Without a card of that name the line keeps its own VAT rate.
        if (cardFound)
            lines.setField(QString(StokKartlar::Kdv), cards.field(QString(StokKartlar::Kdv)));
        lines.setField(QString(StokKartlar::Kar), amount * number(lines, StokKartlar::Kdv) / 100);
        lines.setField(QString(StokKartlar::Fiyat2), price);
        lines.update();
    });
}

void QuantityEntry::Command3_Click()
{
    Recordset &lines = m_form.DataTemp->recordset();
    editLine(*m_form.DataTemp, m_form.services().dialogs, kQuantityNotSaved, [&] {
        lines.edit();
        lines.setField(QString(StokKartlar::KalanB), 0.0);
        lines.update();
    });
    m_form.Text1->setFocus();
}

} // namespace pusla
