#include "capture/ScanLookup.h"

#include "forms/FailureMessages.h"
#include "forms/TerminalForm.h"
#include "capture/IgnoringErrors.h"
#include "data/DataRoutines.h"
#include "data/DatabaseFailure.h"
#include "data/Schema.h"
#include "forms/ChoiceIndexes.h"
#include "store/DataControl.h"
#include "store/jet/JetSql.h"
#include "base/RegionalFormat.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>

#include <algorithm>
#include <array>

namespace pusla {

using namespace schema;

namespace {

QString equalTo(Name field, const QString &text)
{
    return QString(field) + QLatin1Char('=') + jetQuoted(text);
}

bool findFirst(Recordset &records, const QString &criteria)
{
    bool found = false;
    ignoringErrors([&] {
        records.findFirst(criteria);
        found = !records.noMatch();
    });
    return found;
}

} // namespace

ScanLookup::ScanLookup(TerminalForm &form)
    : QObject(&form)
    , m_form(form)
{
    m_form.Text1->installEventFilter(this);
}

bool ScanLookup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_form.Text1)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            int keyCode = kEnter;
            Text1_KeyDown(keyCode);
            return keyCode == 0;
        }
    } else if (event->type() == QEvent::FocusIn) {
        // Coming back from another window or a pop-up menu is no focus move
        // on the form and must not wipe what the operator is typing.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Text1_GotFocus();
    }
    return QObject::eventFilter(watched, event);
}

void ScanLookup::Text1_KeyDown(int &keyCode)
{
    if (keyCode != kEnter)
        return;
    const QString text = m_form.Text1->text();
    if (text.isEmpty()) {
        // A count is never posted: the review would offer the counted lines
        // as a document.
        if (!m_form.state().isMode(kCount))
            m_form.Command4->setValue(true);
        return;
    }
    keyCode = 0;
    lookUp(text);
}

void ScanLookup::Text1_GotFocus()
{
    if (!m_form.Frame4->isHidden())
        return;
    m_form.Text1->setText(QString());
    ignoringErrors([&] { RefreshData(*m_form.DataTemp); });
}

void ScanLookup::lookUp(const QString &text)
{
    ignoringErrors([&] { m_form.DataTemp->refresh(); });
    if (findInWorkingList(text)) {
        ignoringErrors([&] {
            m_form.Text1->setText(currentLineName(*m_form.DataTemp));
        });
        m_form.Text2->setFocus();
        return;
    }
    addFromStockCards(text);
    m_form.Text1->setText(QString());
    m_form.Text2->setFocus();
}

bool ScanLookup::findInWorkingList(const QString &text)
{
    Recordset &lines = m_form.DataTemp->recordset();
    const std::array<QString, 5> criteria{
        equalTo(StokKartlar::Barkod, text),
        equalTo(StokKartlar::Barkod2, text),
        equalTo(StokKartlar::Barkod3, text),
        equalTo(StokKartlar::StokKod, text),
        // The typed text is a name pattern ("Tuvalet*Munzur", "[a-c]"), bound
        // as a parameter like every criterion's text.
        QString(StokKartlar::StokAdi) + QStringLiteral(" like ") + jetQuoted(text + QLatin1Char('*')),
    };
    for (const QString &criterion : criteria) {
        if (findFirst(lines, criterion))
            return true;
    }
    return false;
}

void ScanLookup::addFromStockCards(const QString &text)
{
    // The stock cards are searched as they stand: no re-query, no third
    // barcode and no name prefix, only a whole name.
    Recordset &cards = m_form.DataStok->recordset();
    const std::array<QString, 4> criteria{
        equalTo(StokKartlar::Barkod, text),
        equalTo(StokKartlar::Barkod2, text),
        equalTo(StokKartlar::StokKod, text),
        equalTo(StokKartlar::StokAdi, text),
    };
    if (std::none_of(criteria.begin(), criteria.end(), [&](const QString &c) { return findFirst(cards, c); }))
        return;

    Recordset &lines = m_form.DataTemp->recordset();
    if (!writeLine([&] { lines.addNew(); }))
        return;
    const QString branch = m_form.services().formats.format(m_form.Combo1->listIndex() + 2, QStringLiteral("00"));
    ignoringErrors([&] { lines.setField(QString(StokKartlar::Barkod), text); });
    ignoringErrors([&] { lines.setField(QString(StokKartlar::StokKod), cards.field(QString(StokKartlar::StokKod))); });
    ignoringErrors([&] { lines.setField(QString(StokKartlar::StokAdi), cards.field(QString(StokKartlar::StokAdi))); });
    ignoringErrors([&] { lines.setField(QString(StokKartlar::Sube), branch); });
    ignoringErrors([&] { lines.setField(QString(StokKartlar::KalanA), 0.0); });
    ignoringErrors([&] { lines.setField(QString(StokKartlar::KalanB), 0.0); });
    if (!writeLine([&] { lines.update(); }))
        ignoringErrors([&] { lines.cancelUpdate(); });
}

bool ScanLookup::writeLine(const std::function<void()> &statement)
{
    try {
        statement();
        return true;
    } catch (const DbError &error) {
        showDatabaseFailure(m_form.services().dialogs, QStringLiteral("Satır eklenemedi."),
            error.aboutFile(m_form.DataTemp->databaseName()));
        return false;
    }
}

} // namespace pusla
