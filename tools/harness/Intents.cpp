#include "Intents.h"

#include "BookFile.h"
#include "Books.h"
#include "Counters.h"

#include "data/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <stdexcept>

namespace pusla::harness {

namespace {

QString markerIn(const QString &programFolder)
{
    return QDir(programFolder).filePath(QString(schema::files::PendingMarker));
}

/// The set of a books file: "\\127.0.0.1\MuhasebeData\02Index.mdb" -> "02".
QString setOfFile(const QString &windowsPath)
{
    return windowsPath.section(u'\\', -1).left(2);
}

bool isReset(const Leftovers &left)
{
    return std::all_of(left.workingList.cbegin(), left.workingList.cend(),
        [](const QPair<double, double> &line) { return line.first == 0 && line.second == 0; });
}

/// The working list holds the document's lines and nothing else.
bool holdsLines(const Leftovers &left, const QList<JournalLine> &lines)
{
    QHash<QString, QPair<double, double>> expected;
    for (const JournalLine &line : lines)
        expected.insert(line.code, {line.quantity, line.amount});
    for (auto it = left.workingList.cbegin(); it != left.workingList.cend(); ++it) {
        const QPair<double, double> want = expected.value(it.key(), {0.0, 0.0});
        if (!near(it.value().first, want.first) || !near(it.value().second, want.second))
            return false;
    }
    return true;
}

class TerminalCheck
{
public:
    TerminalCheck(const Baseline &baseline, const QList<BookDocument> &documents,
        const QHash<QString, Leftovers> &leftAtCrash, Verdict &verdict)
        : m_baseline(baseline)
        , m_documents(documents)
        , m_leftAtCrash(leftAtCrash)
        , m_verdict(verdict)
    {
        for (qsizetype i = 0; i < documents.size(); ++i) {
            const BookDocument &d = documents[i];
            m_unclaimed[describe(d.kind, d.set, d.account, d.lines)] << i;
        }
    }

    void readKeys(const QHash<QString, QStringList> &keys)
    {
        for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
            for (const QString &key : it.value()) {
                if (m_keySets.contains(key))
                    violation(
                        QStringLiteral("key %1 is kept in set %2 and in set %3").arg(key, m_keySets[key], it.key()));
                m_keySets.insert(key, it.key());
            }
        }
    }

    void checkTerminal(const QString &folder)
    {
        const JournalState state = Journal::read(folder, m_baseline.journalOffsets.value(folder, 0));
        m_verdict.postedByTerminals += state.posted;
        m_verdict.failedByTerminals += state.failed;
        for (const JournalDocument &document : state.documents)
            checkDocument(folder, document);
        if (const JournalDocument *document = state.inFlight(); document && document->armed)
            checkLeftovers(folder, *document);
        if (QFileInfo::exists(markerIn(folder)))
            violation(QStringLiteral("%1: a posting marker is left after the terminal came back").arg(folder));
        // The copy is stored once the invoice is there: after a posted invoice it names that one.
        if (!state.documents.isEmpty()) {
            const JournalDocument &last = state.documents.back();
            if (last.outcome == JournalDocument::Outcome::Posted && last.kind == QLatin1String("invoice")) {
                const QString stored = storedInvoiceCounter(folder, last.set);
                if (!invoiceMatches(last, QStringLiteral("S") + stored))
                    violation(QStringLiteral("%1: stored %2FatNo \"%3\" does not name the invoice it posted last")
                                  .arg(folder, last.set, stored));
            }
        }
    }

    void finish()
    {
        for (auto it = m_unclaimed.cbegin(); it != m_unclaimed.cend(); ++it) {
            for (qsizetype i = 0; i < it.value().size(); ++i)
                violation(QStringLiteral("a document in the books that no terminal posted, or one posted twice: %1")
                              .arg(it.key()));
        }
        for (auto it = m_keySets.cbegin(); it != m_keySets.cend(); ++it) {
            if (!m_claimedKeys.contains(it.key()))
                violation(QStringLiteral("key %1 in set %2 belongs to no whole document a terminal posted")
                              .arg(it.key(), it.value()));
        }
    }

private:
    void violation(const QString &text) { m_verdict.violations << text; }

