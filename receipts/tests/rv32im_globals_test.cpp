#include "receipts/rv32im_globals.h"

#include <gtest/gtest.h>

#include <vector>

#include "stark/baby_bear.h"

namespace kovra::receipts {
namespace {

using stark::BabyBearElem;

// Globals in Montgomery form whose plain values are `plain`.
std::vector<uint32_t> globals_of(const std::vector<uint32_t>& plain) {
  std::vector<uint32_t> out;
  for (uint32_t v : plain) out.push_back(BabyBearElem::from_u32(v).raw());
  return out;
}

// Global i holds the plain value i.
std::vector<uint32_t> counting_globals() {
  std::vector<uint32_t> plain(90);
  for (uint32_t i = 0; i < 90; ++i) plain[i] = i;
  return globals_of(plain);
}

// top: a (global 0), b {x (global 1), y (global 5, outside three globals)}, c (b again),
// d {e (global 2)}.
struct SmallLayout {
  LayoutNode a{0, {}};
  LayoutNode x{1, {}};
  LayoutNode y{5, {}};
  LayoutNode b{std::nullopt, {{"x", &x}, {"y", &y}}};
  LayoutNode e{2, {}};
  LayoutNode d{std::nullopt, {{"e", &e}}};
  LayoutNode top{std::nullopt, {{"a", &a}, {"b", &b}, {"c", &b}, {"d", &d}}};
};

TEST(Rv32imGlobals, DescribeLayoutWritesTheTree) {
  const SmallLayout l;
  const auto globals = globals_of({5, 0xabcdef, 0x78000000});
  EXPECT_EQ(describe_layout(l.top, globals),
            "top\n"
            "  a: 0x00000005\n"
            "  b\n"
            "    x: 0x00abcdef\n"
            "    y: no global 5 among the 3\n"
            "  c: duplicate of b\n"
            "  d\n"
            "    e: 0x78000000");
  // Any node can be the root; a register alone is one line.
  EXPECT_EQ(describe_layout(l.d, globals), "top\n  e: 0x78000000");
  EXPECT_EQ(describe_layout(l.a, globals), "top: 0x00000005");
  // A component that holds itself is met a second time, not walked forever.
  LayoutNode loop{std::nullopt, {}};
  loop.members = {{"self", &loop}, {"a", &l.a}};
  EXPECT_EQ(describe_layout(loop, globals), "top\n  self: duplicate of top\n  a: 0x00000005");
}

TEST(Rv32imGlobals, BuiltInLayoutNamesTheClaimsGlobals) {
  const Rv32imGlobalsLayout& l = rv32im_globals_layout();
  const auto globals = counting_globals();
  const std::pair<const LayoutNode*, uint32_t> words[] = {
      {l.terminate, 16}, {l.exit_code, 86}, {l.halt_type, 87}, {l.extra_0, 88}, {l.extra_1, 89}};
  for (const auto& [reg, global] : words) EXPECT_EQ(read_global_word(globals, *reg), global);
  // Digest word i of a digest from global b is (b + 2i) + 65536 (b + 2i + 1).
  const std::pair<const LayoutNode*, uint32_t> digests[] = {
      {l.input, 0}, {l.output, 17}, {l.pre_state, 54}, {l.post_state, 70}};
  for (const auto& [reg, base] : digests) {
    auto d = read_global_digest(globals, *reg);
    ASSERT_TRUE(d.ok()) << base;
    for (uint32_t i = 0; i < 8; ++i) {
      EXPECT_EQ(d->words[i], (base + 2 * i) | (base + 2 * i + 1) << 16) << base << " " << i;
    }
  }
  const std::string text = describe_layout(*l.top, globals);
  EXPECT_TRUE(text.starts_with("top\n  input\n    pair_0\n      low: 0x00000000\n"
                              "      high: 0x00000001\n    pair_1\n      low: 0x00000002\n"))
      << text;
  EXPECT_NE(text.find("\n  terminate: 0x00000010\n  output\n    pair_0\n      low: 0x00000011"),
            std::string::npos);
  EXPECT_NE(text.find("\n  halt_type: 0x00000057\n  extra_0: 0x00000058\n  extra_1: 0x00000059"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("\n  extra_1: 0x00000059")) << text;
  // A half of 2^16 fails the digest.
  auto plain = std::vector<uint32_t>(90, 0);
  plain[54 + 15] = 0x10000;
  EXPECT_EQ(read_global_digest(globals_of(plain), *l.pre_state).error(),
            "digest half-word out of range");
}

TEST(Rv32imGlobals, ReadingAnythingButOneGlobalBreaksTheInvariant) {
  const Rv32imGlobalsLayout& l = rv32im_globals_layout();
  const auto globals = counting_globals();
  EXPECT_EXIT(read_global_word(globals, *l.post_state), testing::ExitedWithCode(101),
              "Expecting only a single u32 in top\n  pair_0\n    low: 0x00000046\n"
              "    high: 0x00000047\n  pair_1\n");
  const SmallLayout small;
  EXPECT_EXIT(read_global_word(globals_of({1, 2, 3}), small.y), testing::ExitedWithCode(101),
              "Expecting only a single u32 in top: no global 5 among the 3");
}

}  // namespace
}  // namespace kovra::receipts
