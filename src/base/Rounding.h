#pragma once

#include <cfenv>
#include <cmath>

namespace pusla {

/// Rounds to `decimals` places sending an exact half to the even last digit
/// (0.03125 -> 0.0312, 0.09375 -> 0.0938), as the suite rounds balances.
inline double roundHalfEven(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    // nearbyint follows the current rounding mode, which is to-nearest-even
    // unless someone changed it.
    const int mode = std::fegetround();
    if (mode != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value * scale) / scale;
    if (mode != FE_TONEAREST)
        std::fesetround(mode);
    return rounded;
}

} // namespace pusla
