// Inversion in Fq by a binary GCD that works a word at a time.
//
// The state is a pair (a, b), a = y at the start and b = p, with coefficients u, v such that
// a = u·y and b = v·y mod p. A step makes a odd (halvings), orders the pair so that a >= b and
// replaces a by a - b; it ends with a = 0 and b = gcd = 1, so that v = y^-1.
//
// The steps are run in batches of k = 30 halvings on 64-bit stand-ins of a and b: their low
// k bits (exact, so every parity is right) under their top 64 - k bits at the position of the
// longer of the two (so that the comparisons are nearly right). A batch records its steps as
// a matrix [f0 g0; f1 g1] with entries of at most 2^k in size, then applies it to the full
// values: a' = (f0·a + g0·b) / 2^k, b' = (f1·a + g1·b) / 2^k, negated when a comparison was
// wrong and the result came out negative. The coefficients follow by the same matrix, each
// with one word of Montgomery reduction in place of the division by 2^k (a pair of batches
// at a time), and a constant for the number of batches undoes the scale that leaves.
#include <algorithm>
#include <bit>

#include "base/invariant.h"
#include "bn254/fq.h"

namespace kovra::bn254::detail {

namespace {

__extension__ typedef __int128 i128;

constexpr int kBatchHalvings = 30;
// 2·254 halvings bring a + b from below 2^255 to 1, so 17 batches are enough when every
// comparison is right; the extra ones cover the stand-ins' wrong comparisons.
constexpr int kMaxBatches = 32;

// kScale[n] = 2^s·R^3 mod p, where 2^-s is the scale the coefficients have after n batches:
// 2^-(64 - 2k) for each pair of batches, 2^-(64 - k) for a last odd one. The product by it
// (one Montgomery product) turns the final coefficient into the Montgomery form of the
// inverse.
struct ScaleTable {
  std::array<Limbs, kMaxBatches + 1> scale{};
  constexpr ScaleTable() {
    const Limbs r3 = mul_portable<FqParams>(FQ_R2, FQ_R2);
    const Limbs pair =
        mul_portable<FqParams>(Limbs{uint64_t{1} << (64 - 2 * kBatchHalvings), 0, 0, 0}, FQ_R2);
    const Limbs single =
        mul_portable<FqParams>(Limbs{uint64_t{1} << (64 - kBatchHalvings), 0, 0, 0}, FQ_R2);
    Limbs pairs = r3;
    for (int n = 0; n <= kMaxBatches; ++n) {
      scale[n] = n % 2 == 0 ? pairs : mul_portable<FqParams>(pairs, single);
      if (n % 2 == 1) pairs = mul_portable<FqParams>(pairs, pair);
    }
  }
};
constexpr ScaleTable kScale{};

// The two entries f, g of a matrix row packed as f + 2^32·g.
int64_t unpack_low(uint64_t row) { return static_cast<int32_t>(static_cast<uint32_t>(row)); }
int64_t unpack_high(uint64_t row) {
  return static_cast<int64_t>(row - static_cast<uint64_t>(unpack_low(row))) >> 32;
}

// One step on the stand-ins, both odd: d = xa - xb, then xa = |d|, xb = min(xa, xb), and swap
// all ones when xa < xb (the rows then trade places too).
[[gnu::always_inline]] inline void select_step(uint64_t& xa, uint64_t& xb, uint64_t& d,
                                               uint64_t& swap) {
#if defined(__x86_64__) && defined(__GNUC__)
  // The compiler turns selects of this shape into a branch; conditional moves are wanted.
  uint64_t t;
  __asm__(
      "movq %[xb], %[t]\n\t"
      "subq %[xa], %[t]\n\t"
      "movq %[xa], %[d]\n\t"
      "subq %[xb], %[d]\n\t"
      "sbbq %[swap], %[swap]\n\t"
      "cmovcq %[xa], %[xb]\n\t"
      "movq %[d], %[xa]\n\t"
      "cmovcq %[t], %[xa]\n\t"
      : [xa] "+&r"(xa), [xb] "+&r"(xb), [d] "=&r"(d), [t] "=&r"(t), [swap] "=&r"(swap)
      :
      : "cc");
#else
  d = xa - xb;
  swap = 0 - static_cast<uint64_t>(xa < xb);
  xb += d & swap;
  xa = (d ^ swap) - swap;
#endif
}

int bit_length(const Limbs& x) {
  for (int i = 3; i >= 0; --i) {
    if (x[i] != 0) return 64 * i + 64 - std::countl_zero(x[i]);
  }
  return 0;
}

// The 64 bits of x that end at bit n (n >= 64).
uint64_t window(const Limbs& x, int n) {
  const int shift = n - 64;
  const int word = shift / 64, bit = shift % 64;
  if (bit == 0) return x[word];
  return (x[word] >> bit) | (x[word + 1] << (64 - bit));
}

// (f·a + g·b) / 2^k, an exact division, for a, b below 2^255 and |f|, |g| <= 2^k: the
// magnitude into `out`, true when the value is negative.
[[gnu::always_inline]] inline bool combine_and_shift(Limbs& out, const Limbs& a, const Limbs& b, int64_t f, int64_t g) {
  uint64_t w[4];
  i128 acc = 0;
  for (int i = 0; i < 4; ++i) {
    acc += static_cast<i128>(f) * static_cast<i128>(a[i]) +
           static_cast<i128>(g) * static_cast<i128>(b[i]);
    w[i] = static_cast<uint64_t>(acc);
    acc >>= 64;
  }
  const uint64_t top = static_cast<uint64_t>(static_cast<int64_t>(acc));
  constexpr int k = kBatchHalvings;
  out[0] = (w[0] >> k) | (w[1] << (64 - k));
  out[1] = (w[1] >> k) | (w[2] << (64 - k));
  out[2] = (w[2] >> k) | (w[3] << (64 - k));
  out[3] = (w[3] >> k) | (top << (64 - k));
  const bool negative = static_cast<int64_t>(acc) < 0;
  if (negative) {
    uint64_t borrow = 0;
    for (int i = 0; i < 4; ++i) out[i] = sbb(0, out[i], borrow);
  }
  return negative;
}

// p - x for a negative factor (p itself for x = 0: the product needs no reduced operand).
[[gnu::always_inline]] inline Limbs negate_if(const Limbs& x, uint64_t mask) {
  uint64_t borrow = 0;
  const uint64_t n0 = sbb(FQ_MODULUS[0], x[0], borrow);
  const uint64_t n1 = sbb(FQ_MODULUS[1], x[1], borrow);
  const uint64_t n2 = sbb(FQ_MODULUS[2], x[2], borrow);
  const uint64_t n3 = sbb(FQ_MODULUS[3], x[3], borrow);
  return {x[0] ^ ((x[0] ^ n0) & mask), x[1] ^ ((x[1] ^ n1) & mask),
          x[2] ^ ((x[2] ^ n2) & mask), x[3] ^ ((x[3] ^ n3) & mask)};
}

// (f·u + g·v) / 2^64 mod p for u, v below p and |f|, |g| <= 2^61, below p.
[[gnu::always_inline]] inline Limbs combine_mod_p(const Limbs& u, const Limbs& v, int64_t f,
                                                  int64_t g) {
  const uint64_t fmask = static_cast<uint64_t>(f >> 63), gmask = static_cast<uint64_t>(g >> 63);
  const Limbs uu = negate_if(u, fmask);
  const Limbs vv = negate_if(v, gmask);
  const uint64_t fm = (static_cast<uint64_t>(f) ^ fmask) - fmask;
  const uint64_t gm = (static_cast<uint64_t>(g) ^ gmask) - gmask;
  // t = fm·uu + gm·vv < 2^316, five words.
  uint64_t t[5];
  u128 acc = 0;
  for (int i = 0; i < 4; ++i) {
    acc += static_cast<u128>(fm) * uu[i] + static_cast<u128>(gm) * vv[i];
    t[i] = lo64(acc);
    acc >>= 64;
  }
  t[4] = lo64(acc);
  // (t + k·p) / 2^64 with k·p = -t mod 2^64: below 2^252 + p < 2p.
  const uint64_t k = t[0] * FQ_INV;
  acc = static_cast<u128>(k) * FQ_MODULUS[0] + t[0];
  acc >>= 64;
  uint64_t r[4];
  for (int i = 1; i < 4; ++i) {
    acc += static_cast<u128>(k) * FQ_MODULUS[i] + t[i];
    r[i - 1] = lo64(acc);
    acc >>= 64;
  }
  acc += t[4];
  r[3] = lo64(acc);
  reduce_once<FqParams>(r[0], r[1], r[2], r[3]);
  return {r[0], r[1], r[2], r[3]};
}

}  // namespace

Limbs fq_inverse_nonzero(const Limbs& y) {
  Limbs a = y;
  Limbs b = FQ_MODULUS;
  Limbs u = {1, 0, 0, 0};
  Limbs v = {0, 0, 0, 0};
  constexpr uint64_t kLowMask = (uint64_t{1} << kBatchHalvings) - 1;
  // The matrix of the odd batch before, not yet applied to the coefficients.
  int64_t m00 = 1, m01 = 0, m10 = 0, m11 = 1;
  for (int batch = 1; batch <= kMaxBatches; ++batch) {
    const int n = bit_length({a[0] | b[0], a[1] | b[1], a[2] | b[2], a[3] | b[3]});
    uint64_t xa = a[0], xb = b[0];
    if (n > 64) {
      xa = (window(a, n) & ~kLowMask) | (a[0] & kLowMask);
      xb = (window(b, n) & ~kLowMask) | (b[0] & kLowMask);
    }
    // xa = (f0·a + g0·b) / 2^h, xb = (f1·a + g1·b) / 2^h after h halvings; xb stays odd.
    // Each row of the matrix is one word, f + 2^32·g: the row operations are linear, and
    // every entry stays within 2^30 in size.
    uint64_t row0 = 1, row1 = uint64_t{1} << 32;
    int left = kBatchHalvings;
    int z = std::countr_zero(xa);
    for (;;) {
      if (z >= left) {
        row1 <<= left;
        break;
      }
      xa >>= z;
      row1 <<= z;
      left -= z;
      // Both odd: a becomes |a - b| and b the smaller of the two, by conditional moves (the
      // comparison is a coin toss, a branch would miss half the time); the halvings that
      // follow depend only on the difference, so they need not wait for the selection.
      uint64_t d, swap;
      select_step(xa, xb, d, swap);
      const uint64_t dr = row0 - row1;
      row1 += dr & swap;
      row0 = (dr ^ swap) - swap;
      z = std::countr_zero(d);
    }
    int64_t f0 = unpack_low(row0), g0 = unpack_high(row0);
    int64_t f1 = unpack_low(row1), g1 = unpack_high(row1);
    Limbs a2, b2;
    if (combine_and_shift(a2, a, b, f0, g0)) {
      f0 = -f0;
      g0 = -g0;
    }
    if (combine_and_shift(b2, a, b, f1, g1)) {
      f1 = -f1;
      g1 = -g1;
    }
    a = a2;
    b = b2;
    // The coefficients take the matrices two at a time (the product of two has entries of at
    // most 2^61), which halves their reductions.
    if (batch % 2 == 0) {
      const int64_t p00 = f0 * m00 + g0 * m10, p01 = f0 * m01 + g0 * m11;
      const int64_t p10 = f1 * m00 + g1 * m10, p11 = f1 * m01 + g1 * m11;
      f0 = p00, g0 = p01, f1 = p10, g1 = p11;
    }
    const bool done = limbs_is_zero(a);
    if (done || batch % 2 == 0) {
      if (done) {
        KOVRA_INVARIANT((b == Limbs{1, 0, 0, 0}), "the gcd of a nonzero value and p is 1");
        return mul<FqParams>(combine_mod_p(u, v, f1, g1), kScale.scale[batch]);
      }
      const Limbs u2 = combine_mod_p(u, v, f0, g0);
      v = combine_mod_p(u, v, f1, g1);
      u = u2;
    } else {
      m00 = f0, m01 = g0, m10 = f1, m11 = g1;
    }
  }
  KOVRA_INVARIANT(false, "the inversion ends within its batch bound");
  return {};
}

}  // namespace kovra::bn254::detail
