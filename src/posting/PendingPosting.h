#pragma once

#include <QString>

namespace pusla {

class Database;
class PathMapper;

/// Posts a document exactly once although the books and the terminal's
/// working list live in different places: the books on the share or the
/// server, where any terminal may recover them after a crash, the working
/// list in the terminal's own folder, which no other terminal sees.
///
/// A marker beside the working list, written before the books' transaction
/// and removed after the reset, names the document's key and the file that
/// keeps the keys. The books' transaction records the key before anything
/// else and commits; then the working list is reset. A marker found later (a
/// crash, a kill, a power loss, a commit whose answer never came) is settled
/// by claiming the key in the books as "void": the claim waits for a posting
/// of that key still on its way and keeps it from landing afterwards, so the
/// answer holds for good. The key was the document's: it landed, and the
/// reset is finished; the claim took: it never will, and the lines stay for
/// the operator to confirm again.
/// What the operator reads when a document found pending had landed after all.
inline constexpr char kEarlierDocumentPosted[]
    = "Son belge kaydedilmişti; satırları çalışma listesinden temizlendi.";

class PendingPosting
{
public:
    enum class Outcome {
        None, ///< No marker: nothing was pending.
        Posted, ///< The document had landed; the working list is reset now.
        NotPosted, ///< The document had not landed; the lines stay.
        Unknown, ///< The books could not be asked; the marker stays.
    };

    PendingPosting(const PathMapper &mapper, const QString &programFolder);

    /// Writes the marker of a document whose key will be kept in
    /// `booksFile` (a Windows path) and returns the key. Throws
    /// PostingFailure when the marker cannot be written.
    QString begin(const QString &booksFile);
    /// Records the key in the books as its document's; call inside the
    /// document's transaction, before its first write.
    static void record(Database &books, const QString &key, const QString &moment);
    /// Takes back a key recorded in the open transaction whose document
    /// turned out to have nothing to post.
    static void withdraw(Database &books, const QString &key);
    /// Settles the marker of a document whose fate is not known, if there is
    /// one. `why` receives the reason of an Unknown outcome.
    Outcome settle(QString *why = nullptr);
    /// Ends the marker of a document whose transaction this terminal saw end:
    /// committed, the working list is reset; rolled back, the lines stay.
    void finish(bool posted);

    QString markerPath() const;

private:
    bool landed(const QString &booksFile, const QString &key) const;
    bool removeMarker(QString *why) const;
    void resetWorkingList() const;

    const PathMapper &m_mapper;
    QString m_programFolder;
};

} // namespace pusla
