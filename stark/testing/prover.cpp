// The test prover. Its algebra (extension, check polynomial, quotients, folding) is written
// from the protocol's definitions in coefficient and evaluation form and does not call the
// verifier's routines; the NTTs, field, hash suites and transcript are shared.
#include "stark/testing/prover.h"

#include <bit>
#include <utility>

#include "base/invariant.h"
#include "stark/ntt.h"

namespace kovra::stark::testing {
namespace {

using Ext = BabyBearExtElem;
using Fp = BabyBearElem;

constexpr size_t kQueries = 50;
constexpr uint64_t kStopDegree = 256;

struct Writer {
  std::vector<uint32_t> words;
  std::vector<SealRegion> regions;

  void open(std::string kind, int query = -1) {
    regions.push_back(SealRegion{std::move(kind), query, words.size(), words.size()});
  }
  void close() { regions.back().end = words.size(); }
  void put(uint32_t w) { words.push_back(w); }
  void put(const Digest& d) {
    for (uint32_t w : d.words) put(w);
  }
  void put(const Ext& e) {
    for (const Fp& c : e.c) put(c.raw());
  }
};

// A Merkle tree over row-major cells, every node kept.
struct Tree {
  size_t rows = 0;
  size_t cols = 0;
  std::vector<Fp> cells;
  std::vector<Digest> nodes;  // heap order, nodes[1] the root

