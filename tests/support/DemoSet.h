#pragma once

#include "demo/DemoData.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

namespace pusla::test {

/// Demo data laid out in the tree's data folder and program folder.
inline DemoOptions demoOptions(const TempTree &tree, int itemCount = 40)
{
    DemoOptions options;
    options.dataDirectory = tree.dataFolder();
    options.programFolder = tree.paths().programFolder;
    options.itemCount = itemCount;
    return options;
}

/// The small demo set (centre "01", branches "02" and "03") the fixtures start from.
inline void createDemoSet(const TempTree &tree)
{
    const DemoResult made = createDemoData(demoOptions(tree));
    ASSERT_TRUE(made.ok) << made.errorText.toStdString();
}

} // namespace pusla::test
