#pragma once

#include <QString>

namespace pusla {

/// A shortcut on the user's desktop to a document: a freedesktop.org desktop
/// entry that opens the document with the desktop's default viewer.
struct DesktopEntry
{
    QString name; ///< the entry's name, also its file name (safe, without ".desktop")
    QString description; ///< shown as the entry's comment
    QString target; ///< the document's local file
    QString workingDirectory; ///< a local folder

    /// The entry's text, each value escaped as the desktop entry format wants.
    QString text() const;

    /// Writes (or rewrites) `folder`/name.desktop, whole or not at all, made
    /// executable and, where a GNOME desktop keeps its trust marks, trusted, so
    /// that a desktop runs it on a double click. The folder is made when it is
    /// missing. Returns why it failed; empty when written. Never waits on
    /// another program.
    QString save(const QString &folder) const;
};

} // namespace pusla
