#pragma once

#include <QHash>
#include <QProcessEnvironment>
#include <QString>

namespace pusla {

/// Where Pusla keeps its files on this machine. Everything can be moved with
/// environment variables, which is how tests and deployments relocate it:
///   PUSLA_HOME       program folder (default $XDG_DATA_HOME/pusla)
///   PUSLA_SHARES     root of the network shares (default $XDG_DATA_HOME/pusla/shares)
///   PUSLA_DRIVE_C    root of drive C: (default $HOME); PUSLA_DRIVE_D etc. for other letters
///   XDG_CONFIG_HOME  settings go to $XDG_CONFIG_HOME/pusla (default ~/.config/pusla)
/// The desktop folder is the user's, as xdg-user-dirs names it (~/Desktop).
struct Paths
{
    QString programFolder;
    QString sharesRoot;
    QHash<QChar, QString> driveRoots; // upper-case drive letter -> local folder
    QString configFolder;
    QString desktopFolder;

    static Paths fromEnvironment(const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
    /// All four locations under one root folder, as tests lay them out.
    static Paths underRoot(const QString &root);
};

} // namespace pusla
