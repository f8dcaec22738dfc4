#pragma once

#include "support/DemoSet.h"
#include "support/FormFixture.h"

#include <QFile>

namespace pusla::test {

/// The main form's services over a small demo data set: centre "01",
/// branches "02" and "03", and the terminal's local databases.
class DemoFixture : public FormFixture
{
protected:
    void SetUp() override
    {
        createDemoSet(tree);
    }

    QString dataFile(const QString &name) const { return tree.dataFolder() + QLatin1Char('/') + name; }
    QString programFile(const QString &name) const { return tree.paths().programFolder + QLatin1Char('/') + name; }
    // The same file as the program names it, Windows-style.
    QString programText(const QString &name) const { return tree.paths().programFolder + u'\\' + name; }

    TerminalForm &chooseRole(int role)
    {
        TerminalForm &f = openForm();
        tap(f.Option1[role]);
        return f;
    }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void storeServerAddress(const QString &address)
    {
        settings.saveSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("ip"), address);
    }
};

} // namespace pusla::test
