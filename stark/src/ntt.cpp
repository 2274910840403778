#include "stark/ntt.h"

#include <array>
#include <bit>
#include <utility>
#include <vector>

#include "base/invariant.h"

namespace kovra::stark {
namespace {

// INV_ROOTS[log2 N]^i for i < N / 2: the twiddles of an N-point stage.
template <size_t N>
constexpr std::array<BabyBearElem, N / 2> stage_twiddles() {
  std::array<BabyBearElem, N / 2> t{};
  const BabyBearElem w = INV_ROOTS[std::countr_zero(N)];
  t[0] = BabyBearElem::one();
  for (size_t i = 1; i < N / 2; ++i) t[i] = t[i - 1] * w;
  return t;
}

// The first butterfly of each stage has the twiddle one and skips its product.
template <size_t N>
[[gnu::always_inline]] inline void rev_butterfly(std::span<BabyBearExtElem, N> x) {
  static constexpr std::array<BabyBearElem, N / 2> tw = stage_twiddles<N>();
  {
    const BabyBearExtElem a = x[0], b = x[N / 2];
    x[0] = a + b;
    x[N / 2] = a - b;
  }
  for (size_t i = 1; i < N / 2; ++i) {
    const BabyBearExtElem a = x[i], b = x[i + N / 2];
    x[i] = a + b;
    x[i + N / 2] = (a - b) * tw[i];
  }
  if constexpr (N > 2) {
    rev_butterfly<N / 2>(x.template first<N / 2>());
    rev_butterfly<N / 2>(x.template last<N / 2>());
  }
}

size_t bit_reverse(size_t i, unsigned bits) {
  size_t r = 0;
  for (unsigned b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
  return r;
}

// Iterative radix-2 transform: values at root^i from coefficients (natural order in and out).
template <class T>
void transform(std::span<T> a, const std::array<BabyBearElem, 28>& roots) {
  const size_t n = a.size();
  if (n <= 1) return;
  KOVRA_INVARIANT(std::has_single_bit(n) && n <= (size_t{1} << 27), "transform size");
  const unsigned bits = static_cast<unsigned>(std::countr_zero(n));
  for (size_t i = 0; i < n; ++i) {
    const size_t j = bit_reverse(i, bits);
    if (i < j) std::swap(a[i], a[j]);
  }
  for (unsigned s = 1; s <= bits; ++s) {
    const size_t len = size_t{1} << s;
    const BabyBearElem wlen = roots[s];
    std::vector<BabyBearElem> tw(len / 2);
    tw[0] = BabyBearElem::one();
    for (size_t k = 1; k < len / 2; ++k) tw[k] = tw[k - 1] * wlen;
    for (size_t i = 0; i < n; i += len) {
      for (size_t k = 0; k < len / 2; ++k) {
        const T u = a[i + k];
        const T v = a[i + k + len / 2] * tw[k];
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

template <class T>
void inverse(std::span<T> a) {
  transform(a, INV_ROOTS);
  const BabyBearElem inv_n = BabyBearElem::from_u32(static_cast<uint32_t>(a.size())).inv();
  for (auto& v : a) v = v * inv_n;
}

}  // namespace

void rev_butterfly_16(std::span<BabyBearExtElem, 16> x) { rev_butterfly<16>(x); }
void rev_butterfly_8(std::span<BabyBearExtElem, 8> x) { rev_butterfly<8>(x); }
void rev_butterfly_4(std::span<BabyBearExtElem, 4> x) { rev_butterfly<4>(x); }
void rev_butterfly_2(std::span<BabyBearExtElem, 2> x) { rev_butterfly<2>(x); }

void interpolate_16(std::span<BabyBearExtElem, 16> v) {
  rev_butterfly_16(v);
  static constexpr BabyBearElem inv16 = BabyBearElem::from_u32(16).inv();
  for (auto& e : v) e = e * inv16;
  for (size_t i = 0; i < 16; ++i) {
    const size_t j = bit_reverse(i, 4);
    if (i < j) std::swap(v[i], v[j]);
  }
}

void evaluate_on_roots(std::span<BabyBearElem> a) { transform(a, ROOTS); }
void evaluate_on_roots(std::span<BabyBearExtElem> a) { transform(a, ROOTS); }
void interpolate_on_roots(std::span<BabyBearElem> a) { inverse(a); }
void interpolate_on_roots(std::span<BabyBearExtElem> a) { inverse(a); }

}  // namespace kovra::stark
