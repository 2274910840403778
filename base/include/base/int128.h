// 128-bit integer types.
//
// GCC and Clang provide 128-bit integers as an extension; these aliases name them once so that
// -Wpedantic stays quiet everywhere else. Arithmetic that must wrap modulo 2^128 is done on U128
// and converted back (a conversion to I128 is modular since C++20); signed overflow is never
// relied on.
#pragma once

namespace kovra::base {

__extension__ typedef __int128 I128;
__extension__ typedef unsigned __int128 U128;

inline constexpr I128 kI128Max = static_cast<I128>(~static_cast<U128>(0) >> 1);
inline constexpr I128 kI128Min = -kI128Max - 1;
inline constexpr U128 kU128Max = ~static_cast<U128>(0);

}  // namespace kovra::base