  void build(const HashFunction& h) {
    nodes.assign(2 * rows, Digest{});
    for (size_t i = 0; i < rows; ++i)
      nodes[rows + i] = h.hash_elem_slice(std::span<const Fp>(cells.data() + i * cols, cols));
    for (size_t k = rows - 1; k >= 1; --k) nodes[k] = h.hash_pair(nodes[2 * k], nodes[2 * k + 1]);
  }
  size_t top_size() const {
    const unsigned layers = static_cast<unsigned>(std::countr_zero(rows));
    const unsigned top = layers < 2 ? 0 : std::min(layers - 1, 5u);
    return size_t{1} << top;
  }
  void write_top(Writer& w, const std::string& kind) const {
    w.open(kind);
    for (size_t j = top_size(); j < 2 * top_size(); ++j) w.put(nodes[j]);
    w.close();
  }
  void write_opening(Writer& w, const std::string& kind, int query, size_t idx) const {
    w.open(kind + ".row", query);
    for (size_t c = 0; c < cols; ++c) w.put(cells[idx * cols + c].raw());
    w.close();
    w.open(kind + ".path", query);
    for (size_t pos = idx + rows; pos >= 2 * top_size(); pos /= 2) w.put(nodes[pos ^ 1]);
    w.close();
  }
};

// A committed column: its values on the evaluation domain and the coefficients of the
// polynomial they come from.
struct Committed {
  Column evals;
  Column coeffs;
};

// Interpolates a trace column on the trace domain, shifts it by 3 (coefficient k times 3^k) and
// evaluates it on the domain of 4 * n points.
Committed extend(const Column& trace, size_t domain) {
  Committed c;
  c.coeffs = trace;
  interpolate_on_roots(c.coeffs);
  Fp power = Fp::one();
  const Fp three = Fp::from_u32(3);
  for (Fp& v : c.coeffs) {
    v *= power;
    power *= three;
  }
  c.coeffs.resize(domain);
  c.evals = c.coeffs;
  evaluate_on_roots(c.evals);
  return c;
}

Tree tree_of(const std::vector<Committed>& cols, size_t rows, const HashFunction& h) {
  Tree t;
  t.rows = rows;
  t.cols = cols.size();
  t.cells.resize(rows * t.cols);
  for (size_t i = 0; i < rows; ++i)
    for (size_t c = 0; c < t.cols; ++c) t.cells[i * t.cols + c] = cols[c].evals[i];
  t.build(h);
  return t;
}

// Horner over a base-field coefficient list at an extension point.
Ext eval_base(const Column& coeffs, const Ext& x) {
  size_t n = coeffs.size();
  while (n > 0 && coeffs[n - 1] == Fp::zero()) --n;
  Ext acc;
  for (size_t k = n; k-- > 0;) acc = acc * x + Ext(coeffs[k]);
  return acc;
}

// The coefficients of the polynomial through (xs[i], ys[i]) (Lagrange form multiplied out).
std::vector<Ext> interpolate_points(const std::vector<Ext>& xs, const std::vector<Ext>& ys) {
  const size_t n = xs.size();
  std::vector<Ext> out(n);
  for (size_t i = 0; i < n; ++i) {
    std::vector<Ext> basis{Ext::one()};
    Ext denom = Ext::one();
    for (size_t j = 0; j < n; ++j) {
      if (j == i) continue;
      std::vector<Ext> next(basis.size() + 1);
      for (size_t k = 0; k < basis.size(); ++k) {
        next[k + 1] += basis[k];
        next[k] -= basis[k] * xs[j];
      }
      basis = std::move(next);
      denom *= xs[i] - xs[j];
    }
    KOVRA_INVARIANT(denom != Ext(), "opening points coincide: po2 too small for the circuit's backs");
    const Ext scale = ys[i] * denom.inv();
    for (size_t k = 0; k < n; ++k) out[k] += basis[k] * scale;
  }
  return out;
}

// f / (X - a) by synthetic division; returns the remainder.
Ext divide_linear(std::vector<Ext>& f, const Ext& a) {
  Ext carry;
  for (size_t k = f.size(); k-- > 0;) {
    const Ext coeff = f[k];
    f[k] = carry;
    carry = coeff + a * carry;
  }
  // f[k] now holds quotient coefficient k (the top one is zero); carry is the remainder.
  return carry;
}

// The constraint program, evaluated over extension values (one row at a time).
class Interpreter {
 public:
  explicit Interpreter(const ConstraintProgram& p) : p_(p) {}
  Ext run(const Ext& poly_mix, std::span<const Ext> taps, std::span<const Fp> args0,
          std::span<const Fp> args1) {
    fp_.clear();
    sums_.clear();
    scales_.clear();
    for (const ConstraintStep& s : p_.steps) {
      const auto& o = s.ops;
      auto c = [](uint64_t v) { return Fp::from_u32(static_cast<uint32_t>(v)); };
      switch (s.kind) {
        case StepKind::Const: fp_.push_back(Ext(c(o[0]))); break;
        case StepKind::ConstExt: fp_.push_back(Ext(c(o[0]), c(o[1]), c(o[2]), c(o[3]))); break;
        case StepKind::Tap: fp_.push_back(taps[o[0]]); break;
        case StepKind::Global: fp_.push_back(Ext(o[0] == 0 ? args0[o[1]] : args1[o[1]])); break;
        case StepKind::Add: fp_.push_back(fp_[o[0]] + fp_[o[1]]); break;
        case StepKind::Sub: fp_.push_back(fp_[o[0]] - fp_[o[1]]); break;
        case StepKind::Mul: fp_.push_back(fp_[o[0]] * fp_[o[1]]); break;
        case StepKind::MixStart:
          sums_.push_back(Ext());
          scales_.push_back(Ext::one());
          break;
        case StepKind::MixZero: {
          const Ext sum = sums_[o[0]] + scales_[o[0]] * fp_[o[1]];
          const Ext scale = scales_[o[0]] * poly_mix;
          sums_.push_back(sum);
          scales_.push_back(scale);
          break;
        }
        case StepKind::MixCond: {
          const Ext sum = sums_[o[0]] + fp_[o[1]] * sums_[o[2]] * scales_[o[0]];
          const Ext scale = scales_[o[0]] * scales_[o[2]];
          sums_.push_back(sum);
          scales_.push_back(scale);
          break;
        }
      }
    }
    return sums_[p_.result];
  }

