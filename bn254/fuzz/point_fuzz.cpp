// Fuzz target for the BN254 decoders: G1 and G2 points, Miller-loop line lists and Fq6 values
// in their little-endian byte forms. Byte 0 picks the decoder (% 4: G1, G2, lines, Fq6), the
// rest is its input.
//
// Any bytes must end in a value or a PointDecodeError, never a crash or an allocation beyond
// what the bytes can hold. A decoded point is valid (on the curve, and for G2 in the subgroup)
// and reads back equal from its own encoding; lines and Fq6 values are canonical, so their
// encoding is exactly the bytes that were read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "bn254/fq6.h"
#include "bn254/g1.h"
#include "bn254/g2.h"
#include "bn254/line_coeffs.h"

namespace {

using kovra::base::ByteReader;

template <class T>
void read_back(std::span<const uint8_t> input) {
  ByteReader in(input);
  auto value = T::read(in);
  if (!value) return;
  std::vector<uint8_t> written;
  if constexpr (requires { value->encode(written); }) {
    value->encode(written);
  } else {
    value->write_canonical(written);
  }
  ByteReader from_written(written);
  auto again = T::read(from_written);
  if (!again || !(*again == *value)) std::abort();
}

// Canonical forms: the encoding is the input's prefix that was read.
template <class T>
void exact_prefix(std::span<const uint8_t> input, auto&& write) {
  ByteReader in(input);
  auto value = T::read(in);
  if (!value) return;
  std::vector<uint8_t> written;
  write(*value, written);
  if (written.size() != in.position() ||
      std::memcmp(written.data(), input.data(), written.size()) != 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::bn254;
  if (size == 0) return 0;
  const std::span<const uint8_t> input(data + 1, size - 1);
  switch (data[0] % 4) {
    case 0: {
      read_back<G1Affine>(input);
      if (auto p = G1Affine::decode(input); p && !p->is_on_curve().ok()) std::abort();
      break;
    }
    case 1: {
      read_back<G2Affine>(input);
      ByteReader in(input);
      if (auto p = G2Affine::read(in); p && !p->check().ok()) std::abort();
      break;
    }
    case 2:
      exact_prefix<G2LineCoeffs>(input, [](const G2LineCoeffs& l, std::vector<uint8_t>& out) {
        l.encode(out);
      });
      break;
    default:
      exact_prefix<Fq6>(input, [](const Fq6& v, std::vector<uint8_t>& out) {
        v.write_canonical(out);
      });
      break;
  }
  return 0;
}
