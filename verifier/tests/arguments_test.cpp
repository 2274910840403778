#include "verifier/arguments.h"

#include <gtest/gtest.h>

namespace kovra::verifier {
namespace {

using Args = std::vector<std::string>;

RunValues scan(Args rest) {
  rest.insert(rest.begin(), "verifier");
  return scan_arguments(rest);
}

TEST(Arguments, ScanTable) {
  const struct {
    Args args;  // after the program name
    std::string bundle;
    Args csvs;
    std::string roots;
  } cases[] = {
      {{}, "data/credential.bundle", {"data/prices.csv"}, "data/canonical_roots.txt"},
      {{"--dsr"}, "--dsr", {"data/prices.csv"}, "data/canonical_roots.txt"},
      {{"b", "--vrp"}, "b", {"data/vrp/underlying.csv", "data/vrp/dvol.csv"}, "data/canonical_roots.txt"},
      {{"b", "--aux", "--dsr", "x.csv"}, "b", {"x.csv"}, "data/canonical_roots.txt"},
      {{"b", "--roots"}, "b", {"data/prices.csv"}, "data/canonical_roots.txt"},
      {{"b", "--roots", "r.txt", "a.csv", "--roots", "s.txt"}, "b", {"a.csv"}, "r.txt"},
      {{"b", "a.csv", "--", "-", "", "--whatever", "c.csv"}, "b", {"a.csv", "-", "", "c.csv"},
       "data/canonical_roots.txt"},
      {{"b", "--chain", "p.bundle", "--track", "t.json", "--prereg", "r.json", "--funding-dir", "d",
        "--track-anchor", "x", "--aux", "a.json", "a.csv"},
       "b", {"a.csv"}, "data/canonical_roots.txt"},
      {{"b", "a.csv", "--track"}, "b", {"a.csv"}, "data/canonical_roots.txt"},  // value flag last
      {{"b", "--vrp", "u.csv"}, "b", {"u.csv"}, "data/canonical_roots.txt"},
  };
  for (const auto& c : cases) {
    const auto r = scan(c.args);
    EXPECT_EQ(r.bundle_path, c.bundle);
    EXPECT_EQ(r.csv_paths, c.csvs);
    EXPECT_EQ(r.roots_path, c.roots);
  }
}

TEST(Arguments, SwitchesAndFlagPositions) {
  const auto none = scan({});
  EXPECT_FALSE(none.carry || none.vrp || none.attested_fees || none.any_data);
  EXPECT_TRUE(none.rest_args.empty());

  // A switch swallowed as a value still counts; a switch in first place is the bundle path.
  const auto r = scan({"--carry", "--aux", "--vrp", "--any-data", "--attested-fees"});
  EXPECT_FALSE(r.carry);
  EXPECT_TRUE(r.vrp && r.any_data && r.attested_fees);
  EXPECT_TRUE(has_flag(r.rest_args, "--vrp"));
  EXPECT_FALSE(has_flag(r.rest_args, "--VRP"));
  EXPECT_FALSE(has_flag(r.rest_args, "--vr"));

  const Args full = {"verifier", "b", "--prereg", "p.json", "--prereg"};
  EXPECT_EQ(flag_position(full, "--prereg"), 2u);
  EXPECT_EQ(arg_after(full, 2), "p.json");
  EXPECT_EQ(arg_after(full, 4), std::nullopt);
  EXPECT_EQ(flag_position(full, "--aux"), std::nullopt);
  EXPECT_EQ(flag_value({"--funding-dir", "d", "--funding-dir", "e"}, "--funding-dir"), "d");
  EXPECT_EQ(flag_value({"--funding-dir"}, "--funding-dir"), std::nullopt);
}

TEST(Arguments, TrustedImageId) {
  EXPECT_EQ(&trusted_image_id(scan({"b"})), &TRUSTED_IMAGE_ID);
  EXPECT_EQ(&trusted_image_id(scan({"b", "--vrp"})), &VRP_IMAGE_ID);
  EXPECT_EQ(&trusted_image_id(scan({"b", "--vrp", "--carry"})), &CARRY_IMAGE_ID);
}

TEST(Arguments, DevFlag) {
  EXPECT_FALSE(env_flag_set(std::nullopt));
  EXPECT_FALSE(env_flag_set(std::string("")));
  EXPECT_FALSE(env_flag_set(std::string("0")));
  for (const char* v : {"1", "false", "no", "00", " 0", "yes"}) EXPECT_TRUE(env_flag_set(std::string(v))) << v;
}

}  // namespace
}  // namespace kovra::verifier
