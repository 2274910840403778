// Decimal text of 128-bit integers for the tests: expected values are written as decimal
// strings (most do not fit in a 64-bit literal), and a mismatch prints readably.
#pragma once

#include <string>

#include "base/int128.h"

namespace kovra::core::test {

inline std::string dec(base::I128 v) {
  const bool negative = v < 0;
  base::U128 m = negative ? base::U128{0} - static_cast<base::U128>(v) : static_cast<base::U128>(v);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  return negative ? "-" + digits : digits;
}

inline std::string dec_u(base::U128 v) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  } while (v != 0);
  return digits;
}

// Parses an optionally signed decimal literal (the test's own constants only).
inline base::I128 i128(const char* text) {
  const bool negative = *text == '-';
  if (negative) ++text;
  base::U128 m = 0;
  for (; *text; ++text) m = m * 10 + static_cast<base::U128>(*text - '0');
  return negative ? static_cast<base::I128>(base::U128{0} - m) : static_cast<base::I128>(m);
}

}  // namespace kovra::core::test
