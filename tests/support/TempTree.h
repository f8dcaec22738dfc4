#pragma once

#include "base/Paths.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pusla::test {

/// A temporary machine: program folder, shares, drive C: and settings folder,
/// all under one root that disappears with the test.
class TempTree
{
public:
    TempTree()
    {
        EXPECT_TRUE(m_root.isValid());
        m_paths = Paths::underRoot(m_root.path());
        for (const QString &dir : {m_paths.programFolder, m_paths.sharesRoot, m_paths.configFolder})
            QDir().mkpath(dir);
        for (const QString &dir : m_paths.driveRoots)
            QDir().mkpath(dir);
    }

    const Paths &paths() const { return m_paths; }
    QString root() const { return m_root.path(); }
    /// The local folder behind `\\127.0.0.1\MuhasebeData\`.
    QString dataFolder() const { return m_paths.sharesRoot + QStringLiteral("/127.0.0.1/MuhasebeData"); }

private:
    QTemporaryDir m_root;
    Paths m_paths;
};

} // namespace pusla::test
