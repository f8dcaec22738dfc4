#pragma once

namespace pusla {

/// The working-mode boxes Check1(0..2) and the operation-kind menu SbCr(0..1).
inline constexpr int kSale = 0;
inline constexpr int kCount = 1;
inline constexpr int kPurchase = 2;
inline constexpr int kDepo = 0;
inline constexpr int kCari = 1;

} // namespace pusla