 private:
  const ConstraintProgram& p_;
  std::vector<Ext> fp_, sums_, scales_;
};

}  // namespace

std::vector<uint32_t> default_public_words(const SyntheticCircuit& circuit) {
  std::vector<uint32_t> out;
  for (uint32_t i = 0; i < circuit.shape().public_words; ++i)
    out.push_back(Fp::from_u32(i + 1).raw());
  return out;
}

Proof prove(const SyntheticCircuit& circuit, const HashSuite& suite, uint32_t po2,
            std::span<const uint32_t> public_words, const ProveOptions& options) {
  const SyntheticShape& shape = circuit.shape();
  const TapLayout& layout = circuit.layout();
  const HashFunction& h = *suite.hash;
  KOVRA_INVARIANT(public_words.size() == shape.public_words, "one word per public word");
  const size_t n = size_t{1} << po2;
  const size_t domain = 4 * n;
  const Lie lie = options.lie;
  auto rng = suite.rng->new_rng();
  Writer w;

  // Preamble and public words.
  auto tag_digest = [&](std::string_view tag) {
    std::array<Fp, 16> e;
    for (size_t i = 0; i < 16; ++i) e[i] = Fp::from_u32(static_cast<uint8_t>(tag[i]));
    return h.hash_elem_slice(e);
  };
  rng->mix(tag_digest("DURO0_STARK:v1__"));
  rng->mix(tag_digest(shape.tag));
  if (shape.version_word) {
    w.open("version");
    w.put(2);
    w.close();
  }
  w.open("public");
  std::vector<Fp> pub;
  for (uint32_t word : public_words) {
    w.put(word);
    pub.push_back(Fp::from_raw(word));
  }
  w.put(po2);
  w.close();
  {
    std::vector<Fp> all = pub;
    all.push_back(Fp::from_raw(po2));
    rng->mix(h.hash_elem_slice(all));
  }

  // Register groups.
  std::vector<Column> code = circuit.code_columns(po2, options.seed);
  std::vector<Column> data = circuit.data_columns(po2, public_words, options.seed);
  if (lie == Lie::BrokenTransition) data[SyntheticCircuit::kFibB][n / 2] += Fp::one();
  if (lie == Lie::BrokenBoundary) data[0][0] += Fp::one();
  if (lie == Lie::DisabledRowChange) data[SyntheticCircuit::kSquare][1] += Fp::one();
  std::array<std::vector<Committed>, 3> groups;
  for (const Column& c : code) groups[kGroupCode].push_back(extend(c, domain));
  for (const Column& c : data) groups[kGroupData].push_back(extend(c, domain));
  if (lie == Lie::HighDegreeColumn) {
    Committed& c = groups[kGroupData][SyntheticCircuit::kFirstFree];
    uint64_t s = 77;
    for (Fp& v : c.evals) v = random_elem(s);
    c.coeffs = c.evals;
    interpolate_on_roots(c.coeffs);
  }
  std::array<Tree, 3> trees;
  trees[kGroupCode] = tree_of(groups[kGroupCode], domain, h);
  trees[kGroupCode].write_top(w, "tree.code");
  rng->mix(trees[kGroupCode].nodes[1]);
  trees[kGroupData] = tree_of(groups[kGroupData], domain, h);
  trees[kGroupData].write_top(w, "tree.data");
  rng->mix(trees[kGroupData].nodes[1]);
  std::vector<Fp> mix;
  for (size_t i = 0; i < shape.mix_count; ++i) mix.push_back(rng->random_elem());
  for (const Column& c : circuit.accum_columns(po2, public_words, data, mix, options.seed))
    groups[kGroupAccum].push_back(extend(c, domain));
  trees[kGroupAccum] = tree_of(groups[kGroupAccum], domain, h);
  trees[kGroupAccum].write_top(w, "tree.accum");
  rng->mix(trees[kGroupAccum].nodes[1]);

  // Check polynomial: constraint values on the domain over the vanishing polynomial.
  const Ext poly_mix = rng->random_ext_elem();
  std::vector<Ext> quotient(domain);
  {
    Interpreter interp(circuit.program());
    std::vector<Ext> tap_values(layout.taps.size());
    const Fp g = ROOTS[po2 + 2];
    Fp x = Fp::from_u32(3);
    for (size_t i = 0; i < domain; ++i) {
      for (size_t t = 0; t < layout.taps.size(); ++t) {
        const TapRecord& r = layout.taps[t];
        const size_t row = (i + domain * 128 - 4 * size_t{r.back}) % domain;
        tap_values[t] = Ext(groups[r.group][r.column].evals[row]);
      }
      const Ext e = interp.run(poly_mix, tap_values, pub, mix);
      quotient[i] = e * (x.pow(n) - Fp::one()).inv();
      x *= g;
    }
  }
  interpolate_on_roots(quotient);
  static constexpr size_t kOrder[4] = {0, 2, 1, 3};
  std::vector<Committed> check(16);
  for (size_t j = 0; j < 4; ++j) {
    for (size_t comp = 0; comp < 4; ++comp) {
      Committed& col = check[kOrder[j] + 4 * comp];
      col.coeffs.assign(domain, Fp::zero());
      for (size_t k = 0; k < n; ++k) col.coeffs[k] = quotient[4 * k + j].c[comp];
      col.evals = col.coeffs;
      evaluate_on_roots(col.evals);
    }
  }
  Tree check_tree = tree_of(check, domain, h);
  check_tree.write_top(w, "tree.check");
  rng->mix(check_tree.nodes[1]);
  const Ext z = rng->random_ext_elem();

  // Openings: per register the polynomial through its values at z * w^-back, then the check
  // columns at z^4.
  const Fp back_one = INV_ROOTS[po2];
  std::vector<std::vector<Ext>> openings;
  std::vector<Ext> coefficient_list;
  for (size_t t = 0; t < layout.taps.size(); t += layout.taps[t].count) {
    const TapRecord& r = layout.taps[t];
    std::vector<Ext> xs, ys;
    for (size_t k = 0; k < r.count; ++k) {
      xs.push_back(z * back_one.pow(layout.taps[t + k].back));
      ys.push_back(eval_base(groups[r.group][r.column].coeffs, xs.back()));
    }
    openings.push_back(interpolate_points(xs, ys));
    if (lie == Lie::FalseOpening && r.group == kGroupData &&
        r.column == SyntheticCircuit::kFirstFree)
      openings.back()[0] += Ext::one();
    for (const Ext& e : openings.back()) coefficient_list.push_back(e);
  }
  const Ext z4 = z.pow(4);
  std::vector<Ext> check_values;
  for (const Committed& col : check) check_values.push_back(eval_base(col.coeffs, z4));
  if (lie == Lie::ShiftedCheckOpening) {
    const Ext delta(Fp::from_u32(5), Fp::from_u32(6), Fp::zero(), Fp::one());
    check_values[0] += delta;
    check_values[2] -= delta * z.inv();
  }
  for (const Ext& e : check_values) coefficient_list.push_back(e);
  w.open("coefficients");
  for (const Ext& e : coefficient_list) w.put(e);
  w.close();
  rng->mix(h.hash_ext_elem_slice(coefficient_list));

  // DEEP polynomial in coefficient form.
  const Ext deep_mix = rng->random_ext_elem();
  const bool exact = lie != Lie::FalseOpening && lie != Lie::ShiftedCheckOpening;
  std::vector<Ext> f(domain);
  {
    std::vector<std::vector<Ext>> numer(layout.combo_count, std::vector<Ext>(domain));
    Ext cur = Ext::one();
    size_t reg = 0;
    for (size_t t = 0; t < layout.taps.size(); t += layout.taps[t].count, ++reg) {
      const TapRecord& r = layout.taps[t];
      const Column& coeffs = groups[r.group][r.column].coeffs;
      std::vector<Ext>& num = numer[r.combo];
      for (size_t k = 0; k < domain; ++k) num[k] += cur * coeffs[k];
      for (size_t k = 0; k < openings[reg].size(); ++k) num[k] -= cur * openings[reg][k];
      cur *= deep_mix;
    }
    for (size_t c = 0; c < layout.combo_count; ++c) {
      for (size_t k = layout.combo_starts[c]; k < layout.combo_starts[c + 1]; ++k) {
        const Ext rem = divide_linear(numer[c], z * back_one.pow(layout.combo_backs[k]));
        KOVRA_INVARIANT(!exact || rem == Ext(), "an honest DEEP quotient divides exactly");
      }
      for (size_t k = 0; k < domain; ++k) f[k] += numer[c][k];
    }
    std::vector<Ext> num(domain);
    for (size_t m = 0; m < 16; ++m) {
      for (size_t k = 0; k < domain; ++k) num[k] += cur * check[m].coeffs[k];
      num[0] -= cur * check_values[m];
      cur *= deep_mix;
    }
    const Ext rem = divide_linear(num, z4);
    KOVRA_INVARIANT(!exact || rem == Ext(), "an honest check quotient divides exactly");
    for (size_t k = 0; k < domain; ++k) f[k] += num[k];
  }

  // FRI: commit each layer's values, fold the coefficients.
  std::vector<Tree> rounds;
  size_t dom = domain;
  size_t degree = n;
  while (degree > kStopDegree) {
    std::vector<Ext> evals = f;
    evaluate_on_roots(evals);
    const size_t next = dom / 16;
    Tree t;
    t.rows = next;
    t.cols = 64;
    t.cells.resize(next * 64);
    for (size_t g = 0; g < next; ++g)
      for (size_t j = 0; j < 16; ++j)
        for (size_t comp = 0; comp < 4; ++comp)
          t.cells[g * 64 + 16 * comp + j] = evals[g + j * next].c[comp];
    t.build(h);
    t.write_top(w, "fri." + std::to_string(rounds.size()));
    rng->mix(t.nodes[1]);
    Ext r = rng->random_ext_elem();
    if (lie == Lie::WrongFold && rounds.empty()) r += Ext::one();
    std::vector<Ext> folded(next);
    for (size_t k = 0; k < next; ++k) {
      Ext power = Ext::one();
      for (size_t i = 0; i < 16; ++i) {
        folded[k] += power * f[16 * k + i];
        power *= r;
      }
    }
    f = std::move(folded);
    rounds.push_back(std::move(t));
    dom = next;
    degree /= 16;
  }
  for (size_t k = degree; k < f.size(); ++k)
    KOVRA_INVARIANT(!exact || lie == Lie::HighDegreeColumn || f[k] == Ext(),
                    "an honest final polynomial has the final degree");
  if (lie == Lie::WrongFinal) f[0] += Ext::one();
  w.open("final");
  std::vector<Fp> final_words;
  for (size_t comp = 0; comp < 4; ++comp)
    for (size_t j = 0; j < degree; ++j) final_words.push_back(f[j].c[comp]);
  for (const Fp& e : final_words) w.put(e.raw());
  w.close();
  rng->mix(h.hash_elem_slice(final_words));

  // Queries.
  for (size_t q = 0; q < kQueries; ++q) {
    size_t pos = rng->random_bits(po2 + 2);
    const int qi = static_cast<int>(q);
    trees[kGroupAccum].write_opening(w, "query.accum", qi, pos);
    trees[kGroupCode].write_opening(w, "query.code", qi, pos);
    trees[kGroupData].write_opening(w, "query.data", qi, pos);
    check_tree.write_opening(w, "query.check", qi, pos);
    for (size_t k = 0; k < rounds.size(); ++k) {
      pos %= rounds[k].rows;
      rounds[k].write_opening(w, "query.fri." + std::to_string(k), qi, pos);
    }
  }
  return Proof{std::move(w.words), std::move(w.regions),
               {trees[0].nodes[1], trees[1].nodes[1], trees[2].nodes[1]}};
}

}  // namespace kovra::stark::testing
