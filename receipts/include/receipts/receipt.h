// The receipt model: a zero-knowledge proof as a credential carries it, and its binary form.
//
// A Receipt is its proof (one of four kinds), the journal the guest committed and the
// digest of the verifier parameters the proof claims. Every record owns its members by
// value; nothing is shared between records.
//
//   Receipt          proof (ReceiptProof), journal (bytes), params_digest
//   ReceiptProof     0 Chained | 1 Succinct | 2 Groth16 | 3 Fake
//   ChainedReceipt   rv32im segments in execution order, one AssumptionReceipt per
//                    assumption of the last segment, params_digest
//   AssumptionReceipt the same four kinds, every claim held in digest form only; kind 0 is a
//                    full ChainedReceipt, which may hold further assumption receipts
//
// Binary form (bincode, base/bincode.h): records are their members in declaration order;
// kinds and Prunable tags are u32; options one byte; word lists, byte strings, texts and
// lists carry a u64 count. `Receipt::read_bincode` decodes one receipt from the caller's
// cursor and leaves the cursor just behind it; bytes that follow are the caller's concern.
//
// Nesting: a chained receipt inside an assumption receipt may hold further chained
// receipts. The reader refuses a nesting deeper than kMaxChainedNesting chained receipts
// (top level included) with a decode error, so that decoding, destruction and every later
// walk over a decoded receipt recurse a bounded number of levels.
//
// Size in memory: a decoded record takes at most a few times the bytes it is written in,
// whatever its kind, so that a file's records never cost more than a small multiple of the
// file. Large members that are often absent are boxed (receipts/boxed.h): a Prunable value
// larger than two digests, and the succinct kind among assumption receipts, whose list is
// otherwise as wide per receipt as its largest kind while a fake one is written in 40 bytes.
// Every list is read at its exact length (base/bincode.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "base/bincode.h"
#include "base/digest.h"
#include "base/invariant.h"
#include "base/result.h"
#include "base/verification_error.h"
#include "receipts/boxed.h"

namespace kovra::receipts {

using base::BincodeError;
using base::BincodeReader;
using base::Digest;

struct VerifyContext;  // receipts/verify_context.h

// Deepest accepted nesting of chained receipts, counting the top-level one as 1.
inline constexpr int kMaxChainedNesting = 64;

// A claim member held either as its value or only as its digest. Digests never tell the
// two forms apart: the digest form holds exactly the digest the value would have.
// Binary form: u32 tag, 0 then the value, 1 then the Digest.
// A value larger than two digests is kept on the heap (Boxed), so that the digest form of
// a large member takes little more than its digest.
template <class T>
class Prunable {
  static constexpr bool kBoxed = sizeof(T) > 2 * sizeof(Digest);
  using Stored = std::conditional_t<kBoxed, Boxed<T>, T>;

 public:
  // The value form (a default value when default-constructed).
  Prunable() = default;
  Prunable(T value) : form_(std::in_place_index<0>, std::move(value)) {}
  static Prunable pruned(const Digest& digest) { return Prunable(digest, 0); }

  bool is_pruned() const { return form_.index() == 1; }
  bool is_value() const { return form_.index() == 0; }
  const T& value() const {
    KOVRA_INVARIANT(is_value(), "value() of a pruned member");
    if constexpr (kBoxed) return *std::get<0>(form_);
    else return std::get<0>(form_);
  }
  T& value() {
    KOVRA_INVARIANT(is_value(), "value() of a pruned member");
    if constexpr (kBoxed) return *std::get<0>(form_);
    else return std::get<0>(form_);
  }
  const Digest& digest() const {
    KOVRA_INVARIANT(is_pruned(), "digest() of a member held as a value");
    return std::get<1>(form_);
  }

  friend bool operator==(const Prunable&, const Prunable&) = default;

 private:
  Prunable(const Digest& d, int) : form_(std::in_place_index<1>, d) {}
  std::variant<Stored, Digest> form_;
};

struct SystemState {
  uint32_t pc = 0;
  Digest state_root;

  // tagged_digest("duro0.SystemState", [state_root], [pc]) (receipts/claim_digest.h).
  Digest digest() const;

