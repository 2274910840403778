// Seeds of the BN254 point fuzz target: encodings of group elements (multiples of the
// generators, the point at infinity, a twist point outside the subgroup), the line lists of a
// G2 point and of the point at infinity, and Fq6 values.
#include <string>
#include <vector>

#include "bn254/line_coeffs.h"
#include "bn254/testing/random.h"
#include "fuzz/seed_corpus.h"

namespace {

using namespace kovra::bn254;

std::vector<uint8_t> with_selector(uint8_t selector, auto&& write) {
  std::vector<uint8_t> out = {selector};
  write(out);
  return out;
}

void write_seeds(kovra::fuzz::SeedCorpus& corpus) {
  testing::TestRng rng(20240601);
  corpus.target("point_fuzz");
  const G1Affine g1s[] = {testing::g1_generator(), rng.g1(), G1Affine::identity(),
                          testing::g1_generator().neg()};
  for (size_t i = 0; i < std::size(g1s); ++i)
    corpus.add("g1-" + std::to_string(i), with_selector(0, [&](auto& out) { g1s[i].encode(out); }));
  const G2Affine g2s[] = {testing::g2_generator(), rng.g2(), G2Affine::identity(),
                          rng.twist_point_outside_subgroup()};
  for (size_t i = 0; i < std::size(g2s); ++i)
    corpus.add("g2-" + std::to_string(i), with_selector(1, [&](auto& out) { g2s[i].encode(out); }));
  corpus.add("lines-finite", with_selector(2, [&](auto& out) {
               G2LineCoeffs::from_point(rng.g2()).encode(out);
             }));
  corpus.add("lines-infinity", with_selector(2, [&](auto& out) {
               G2LineCoeffs::from_point(G2Affine::identity()).encode(out);
             }));
  corpus.add("fq6", with_selector(3, [&](auto& out) { rng.fq6().write_canonical(out); }));
}

}  // namespace

int main(int argc, char** argv) { return kovra::fuzz::seed_main(argc, argv, write_seeds); }
