// Reading, writing and checking the text form of circuit tables.
#include "stark/table_text.h"

#include <charconv>
#include <cstdio>
#include <set>
#include <utility>

namespace kovra::stark {
namespace {

constexpr uint32_t kP = 0x78000001u;

struct KindName {
  StepKind kind;
  std::string_view name;
  size_t operands;
};
constexpr std::array<KindName, kStepKindCount> kKinds = {{
    {StepKind::Const, "const", 1},
    {StepKind::ConstExt, "const_ext", 4},
    {StepKind::Tap, "tap", 1},
    {StepKind::Global, "global", 2},
    {StepKind::Add, "add", 2},
    {StepKind::Sub, "sub", 2},
    {StepKind::Mul, "mul", 2},
    {StepKind::MixStart, "mix_start", 0},
    {StepKind::MixZero, "mix_zero", 2},
    {StepKind::MixCond, "mix_cond", 3},
}};

const KindName& kind_info(StepKind k) { return kKinds[static_cast<uint32_t>(k)]; }

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
    if (j > i) out.push_back(line.substr(i, j - i));
    i = j;
  }
  return out;
}

bool number(std::string_view s, uint64_t max, uint64_t& out) {
  if (s.empty()) return false;
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, out);
  return ec == std::errc() && p == end && out <= max;
}

std::string fmt(const char* format, uint64_t a, uint64_t b = 0, uint64_t c = 0) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, static_cast<unsigned long long>(a),
                static_cast<unsigned long long>(b), static_cast<unsigned long long>(c));
  return buf;
}

std::string tap_text(const TapRecord& t) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "(%llu, %u, %u, %u, %u)", static_cast<unsigned long long>(t.group),
                unsigned{t.column}, unsigned{t.back}, unsigned{t.combo}, unsigned{t.count});
  return buf;
}

std::string step_text(const ConstraintStep& s) {
  const KindName& k = kind_info(s.kind);
  std::string out(k.name);
  for (size_t i = 0; i < k.operands; ++i) out.append(" ").append(std::to_string(s.ops[i]));
  return out;
}

}  // namespace

void CircuitTables::derive() {
  combo_backs.clear();
  combo_starts.assign(1, 0);
  for (const auto& p : combo_patterns) {
    combo_backs.insert(combo_backs.end(), p.begin(), p.end());
    combo_starts.push_back(static_cast<uint16_t>(combo_backs.size()));
  }
  group_starts = {0, 0, 0, 0};
  for (size_t g = 0; g < kGroupCount; ++g) {
    uint64_t n = group_starts[g];
    while (n < taps.size() && taps[n].group <= g) ++n;
    group_starts[g + 1] = n;
  }
  group_starts[3] = taps.size();
  register_count = 0;
  for (size_t i = 0; i < taps.size(); ++i) {
    if (i == 0 || taps[i].group != taps[i - 1].group || taps[i].column != taps[i - 1].column)
      ++register_count;
  }
  fp_count = mix_count = 0;
  for (const auto& s : steps) (pushes_fp(s.kind) ? fp_count : mix_count)++;
}

TapLayout CircuitTables::layout() const {
  TapLayout l;
  l.taps = taps;
  l.combo_backs = combo_backs;
  l.combo_starts = combo_starts;
  l.group_starts = group_starts;
  l.combo_count = combo_patterns.size();
  l.register_count = register_count;
  l.total_combo_backs = combo_backs.size();
  return l;
}

ConstraintProgram CircuitTables::program() const {
  return ConstraintProgram{steps, result, fp_count, mix_count};
}