  friend bool operator==(const SystemState&, const SystemState&) = default;
};

// How an execution ended. Binary form: u32 kind, then the u32 code for Halted and Paused.
struct ExitCode {
  enum class Kind : uint32_t { Halted = 0, Paused = 1, Split = 2, Limit = 3 };
  Kind kind = Kind::Halted;
  uint32_t code = 0;  // Halted and Paused only; 0 otherwise

  static ExitCode halted(uint32_t c) { return {Kind::Halted, c}; }
  static ExitCode paused(uint32_t c) { return {Kind::Paused, c}; }
  static ExitCode split() { return {Kind::Split, 0}; }
  static ExitCode limit() { return {Kind::Limit, 0}; }

  friend bool operator==(const ExitCode&, const ExitCode&) = default;
};

// The claim's input: an optional value of a type that has no values, so its value form is
// always the absent option. Binary form of the value: option byte 0.
struct EmptyInput {
  friend bool operator==(const EmptyInput&, const EmptyInput&) = default;
};

struct Assumption {
  Digest claim_digest;
  // All zero: verified under the current verification context.
  Digest program_set_root;

  Digest digest() const;

  friend bool operator==(const Assumption&, const Assumption&) = default;
};

using Assumptions = std::vector<Prunable<Assumption>>;

struct Output {
  Prunable<std::vector<uint8_t>> journal;  // digest form: SHA-256 of the bytes
  Prunable<Assumptions> assumptions;

  Digest digest() const;

  friend bool operator==(const Output&, const Output&) = default;
};

struct ReceiptClaim {
  Prunable<SystemState> pre;
  Prunable<SystemState> post;
  ExitCode exit_code;
  Prunable<EmptyInput> input;
  Prunable<std::optional<Output>> output;

  // The claim's tagged digest, the same for any mix of value and digest forms.
  Digest digest() const;

  friend bool operator==(const ReceiptClaim&, const ReceiptClaim&) = default;

  // The whole claim as written inside a segment: pre, post, exit code, input, output.
  static base::Result<ReceiptClaim, BincodeError> read_bincode(BincodeReader& in);
};

struct MerkleInclusionProof {
  uint32_t index = 0;             // bit i picks the sibling's side at level i
  std::vector<Digest> siblings;   // leaf level first

  friend bool operator==(const MerkleInclusionProof&, const MerkleInclusionProof&) = default;

  static base::Result<MerkleInclusionProof, BincodeError> read_bincode(BincodeReader& in);
};

// One execution segment proven by the rv32im circuit.
struct Rv32imReceipt {
  std::vector<uint32_t> seal;
  uint32_t index = 0;  // kept, never checked
  std::string hash_name;
  Digest params_digest;  // kept, never checked
  ReceiptClaim claim;    // held whole

  friend bool operator==(const Rv32imReceipt&, const Rv32imReceipt&) = default;
};

// A proof over the recursion circuit.
struct SuccinctReceipt {
  std::vector<uint32_t> seal;
  Digest code_root;
  Prunable<ReceiptClaim> claim;
  std::string hash_name;
  Digest params_digest;
  MerkleInclusionProof code_root_proof;

  friend bool operator==(const SuccinctReceipt&, const SuccinctReceipt&) = default;
};

struct Groth16Receipt {
  std::vector<uint8_t> seal;  // 256 bytes are required by verification, not by decoding
  Prunable<ReceiptClaim> claim;
  Digest params_digest;

  // Checks the parameters and the seal's pairing check under ctx (receipts/groth16_receipt.cpp).
  base::VerificationError verify(const VerifyContext& ctx) const;

  friend bool operator==(const Groth16Receipt&, const Groth16Receipt&) = default;
};

// A receipt without a proof, accepted only in dev mode.
struct FakeReceipt {
  Prunable<ReceiptClaim> claim;

  friend bool operator==(const FakeReceipt&, const FakeReceipt&) = default;
};

struct AssumptionReceipt;

struct ChainedReceipt {
  std::vector<Rv32imReceipt> segments;
  std::vector<AssumptionReceipt> assumption_receipts;
  Digest params_digest;

