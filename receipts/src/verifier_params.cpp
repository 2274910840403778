#include "receipts/verifier_params.h"

#include "base/hex.h"
#include "base/invariant.h"
#include "base/sha256.h"
#include "base/tagged_digest.h"

namespace kovra::receipts {
namespace {

Digest embedded_digest(std::string_view hex) {
  auto d = base::parse_hex_digest(hex);
  KOVRA_INVARIANT(d.has_value(), "embedded digest constant");
  return *d;
}

}  // namespace

Digest program_set_root() {
  return embedded_digest("a54dc85ac99f851c92d7c96d7318af41dbe7c0194edfcc37eb4d422a998c1f56");
}

Digest bn254_id() {
  return embedded_digest("c07a65145c3cb48b6101962ea607a4dd93c753bb26975cb47feb00d3666e4404");
}

Digest SuccinctReceiptVerifierParameters::digest() const {
  return base::tagged_digest(
      kSuccinctParamsTag,
      {program_set_root, output_root.value_or(program_set_root),
       base::sha256_digest(proof_system.bytes), base::sha256_digest(circuit.bytes)});
}

}  // namespace kovra::receipts
