#pragma once

#include "app/Terminal.h"
#include "base/Services.h"
#include "forms/TerminalForm.h"
#include "base/PathMapper.h"
#include "base/RegionalFormat.h"
#include "base/SettingsStore.h"
#include "support/FakeProgram.h"
#include "support/ScriptedDialogs.h"
#include "support/Taps.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <memory>

namespace pusla::test {

/// A temporary machine with the main form's services; the form itself is
/// opened by the test (so that settings can be laid down first).
class FormFixture : public ::testing::Test
{
protected:
    FormFixture()
        : program(tree.paths().programFolder)
        , settings(tree.paths().configFolder)
        , mapper(tree.paths())
        , formats(QLocale(QLocale::Turkish, QLocale::Turkey))
        , services{dialogs, program, clock, settings, mapper, formats}
    {
        // Waits that let events run see time pass without really waiting.
        program.onDoEvents = [this] { clock.elapsed += 0.05; };
    }

    TerminalForm &openForm()
    {
        terminal = std::make_unique<Terminal>(services);
        form = &terminal->form();
        form->show();
        return *form;
    }

    QString placement(const QString &name) const
    {
        return settings.regReadString(SettingsStore::HKEY_CURRENT_USER, QStringLiteral("LoginEx\\Properties1"), name);
    }

    TempTree tree;
    ScriptedDialogs dialogs;
    FakeProgram program;
    FakeClock clock;
    SettingsStore settings;
    PathMapper mapper;
    RegionalFormat formats;
    Services services;
    std::unique_ptr<Terminal> terminal;
    TerminalForm *form = nullptr;
};

} // namespace pusla::test
