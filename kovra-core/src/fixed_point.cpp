#include "kovra-core/fixed_point.h"

namespace kovra::core {

U128 isqrt_u128(U128 value) {
  // Digit-by-digit square root in base 4: `one` walks down the even bit positions from the
  // highest power of 4 not above the value.
  U128 one = U128{1} << 126;
  while (one > value) one >>= 2;
  U128 r = 0;
  while (one != 0) {
    if (value >= r + one) {
      value -= r + one;
      r = (r >> 1) + one;
    } else {
      r >>= 1;
    }
    one >>= 2;
  }
  return r;
}

I128 isqrt(I128 value) {
  if (value <= 0) return 0;
  return static_cast<I128>(isqrt_u128(static_cast<U128>(value)));
}

}  // namespace kovra::core