    /// Whether the document landed, checked against the books.
    void checkDocument(const QString &folder, const JournalDocument &document)
    {
        const QString what = describe(document.kind, document.set, document.account, document.lines);
        const QString where = QStringLiteral("%1: document %2: ").arg(folder, what);
        const bool keyLanded = !document.key.isEmpty() && m_keySets.contains(document.key);
        if (keyLanded) {
            m_claimedKeys.insert(document.key);
            const QString keptIn = m_keySets[document.key];
            if (keptIn != setOfFile(document.keyFile) || keptIn != document.set)
                violation(
                    where + QStringLiteral("its key is in set %1; the marker named %2").arg(keptIn, document.keyFile));
        }
        bool landed = keyLanded;
        switch (document.outcome) {
        case JournalDocument::Outcome::Posted:
            landed = true;
            if (!keyLanded)
                violation(where
                    + (document.key.isEmpty()
                            ? QStringLiteral("posted without a marker naming its key")
                            : QStringLiteral("posted, but its key %1 is not in the books").arg(document.key)));
            break;
        case JournalDocument::Outcome::Failed:
            landed = false;
            if (keyLanded)
                violation(where + QStringLiteral("failed, yet its key %1 is in the books").arg(document.key));
            break;
        case JournalDocument::Outcome::InFlight:
            if (landed)
                ++m_verdict.landedInFlight;
            break;
        }
        if (!landed)
            return;
        const auto candidates = m_unclaimed.find(what);
        if (candidates == m_unclaimed.end()) {
            violation(where + QStringLiteral("landed, but the books hold no whole document with these lines"));
            return;
        }
        candidates->removeFirst();
        if (candidates->isEmpty())
            m_unclaimed.erase(candidates);
    }

    bool invoiceMatches(const JournalDocument &document, const QString &number) const
    {
        const QString what = describe(document.kind, document.set, document.account, document.lines);
        return std::any_of(m_documents.cbegin(), m_documents.cend(), [&](const BookDocument &d) {
            return d.invoiceNumber == number && describe(d.kind, d.set, d.account, d.lines) == what;
        });
    }

    /// The working list as the terminal left it agrees with whether its last document landed.
    void checkLeftovers(const QString &folder, const JournalDocument &document)
    {
        const Leftovers left = m_leftAtCrash.contains(folder) ? m_leftAtCrash[folder] : readLeftovers(folder);
        const QString where = QStringLiteral("%1: the %2 document it ended in ").arg(folder, document.kind);
        if (!left.error.isEmpty()) {
            violation(where + QStringLiteral("left a working list that cannot be read: ") + left.error);
            return;
        }
        const bool landed = !document.key.isEmpty() && m_keySets.contains(document.key);
        if (left.marker && !document.key.isEmpty() && left.markerKey != document.key)
            violation(where
                + QStringLiteral("was posted under key %1, the marker names %2").arg(document.key, left.markerKey));
        if (landed && !isReset(left) && !left.marker)
            violation(where
                + QStringLiteral("landed, its lines are still in the working list and no marker is left "
                                 "to reset them: the operator would post it again"));
        if (!landed && !holdsLines(left, document.lines))
            violation(where + QStringLiteral("did not land, yet the working list no longer holds its lines"));
        if (document.settled == QLatin1String("pending"))
            violation(where + QStringLiteral("is still unsettled after the terminal came back to reachable books"));
        else if (landed && document.settled == QLatin1String("kept"))
            violation(where + QStringLiteral("landed, yet the terminal coming back kept its lines"));
        else if (!landed && document.settled == QLatin1String("reset"))
            violation(where + QStringLiteral("did not land, yet the terminal coming back cleared its lines"));
    }

    const Baseline &m_baseline;
    const QList<BookDocument> &m_documents;
    const QHash<QString, Leftovers> &m_leftAtCrash;
    Verdict &m_verdict;
    QHash<QString, QList<qsizetype>> m_unclaimed; // by description
    QHash<QString, QString> m_keySets; // key -> set
    QSet<QString> m_claimedKeys;
};

} // namespace

Leftovers readLeftovers(const QString &programFolder)
{
    Leftovers left;
    QFile marker(markerIn(programFolder));
    if (marker.open(QIODevice::ReadOnly)) {
        left.marker = true;
        left.markerKey = QString::fromUtf8(marker.readLine()).trimmed();
    }
    try {
        const BookFile working(fileIn(programFolder, QString(schema::files::Temp)));
        for (const Row &r : working.rows(QStringLiteral("SELECT StokKod, KalanB, GirenTutar FROM StokKartlar")))
            left.workingList.insert(r[0].toString(), {number(r[1]), number(r[2])});
    } catch (const std::exception &error) {
        left.error = QString::fromUtf8(error.what());
    }
    return left;
}

QString describe(const QString &kind, const QString &set, const QString &account, const QList<JournalLine> &lines)
{
    QStringList parts;
    for (const JournalLine &line : lines)
        parts << QStringLiteral("%1=%2/%3")
                     .arg(line.code, QString::number(line.quantity, 'f', 4), QString::number(line.amount, 'f', 2));
    parts.sort();
    return QStringLiteral("%1 in set %2 for %3: %4").arg(kind, set, account, parts.join(u' '));
}

void checkTerminals(const QStringList &programFolders, const Baseline &baseline, const QList<BookDocument> &documents,
    const QHash<QString, QStringList> &keys, const QHash<QString, Leftovers> &leftAtCrash, Verdict &verdict)
{
    TerminalCheck check(baseline, documents, leftAtCrash, verdict);
    check.readKeys(keys);
    for (const QString &folder : programFolders)
        check.checkTerminal(folder);
    check.finish();
}

} // namespace pusla::harness
