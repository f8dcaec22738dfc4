#pragma once

#include <gtest/gtest.h>

namespace pusla::test {

/// A fixture run once for every case of a table: TEST_P over
/// `using SomeTest = Cases<SomeFixture, SomeCase>;`.
template <class Fixture, class Case>
class Cases : public Fixture, public ::testing::WithParamInterface<Case>
{
};

} // namespace pusla::test