base::Result<CircuitTables, std::string> parse_table_text(std::string_view text) {
  CircuitTables t;
  bool have_result = false;
  size_t line_no = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    ++line_no;
    if (size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    auto f = fields_of(line);
    if (f.empty()) continue;
    auto bad = [&](const char* what) {
      return base::Err(std::string("line ") + std::to_string(line_no) + ": " + what);
    };
    const std::string_view key = f[0];
    if (key == "circuit") {
      if (f.size() != 2 || f[1].size() != 16) return bad("circuit needs one 16-byte tag");
      t.circuit_tag = std::string(f[1]);
      continue;
    }
    if (key == "combo") {
      uint64_t c = 0;
      if (f.size() < 4 || f[2] != "=" || !number(f[1], 255, c)) return bad("combo c = backs...");
      if (c != t.combo_patterns.size()) return bad("combos must be numbered in order from 0");
      std::vector<uint16_t> p;
      for (size_t i = 3; i < f.size(); ++i) {
        uint64_t b = 0;
        if (!number(f[i], 0xffff, b)) return bad("a back is a number up to 65535");
        p.push_back(static_cast<uint16_t>(b));
      }
      t.combo_patterns.push_back(std::move(p));
      continue;
    }
    if (key == "tap" && f.size() == 6) {
      uint64_t v[5];
      const uint64_t max[5] = {2, 0xffff, 0xffff, 255, 255};
      for (size_t i = 0; i < 5; ++i)
        if (!number(f[i + 1], max[i], v[i])) return bad("tap record: group column back combo count");
      if (!t.steps.empty()) return bad("tap records come before the constraint steps");
      t.taps.push_back(TapRecord{v[0], static_cast<uint16_t>(v[1]), static_cast<uint16_t>(v[2]),
                                 static_cast<uint8_t>(v[3]), static_cast<uint8_t>(v[4])});
      continue;
    }
    if (key == "result") {
      if (f.size() != 2 || !number(f[1], UINT64_MAX, t.result)) return bad("result needs one index");
      have_result = true;
      continue;
    }
    const KindName* kind = nullptr;
    for (const auto& k : kKinds)
      if (k.name == key) kind = &k;
    if (kind == nullptr) return bad("unknown keyword");
    if (f.size() != kind->operands + 1) return bad("wrong number of operands");
    ConstraintStep s;
    s.kind = kind->kind;
    const bool is_const = s.kind == StepKind::Const || s.kind == StepKind::ConstExt;
    for (size_t i = 0; i < kind->operands; ++i)
      if (!number(f[i + 1], is_const ? 0xffffffffu : UINT64_MAX, s.ops[i]))
        return bad(is_const ? "a constant is a u32" : "an operand is an index");
    t.steps.push_back(s);
  }
  if (t.circuit_tag.empty()) return base::Err(std::string("no circuit line"));
  if (!have_result) return base::Err(std::string("no result line"));
  t.derive();
  return t;
}

std::string table_text(const CircuitTables& t) {
  std::string out;
  out.append("circuit ").append(t.circuit_tag).append("\n");
  for (size_t c = 0; c < t.combo_patterns.size(); ++c) {
    out.append("combo ").append(std::to_string(c)).append(" =");
    for (uint16_t b : t.combo_patterns[c]) out.append(" ").append(std::to_string(b));
    out.append("\n");
  }
  for (const auto& r : t.taps) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "tap %llu %u %u %u %u\n",
                  static_cast<unsigned long long>(r.group), unsigned{r.column}, unsigned{r.back},
                  unsigned{r.combo}, unsigned{r.count});
    out.append(buf);
  }
  out.append("result ").append(std::to_string(t.result)).append("\n");
  for (const auto& s : t.steps) out.append(step_text(s)).append("\n");
  return out;
}

