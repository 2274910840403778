// One golden report per statistic mode and attestation family: the consistent fixture's whole
// standard output, colour off, byte for byte. The files under data/golden/ were checked line
// by line against the report format (titles, check labels in order, figure formats, rules,
// verdict) when they were recorded.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "mode_fixture.h"

namespace kovra::verifier::testing {
namespace {

std::string read_golden(const std::string& name) {
  std::ifstream in(std::string(KOVRA_TEST_DATA_DIR) + "/golden/" + name + ".txt", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(ModeGolden, Reports) {
  const struct {
    const char* name;
    ModeFiles files;
  } cases[] = {
      {"dsr", dsr_scenario().files()},
      {"pbo_composed", pbo_composed_scenario().files()},
      {"pbo_per_trial", pbo_per_trial_scenario().files()},
      {"cpcv", cpcv_scenario().files()},
      {"vext", vext_scenario().files()},
      {"label_schema", label_schema_scenario().files()},
      {"structural", structural_scenario().files()},
      {"hrp", hrp_scenario().files()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = run_files(c.files);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, read_golden(c.name));
  }
}

}  // namespace
}  // namespace kovra::verifier::testing
