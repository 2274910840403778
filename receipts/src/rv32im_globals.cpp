#include "receipts/rv32im_globals.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "base/invariant.h"
#include "stark/baby_bear.h"

namespace kovra::receipts {
namespace {

constexpr const char* kPairNames[8] = {"pair_0", "pair_1", "pair_2", "pair_3",
                                       "pair_4", "pair_5", "pair_6", "pair_7"};

// The nodes of the built-in layout, at stable addresses.
class LayoutBuilder {
 public:
  const LayoutNode* reg(uint32_t global) {
    nodes_.push_back(LayoutNode{global, {}});
    return &nodes_.back();
  }
  const LayoutNode* component(std::vector<LayoutMember> members) {
    nodes_.push_back(LayoutNode{std::nullopt, std::move(members)});
    return &nodes_.back();
  }
  // Eight (low, high) pairs from global `base`.
  const LayoutNode* digest(uint32_t base) {
    std::vector<LayoutMember> pairs;
    for (uint32_t i = 0; i < 8; ++i) {
      pairs.push_back({kPairNames[i], component({{"low", reg(base + 2 * i)},
                                                 {"high", reg(base + 2 * i + 1)}})});
    }
    return component(std::move(pairs));
  }

 private:
  std::deque<LayoutNode> nodes_;
};

struct BuiltInLayout {
  LayoutBuilder nodes;
  Rv32imGlobalsLayout layout;

  BuiltInLayout() {
    Rv32imGlobalsLayout& l = layout;
    l.input = nodes.digest(0);
    l.terminate = nodes.reg(16);
    l.output = nodes.digest(17);
    l.pre_state = nodes.digest(54);
    l.post_state = nodes.digest(70);
    l.exit_code = nodes.reg(86);
    l.halt_type = nodes.reg(87);
    l.extra_0 = nodes.reg(88);
    l.extra_1 = nodes.reg(89);
    l.top = nodes.component({{"input", l.input},
                             {"terminate", l.terminate},
                             {"output", l.output},
                             {"pre_state", l.pre_state},
                             {"post_state", l.post_state},
                             {"exit_code", l.exit_code},
                             {"halt_type", l.halt_type},
                             {"extra_0", l.extra_0},
                             {"extra_1", l.extra_1}});
  }
};

std::string register_text(uint32_t global, std::span<const uint32_t> globals) {
  if (global >= globals.size()) {
    return "no global " + std::to_string(global) + " among the " + std::to_string(globals.size());
  }
  return stark::BabyBearElem::from_raw(globals[global]).fmt();
}

}  // namespace

const Rv32imGlobalsLayout& rv32im_globals_layout() {
  static const BuiltInLayout built_in;
  return built_in.layout;
}

std::string describe_layout(const LayoutNode& root, std::span<const uint32_t> globals) {
  struct Pending {
    std::string_view name;
    const LayoutNode* node;
    size_t depth;
  };
  std::vector<Pending> stack = {{"top", &root, 0}};
  std::vector<std::pair<const LayoutNode*, std::string_view>> met;  // components, first name
  std::string out;
  while (!stack.empty()) {
    const Pending p = stack.back();
    stack.pop_back();
    if (!out.empty()) out += '\n';
    out.append(2 * p.depth, ' ');
    out += p.name;
    if (p.node->global) {
      out += ": " + register_text(*p.node->global, globals);
      continue;
    }
    const auto first = std::find_if(met.begin(), met.end(),
                                    [&](const auto& m) { return m.first == p.node; });
    if (first != met.end()) {
      out += ": duplicate of ";
      out += first->second;
      continue;
    }
    met.emplace_back(p.node, p.name);
    for (auto m = p.node->members.rbegin(); m != p.node->members.rend(); ++m) {
      stack.push_back({m->name, m->node, p.depth + 1});
    }
  }
  return out;
}

uint32_t read_global_word(std::span<const uint32_t> globals, const LayoutNode& reg) {
  KOVRA_INVARIANT(reg.global && *reg.global < globals.size(),
                  ("Expecting only a single u32 in " + describe_layout(reg, globals)).c_str());
  return stark::BabyBearElem::from_raw(globals[*reg.global]).to_u32();
}

base::Result<base::Digest, std::string> read_global_digest(std::span<const uint32_t> globals,
                                                           const LayoutNode& digest) {
  KOVRA_INVARIANT(digest.members.size() == 8, "a digest register has eight pairs");
  base::Digest d;
  for (size_t i = 0; i < 8; ++i) {
    const LayoutNode& pair = *digest.members[i].node;
    KOVRA_INVARIANT(pair.members.size() == 2, "a digest pair has a low and a high half");
    const uint32_t low = read_global_word(globals, *pair.members[0].node);
    const uint32_t high = read_global_word(globals, *pair.members[1].node);
    if (low > 0xffff || high > 0xffff) {
      return base::Err(std::string("digest half-word out of range"));
    }
    d.words[i] = low | high << 16;
  }
  return d;
}

}  // namespace kovra::receipts