  friend bool operator==(const ChainedReceipt&, const ChainedReceipt&);

  // `depth` is the nesting level of this chained receipt (1 at the top). A chained
  // receipt at a level beyond kMaxChainedNesting is refused.
  static base::Result<ChainedReceipt, BincodeError> read_bincode(BincodeReader& in,
                                                                 int depth = 1);
};

// The four proof kinds, in the order of their binary kind numbers.
using ProofKind = std::variant<ChainedReceipt, SuccinctReceipt, Groth16Receipt, FakeReceipt>;

struct ReceiptProof {
  ProofKind kind;

  // The claim the proof establishes (value or digest form, unchanged).
  base::Result<Prunable<ReceiptClaim>, base::VerificationError> claim() const;
  // The proof's own parameter digest (the zero digest for a fake receipt).
  Digest params_digest() const;

  friend bool operator==(const ReceiptProof&, const ReceiptProof&) = default;
};

// The proof of an assumption receipt: the four kinds in ProofKind's order, the succinct one
// boxed. std::get, std::get_if and std::holds_alternative apply to it as to ProofKind for
// the other three kinds; `visit` hands every kind, the succinct one unboxed, to `f`.
class AssumptionProof
    : public std::variant<ChainedReceipt, Boxed<SuccinctReceipt>, Groth16Receipt, FakeReceipt> {
 public:
  using Variant = std::variant<ChainedReceipt, Boxed<SuccinctReceipt>, Groth16Receipt, FakeReceipt>;
  using Variant::Variant;

  AssumptionProof() = default;
  AssumptionProof(SuccinctReceipt proof);
  AssumptionProof(ProofKind proof);

  template <class F>
  decltype(auto) visit(F&& f) const {
    return std::visit(
        [&f](const auto& p) -> decltype(auto) {
          if constexpr (std::is_same_v<std::decay_t<decltype(p)>, Boxed<SuccinctReceipt>>)
            return f(*p);
          else
            return f(p);
        },
        static_cast<const Variant&>(*this));
  }

  friend bool operator==(const AssumptionProof& a, const AssumptionProof& b) {
    return static_cast<const Variant&>(a) == static_cast<const Variant&>(b);
  }
};

// The proof of one assumption of a chained receipt. Decoded receipts hold every claim of a
// succinct, Groth16 or fake assumption receipt in digest form.
struct AssumptionReceipt {
  AssumptionProof kind;

  friend bool operator==(const AssumptionReceipt&, const AssumptionReceipt&) = default;
};

// Defined once AssumptionReceipt is complete: they destroy chained receipts.
inline AssumptionProof::AssumptionProof(SuccinctReceipt proof)
    : Variant(std::in_place_index<1>, std::move(proof)) {}

inline AssumptionProof::AssumptionProof(ProofKind proof) {
  std::visit([this](auto&& p) { *this = AssumptionProof(std::move(p)); }, std::move(proof));
}

inline bool operator==(const ChainedReceipt& a, const ChainedReceipt& b) {
  return a.segments == b.segments && a.assumption_receipts == b.assumption_receipts &&
         a.params_digest == b.params_digest;
}

struct Receipt {
  ReceiptProof proof;
  std::vector<uint8_t> journal;
  Digest params_digest;

  friend bool operator==(const Receipt&, const Receipt&) = default;

  // Verifies the receipt against the trusted image id under a fresh
  // VerifyContext::new_default() (which reads DURO0_DEV_MODE): VerificationError::ok() or the
  // first failure met (receipts/receipt_verify.h).
  base::VerificationError verify(const Digest& image_id) const;
  // The same under a given context.
  base::VerificationError verify_with(const VerifyContext& ctx, const Digest& image_id) const;

  // Decodes one receipt from `in`, leaving `in` just behind it. Errors carry the decoder's
  // message text (see base/bincode.h for the common ones).
  static base::Result<Receipt, BincodeError> read_bincode(BincodeReader& in);
};

// The message of a chained receipt nested deeper than kMaxChainedNesting.
std::string nesting_too_deep_message();

}  // namespace kovra::receipts