std::vector<std::string> check_table_structure(const CircuitTables& t) {
  std::vector<std::string> e;
  if (t.circuit_tag.size() != 16) e.push_back("the circuit tag is not 16 bytes");
  if (t.taps.empty()) e.push_back("the layout has no taps");
  if (t.combo_patterns.empty()) e.push_back("the layout has no combos");
  for (size_t c = 0; c < t.combo_patterns.size(); ++c) {
    const auto& p = t.combo_patterns[c];
    for (size_t i = 1; i < p.size(); ++i)
      if (p[i] <= p[i - 1]) e.push_back(fmt("combo %llu: backs not strictly increasing", c));
    if (p.empty()) e.push_back(fmt("combo %llu is empty", c));
  }
  // Register runs.
  for (size_t i = 0; i < t.taps.size();) {
    const TapRecord& first = t.taps[i];
    if (i > 0) {
      const TapRecord& prev = t.taps[i - 1];
      if (std::pair(first.group, first.column) <= std::pair(prev.group, prev.column))
        e.push_back(fmt("tap %llu: registers not sorted by (group, column)", i));
    }
    if (first.combo >= t.combo_patterns.size()) {
      e.push_back(fmt("tap %llu: combo %llu out of range", i, first.combo));
      break;
    }
    const auto& pattern = t.combo_patterns[first.combo];
    if (first.count != pattern.size() || i + first.count > t.taps.size()) {
      e.push_back(fmt("tap %llu: count %llu differs from its combo's pattern", i, first.count));
      break;
    }
    for (size_t j = 0; j < first.count; ++j) {
      const TapRecord& r = t.taps[i + j];
      if (r.group != first.group || r.column != first.column || r.combo != first.combo ||
          r.count != first.count || r.back != pattern[j])
        e.push_back(fmt("tap %llu: record does not follow its register's pattern", i + j));
    }
    i += first.count;
  }
  // Single-assignment form and index ranges.
  uint64_t fp = 0, mix = 0;
  for (size_t i = 0; i < t.steps.size(); ++i) {
    const ConstraintStep& s = t.steps[i];
    auto need = [&](bool ok, const char* what) {
      if (!ok) e.push_back(fmt("step %llu: ", i) + what + " (" + step_text(s) + ")");
    };
    switch (s.kind) {
      case StepKind::Const:
        need(s.ops[0] < kP, "constant not below P");
        break;
      case StepKind::ConstExt:
        for (size_t k = 0; k < 4; ++k) need(s.ops[k] < kP, "constant not below P");
        break;
      case StepKind::Tap:
        need(s.ops[0] < t.taps.size(), "tap index out of range");
        break;
      case StepKind::Global:
        need(s.ops[0] <= 1, "global list is not 0 or 1");
        break;
      case StepKind::Add:
      case StepKind::Sub:
      case StepKind::Mul:
        need(s.ops[0] < fp && s.ops[1] < fp, "operand not pushed by an earlier step");
        break;
      case StepKind::MixStart:
        break;
      case StepKind::MixZero:
        need(s.ops[0] < mix && s.ops[1] < fp, "operand not pushed by an earlier step");
        break;
      case StepKind::MixCond:
        need(s.ops[0] < mix && s.ops[1] < fp && s.ops[2] < mix,
             "operand not pushed by an earlier step");
        break;
    }
    (pushes_fp(s.kind) ? fp : mix)++;
  }
  if (t.steps.empty()) e.push_back("the program has no steps");
  if (t.result >= mix) e.push_back(fmt("result %llu beyond the %llu accumulators", t.result, mix));
  if (fp != t.fp_count || mix != t.mix_count) e.push_back("derived entry counts are stale");
  return e;
}

std::vector<std::string> check_table_figures(const CircuitTables& t, const TableFigures& f) {
  std::vector<std::string> e;
  auto same = [&](const char* what, uint64_t got, uint64_t want) {
    if (got != want) e.push_back(std::string(what) + fmt(" is %llu, expected %llu", got, want));
  };
  if (t.circuit_tag != f.circuit_tag) e.push_back("circuit tag differs: " + t.circuit_tag);
  same("taps", t.taps.size(), f.taps);
  same("registers", t.register_count, f.registers);
  for (size_t g = 0; g < 4; ++g) same("a group start", t.group_starts[g], f.group_starts[g]);
  if (t.taps.size() == f.taps && t.group_starts == f.group_starts) {
    const TapLayout l = t.layout();
    for (size_t g = 0; g < 3; ++g)
      if (l.group_starts[g + 1] > l.group_starts[g]) same("a group width", l.group_width(g), f.widths[g]);
      else e.push_back("a group has no taps");
  }
  same("combos", t.combo_patterns.size(), f.combo_patterns.size());
  if (t.combo_patterns != f.combo_patterns) e.push_back("combo patterns differ");
  if (t.combo_starts != f.combo_starts) e.push_back("combo starts differ");
  uint16_t largest = 0;
  for (const auto& r : t.taps) largest = std::max(largest, r.back);
  same("largest back", largest, f.largest_back);
  for (size_t i = 0; i < f.first_taps.size(); ++i)
    if (i >= t.taps.size() || t.taps[i] != f.first_taps[i])
      e.push_back(fmt("tap %llu differs from ", i) + tap_text(f.first_taps[i]));
  for (size_t i = 0; i < f.last_taps.size(); ++i) {
    const size_t from_end = f.last_taps.size() - i;
    if (from_end > t.taps.size() || t.taps[t.taps.size() - from_end] != f.last_taps[i])
      e.push_back("a last tap differs from " + tap_text(f.last_taps[i]));
  }
  same("steps", t.steps.size(), f.steps);
  std::array<uint64_t, kStepKindCount> per_kind{};
  uint64_t largest_tap = 0, global_max[2] = {0, 0};
  bool global_seen[2] = {false, false};
  std::set<uint32_t> consts;
  for (const auto& s : t.steps) {
    per_kind[static_cast<uint32_t>(s.kind)]++;
    if (s.kind == StepKind::Tap) largest_tap = std::max(largest_tap, s.ops[0]);
    if (s.kind == StepKind::Const) consts.insert(static_cast<uint32_t>(s.ops[0]));
    if (s.kind == StepKind::Global && s.ops[0] <= 1) {
      global_max[s.ops[0]] = std::max(global_max[s.ops[0]], s.ops[1]);
      global_seen[s.ops[0]] = true;
    }
  }
  for (size_t k = 0; k < kStepKindCount; ++k)
    same((std::string("steps of kind ") + std::string(kKinds[k].name)).c_str(), per_kind[k],
         f.steps_per_kind[k]);
  same("fp_vars entries", t.fp_count, f.fp_count);
  same("mix_vars entries", t.mix_count, f.mix_count);
  same("result", t.result, f.result);
  same("result is the last accumulator", t.result + 1, t.mix_count);
  same("largest tap index", largest_tap, f.largest_tap);
  for (int l = 0; l < 2; ++l) {
    if (!global_seen[l]) e.push_back(fmt("global list %llu unused", uint64_t(l)));
    else same("largest global index", global_max[l] + 1, f.global_count[l]);
  }
  for (size_t i = 0; i < f.first_consts.size(); ++i)
    if (i >= t.steps.size() || t.steps[i].kind != StepKind::Const ||
        t.steps[i].ops[0] != f.first_consts[i])
      e.push_back(fmt("step %llu is not const %llu", i, f.first_consts[i]));
  if (t.steps.empty() || t.steps.back() != f.last_step)
    e.push_back("the last step is not " + step_text(f.last_step));
  for (uint32_t c : f.required_consts)
    if (!consts.count(c)) e.push_back(fmt("no const %llu step", c));
  return e;
}

