#include "bn254/testing/eth_precompile.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/hex.h"
#include "base/invariant.h"
#include "bn254/final_exponentiation.h"
#include "bn254/g1.h"
#include "bn254/g2.h"
#include "bn254/miller_loop.h"

namespace kovra::bn254::testing {

namespace {

std::vector<uint8_t> padded(std::span<const uint8_t> input, size_t n) {
  std::vector<uint8_t> out(n, 0);
  std::copy_n(input.begin(), std::min(n, input.size()), out.begin());
  return out;
}

std::optional<Fq> fq_be(const uint8_t* b) {
  Limbs v{};
  for (int i = 0; i < 32; ++i) v[3 - i / 8] |= uint64_t{b[i]} << (8 * (7 - i % 8));
  return Fq::from_canonical(v);
}

void put_fq_be(const Fq& f, uint8_t* out) {
  const Limbs v = f.to_canonical();
  for (int i = 0; i < 32; ++i) out[i] = static_cast<uint8_t>(v[3 - i / 8] >> (8 * (7 - i % 8)));
}

std::optional<G1Affine> g1_be(const uint8_t* b) {
  const auto x = fq_be(b), y = fq_be(b + 32);
  if (!x || !y) return std::nullopt;
  if (x->is_zero() && y->is_zero()) return G1Affine::identity();
  const G1Affine p{*x, *y, false};
  if (!p.is_on_curve().ok()) return std::nullopt;
  return p;
}

std::optional<G2Affine> g2_be(const uint8_t* b) {
  const auto x1 = fq_be(b), x0 = fq_be(b + 32), y1 = fq_be(b + 64), y0 = fq_be(b + 96);
  if (!x0 || !x1 || !y0 || !y1) return std::nullopt;
  const G2Affine p{Fq2{*x0, *x1}, Fq2{*y0, *y1}, false};
  if (p.x.is_zero() && p.y.is_zero()) return G2Affine::identity();
  if (!p.check().ok()) return std::nullopt;
  return p;
}

std::vector<uint8_t> g1_out(const G1Projective& t) {
  const G1Affine p = t.to_affine();
  std::vector<uint8_t> out(64, 0);
  if (!p.infinity) {
    put_fq_be(p.x, out.data());
    put_fq_be(p.y, out.data() + 32);
  }
  return out;
}

}  // namespace

std::optional<std::vector<uint8_t>> eth_g1_add(std::span<const uint8_t> input) {
  const std::vector<uint8_t> in = padded(input, 128);
  const auto p = g1_be(in.data()), q = g1_be(in.data() + 64);
  if (!p || !q) return std::nullopt;
  G1Projective t = p->to_projective();
  if (!q->infinity) t.add_assign_affine(*q);
  return g1_out(t);
}

std::optional<std::vector<uint8_t>> eth_g1_scalar_mul(std::span<const uint8_t> input) {
  const std::vector<uint8_t> in = padded(input, 96);
  const auto p = g1_be(in.data());
  if (!p) return std::nullopt;
  std::array<uint64_t, 4> k{};
  for (int i = 0; i < 32; ++i) k[3 - i / 8] |= uint64_t{in[64 + i]} << (8 * (7 - i % 8));
  return g1_out(p->scalar_mul(k));
}

std::optional<bool> eth_pairing_check(std::span<const uint8_t> input) {
  if (input.size() % 192 != 0) return std::nullopt;
  const size_t n = input.size() / 192;
  std::vector<G1Affine> ps;
  std::vector<G2LineCoeffs> lines;
  lines.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const auto p = g1_be(input.data() + 192 * i);
    const auto q = g2_be(input.data() + 192 * i + 64);
    if (!p || !q) return std::nullopt;
    ps.push_back(*p);
    lines.push_back(G2LineCoeffs::from_point(*q));
  }
  std::vector<MillerLoopPair> pairs;
  for (size_t i = 0; i < n; ++i) pairs.push_back({ps[i], lines[i]});
  const std::optional<Fq12> e = final_exponentiation(miller_loop(pairs));
  KOVRA_INVARIANT(e.has_value(), "Miller value of valid points is zero");
  return *e == Fq12::one();
}

std::vector<GethVector> read_geth_vectors(const std::string& path) {
  std::ifstream f(path);
  KOVRA_INVARIANT(f.good(), "cannot open a vector file");
  std::stringstream ss;
  ss << f.rdbuf();
  const std::string text = ss.str();
  // The value of the string field `key` at or after `from`, advancing `from` past it.
  auto field = [&text](const std::string& key, size_t& from) -> std::optional<std::string> {
    const std::string tag = "\"" + key + "\": \"";
    const size_t at = text.find(tag, from);
    if (at == std::string::npos) return std::nullopt;
    const size_t start = at + tag.size();
    const size_t end = text.find('"', start);
    KOVRA_INVARIANT(end != std::string::npos, "unterminated string in a vector file");
    from = end + 1;
    return text.substr(start, end - start);
  };
  std::vector<GethVector> out;
  size_t pos = 0;
  while (true) {
    const auto input = field("Input", pos);
    if (!input) break;
    const auto expected = field("Expected", pos);
    const auto name = field("Name", pos);
    KOVRA_INVARIANT(expected && name, "vector entry without Expected or Name");
    auto in = base::parse_hex(*input);
    auto ex = base::parse_hex(*expected);
    KOVRA_INVARIANT(in && ex, "vector entry with malformed hexadecimal");
    out.push_back(GethVector{*name, std::move(*in), std::move(*ex)});
  }
  return out;
}

}  // namespace kovra::bn254::testing
