#include "base/Rounding.h"

#include <gtest/gtest.h>

namespace pusla {
namespace {

// Balances are kept to four places, ties to the even digit.
struct RoundingCase
{
    double value;
    double rounded;
};

class HalfEvenRounding : public ::testing::TestWithParam<RoundingCase>
{
};

TEST_P(HalfEvenRounding, TiesGoToTheEvenDigit)
{
    EXPECT_DOUBLE_EQ(roundHalfEven(GetParam().value, 4), GetParam().rounded);
}

INSTANTIATE_TEST_SUITE_P(Balances, HalfEvenRounding,
    ::testing::Values(RoundingCase {0.03125, 0.0312}, RoundingCase {0.09375, 0.0938}, RoundingCase {-0.03125, -0.0312},
        RoundingCase {1.23456, 1.2346}, RoundingCase {3, 3}));

} // namespace
} // namespace pusla