namespace {

ConstraintStep mix_cond(uint64_t a, uint64_t c, uint64_t i) {
  return ConstraintStep{StepKind::MixCond, {a, c, i, 0}};
}

}  // namespace

TableFigures recursion_figures() {
  TableFigures f;
  f.circuit_tag = "RECURSION:rev1v1";
  f.taps = 643;
  f.registers = 163;
  f.group_starts = {0, 16, 39, 643};
  f.widths = {12, 23, 128};
  f.combo_patterns = {{0}, {0, 1}, {0, 1, 2, 3, 4, 68}, {0, 1, 2, 7, 15, 16}, {0, 2, 7, 15, 16}};
  f.combo_starts = {0, 1, 3, 9, 15, 20};
  f.largest_back = 68;
  f.first_taps = {{0, 0, 0, 1, 2}, {0, 0, 1, 1, 2}};
  f.steps = 12359;
  f.steps_per_kind = {284, 0, 669, 52, 4061, 1385, 4679, 1, 1076, 152};
  f.fp_count = 11130;
  f.mix_count = 1229;
  f.result = 1228;
  f.global_count[0] = 32;
  f.global_count[1] = 20;
  f.largest_tap = 642;
  f.first_consts = {0, 1, 2, 3, 4, 5};
  f.last_step = mix_cond(1049, 852, 1227);
  f.required_consts = {kP - 11};
  return f;
}

TableFigures rv32im_figures() {
  TableFigures f;
  f.circuit_tag = "RV32IM:v2rev2___";
  f.taps = 790;
  f.registers = 315;
  f.group_starts = {0, 119, 120, 790};
  f.widths = {103, 1, 211};
  f.combo_patterns = {{0}, {0, 1}, {0, 1, 2, 3, 4, 68}, {0, 2, 7, 15, 16}};
  f.combo_starts = {0, 1, 3, 9, 14};
  f.largest_back = 68;
  f.first_taps = {{0, 0, 0, 1, 2}, {0, 0, 1, 1, 2}};
  f.last_taps = {{2, 208, 0, 0, 1}, {2, 209, 0, 0, 1}, {2, 210, 0, 0, 1}};
  f.steps = 20202;
  f.steps_per_kind = {351, 6, 931, 126, 4311, 2786, 5225, 1, 6205, 260};
  f.fp_count = 13736;
  f.mix_count = 6466;
  f.result = 6465;
  f.global_count[0] = 90;
  f.global_count[1] = 36;
  f.largest_tap = 789;
  f.first_consts = {0, 1, 7, 6, 5, 4};
  f.last_step = mix_cond(6449, 458, 6464);
  f.required_consts = {kP - 1};
  return f;
}

}  // namespace kovra::stark
