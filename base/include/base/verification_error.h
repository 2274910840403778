// VerificationError: the one result type of every receipt and STARK verification routine.
//
// A value is exactly one kind and, for some kinds, a payload. Success is itself a kind
// (`Kind::Ok`), so a routine returns one value whether it passed or not, and a failure travels
// upward unchanged unless a caller maps it. Callers that decide the outcome only tell `Ok` from
// every other kind; the payloads are carried for tests and are never printed.
//
//   VerificationError check(...) {
//     KOVRA_VERIFY_TRY(first_step(...));          // returns the first failure met
//     if (got != want) return VerificationError::claim_mismatch(want, got);
//     return VerificationError::ok();
//   }
//
// Kind numbers are internal (13 is never used). In every two-digest and two-tag payload the first
// value is what this program computes or requires ("expected"), the second what the receipt or
// the context carries ("received"), except where the raising routine documents otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <variant>

#include "base/digest.h"
#include "base/protocol_tag.h"

namespace kovra::base {

class VerificationError {
 public:
  enum class Kind : uint8_t {
    Malformed = 0,            // structure or encoding wrong
    ProgramNotAllowed = 1,    // payload: the offending code root
    StateChainBroken = 2,     // a segment does not continue the previous one
    QueryOutOfRange = 3,      // payload: index, rows
    ProofRejected = 4,        // a cryptographic check failed, or a fake receipt outside dev mode
    SealClaimMismatch = 5,    // the claim in a succinct seal is not the receipt's
    ClaimMismatch = 6,        // payload: expected, received
    NotSplit = 7,             // a non-final segment did not end with Split
    UnknownHashSuite = 8,     // the receipt names a suite the context lacks
    ParamsMissing = 9,        // the context lacks the parameters this proof kind needs
    ParamsMismatch = 10,      // payload: expected, received
    ProofSystemMismatch = 11, // payload: expected tag, received tag
    CircuitMismatch = 12,     // payload: expected tag, received tag
    Ok = 14,                  // success, no payload
  };

  struct DigestPair {
    Digest expected;
    Digest received;
    friend bool operator==(const DigestPair&, const DigestPair&) = default;
  };
  struct TagPair {
    ProtocolTag expected;
    ProtocolTag received;
    friend bool operator==(const TagPair&, const TagPair&) = default;
  };
  struct QueryRange {
    uint64_t index;
    uint64_t rows;
    friend bool operator==(const QueryRange&, const QueryRange&) = default;
  };
  using Payload = std::variant<std::monostate, Digest, DigestPair, TagPair, QueryRange>;

  static VerificationError ok() { return VerificationError(Kind::Ok, {}); }
  static VerificationError malformed() { return VerificationError(Kind::Malformed, {}); }
  static VerificationError program_not_allowed(const Digest& code_root) {
    return VerificationError(Kind::ProgramNotAllowed, code_root);
  }
  static VerificationError state_chain_broken() {
    return VerificationError(Kind::StateChainBroken, {});
  }
  static VerificationError query_out_of_range(uint64_t index, uint64_t rows) {
    return VerificationError(Kind::QueryOutOfRange, QueryRange{index, rows});
  }
  static VerificationError proof_rejected() { return VerificationError(Kind::ProofRejected, {}); }
  static VerificationError seal_claim_mismatch() {
    return VerificationError(Kind::SealClaimMismatch, {});
  }
  static VerificationError claim_mismatch(const Digest& expected, const Digest& received) {
    return VerificationError(Kind::ClaimMismatch, DigestPair{expected, received});
  }
  static VerificationError not_split() { return VerificationError(Kind::NotSplit, {}); }
  static VerificationError unknown_hash_suite() {
    return VerificationError(Kind::UnknownHashSuite, {});
  }
  static VerificationError params_missing() { return VerificationError(Kind::ParamsMissing, {}); }
  static VerificationError params_mismatch(const Digest& expected, const Digest& received) {
    return VerificationError(Kind::ParamsMismatch, DigestPair{expected, received});
  }
  static VerificationError proof_system_mismatch(const ProtocolTag& expected,
                                                 const ProtocolTag& received) {
    return VerificationError(Kind::ProofSystemMismatch, TagPair{expected, received});
  }
  static VerificationError circuit_mismatch(const ProtocolTag& expected,
                                            const ProtocolTag& received) {
    return VerificationError(Kind::CircuitMismatch, TagPair{expected, received});
  }

  Kind kind() const { return kind_; }
  bool is_ok() const { return kind_ == Kind::Ok; }
  const Payload& payload() const { return payload_; }

  // Payload accessors; each returns nullptr when the value carries another payload.
  const Digest* code_root() const { return std::get_if<Digest>(&payload_); }
  const DigestPair* digests() const { return std::get_if<DigestPair>(&payload_); }
  const TagPair* tags() const { return std::get_if<TagPair>(&payload_); }
  const QueryRange* query() const { return std::get_if<QueryRange>(&payload_); }

  friend bool operator==(const VerificationError&, const VerificationError&) = default;

 private:
  VerificationError(Kind kind, Payload payload) : kind_(kind), payload_(std::move(payload)) {}

  Kind kind_;
  Payload payload_;
};

// The kind's name ("Malformed", "ClaimMismatch", ...), for test diagnostics.
constexpr std::string_view kind_name(VerificationError::Kind kind) {
  using K = VerificationError::Kind;
  switch (kind) {
    case K::Malformed: return "Malformed";
    case K::ProgramNotAllowed: return "ProgramNotAllowed";
    case K::StateChainBroken: return "StateChainBroken";
    case K::QueryOutOfRange: return "QueryOutOfRange";
    case K::ProofRejected: return "ProofRejected";
    case K::SealClaimMismatch: return "SealClaimMismatch";
    case K::ClaimMismatch: return "ClaimMismatch";
    case K::NotSplit: return "NotSplit";
    case K::UnknownHashSuite: return "UnknownHashSuite";
    case K::ParamsMissing: return "ParamsMissing";
    case K::ParamsMismatch: return "ParamsMismatch";
    case K::ProofSystemMismatch: return "ProofSystemMismatch";
    case K::CircuitMismatch: return "CircuitMismatch";
    case K::Ok: return "Ok";
  }
  return "?";
}

}  // namespace kovra::base

// Returns the VerificationError of `expr` from the enclosing function unless it is Ok.
#define KOVRA_VERIFY_TRY(expr)                                  \
  do {                                                          \
    ::kovra::base::VerificationError kovra_verify_result_ = (expr); \
    if (!kovra_verify_result_.is_ok()) return kovra_verify_result_; \
  } while (0)
