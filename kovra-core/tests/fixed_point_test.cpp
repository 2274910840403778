#include "kovra-core/fixed_point.h"

#include <gtest/gtest.h>

#include "int128_text.h"

namespace kovra::core {
namespace {

using test::dec;
using test::dec_u;
using test::i128;

constexpr U128 kU128Max = base::kU128Max;

TEST(IsqrtU128, KnownRoots) {
  // Expected roots from Python's math.isqrt (tests/model/fixed_point_model.py).
  struct Case {
    U128 value;
    const char* root;
  };
  const Case cases[] = {
      {0, "0"},
      {1, "1"},
      {2, "1"},
      {3, "1"},
      {15, "3"},
      {16, "4"},
      {(U128{1} << 126) - 1, "9223372036854775807"},
      {U128{1} << 126, "9223372036854775808"},
      {kU128Max, "18446744073709551615"},
  };
  for (const Case& c : cases) EXPECT_EQ(dec_u(isqrt_u128(c.value)), c.root) << dec_u(c.value);
}

TEST(IsqrtU128, ExactAroundPerfectSquares) {
  // r^2 and r^2 - 1 for roots of every bit length up to 2^64 - 1: the root and one below.
  for (int bits = 1; bits <= 64; ++bits) {
    for (U128 r : {(U128{1} << (bits - 1)), (U128{1} << bits) - 1, (U128{1} << (bits - 1)) + 3}) {
      if (r >> 64 != 0 || r < 2) continue;
      EXPECT_EQ(isqrt_u128(r * r), r) << bits;
      EXPECT_EQ(isqrt_u128(r * r - 1), r - 1) << bits;
      EXPECT_EQ(isqrt_u128(r * r + 2 * r), r) << bits;  // (r + 1)^2 - 1
    }
  }
}

TEST(Isqrt, NonPositiveIsZero) {
  EXPECT_EQ(isqrt(0), 0);
  EXPECT_EQ(isqrt(-1), 0);
  EXPECT_EQ(isqrt(base::kI128Min), 0);
  EXPECT_EQ(dec(isqrt(base::kI128Max)), "13043817825332782212");
}

TEST(FixedArithmetic, WrapsAndTruncatesTowardZero) {
  EXPECT_EQ(wrapping_mul(base::kI128Max, 2), -2);
  EXPECT_EQ(wrapping_add(base::kI128Max, 1), base::kI128Min);
  EXPECT_EQ(wrapping_sub(base::kI128Min, 1), base::kI128Max);
  EXPECT_EQ(wrapping_neg(base::kI128Min), base::kI128Min);
  EXPECT_EQ(wrapping_abs(base::kI128Min), base::kI128Min);
  EXPECT_EQ(div_trunc(-7, 2), -3);
  EXPECT_EQ(div_trunc(7, -2), -3);
  EXPECT_EQ(div_trunc(-7, -2), 3);
  EXPECT_EQ(div_trunc(base::kI128Min, -1), base::kI128Min);
  EXPECT_EQ(div_trunc(5, 0), 0);
  // -1 x 1 / S truncates to 0 (a floor would give -1); products wrap before the division.
  EXPECT_EQ(fx_mul(-1, 1), 0);
  EXPECT_EQ(fx_mul(-1'500'000, 3'000'000), -4'500'000);
  EXPECT_EQ(dec(fx_mul(i128("170141183460469231731687303715884105727"), 2)), "0");
  EXPECT_EQ(fx_div(1, 3), 333'333);
  EXPECT_EQ(fx_div(-1, 3), -333'333);
}

}  // namespace
}  // namespace kovra::core
