#pragma once

namespace pusla {

/// The indexes of the main form's choices: the role buttons Option1(0..2),
/// the working-mode boxes Check1(0..2) and the operation-kind menu SbCr(0..1).
inline constexpr int kExitRole = 0;
inline constexpr int kServerRole = 1;
inline constexpr int kUserRole = 2;
inline constexpr int kSale = 0;
inline constexpr int kCount = 1;
inline constexpr int kPurchase = 2;
inline constexpr int kDepo = 0;
inline constexpr int kCari = 1;

} // namespace pusla
