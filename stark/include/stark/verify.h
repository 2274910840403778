// StarkVerifier: one STARK check of one seal, replaying the prover's Fiat-Shamir transcript.
//
// The seal is consumed strictly from front to back; every commitment is mixed into the
// transcript when it is read and every challenge is drawn at a fixed point. One check runs:
//
//    1. build the verifier (fresh transcript from the suite's factory)
//    2. mix_protocol_tags      mix the digests of "DURO0_STARK:v1__" and of the circuit tag
//    3. read_public_words      public words and po2; mix the digest of all of them
//    4. commit_group(code)     (succinct receipts then check the code root)
//    5. commit_group(data)
//    6. draw_mix               the circuit's mix elements
//    7. commit_group(accum)
//    8. finish                 the closing phase:
//         constraint mix; check tree; z; coefficient list (mixed); constraint identity;
//         DEEP mix; FRI round trees and their mixes; final polynomial (mixed); 50 queries
//    9. the caller requires the seal to be used up (remaining() == 0)
//
// `verify_stark_seal` runs all of it for callers with no step of their own in between.
// Every operation returns a VerificationError kind and never prints; failures are those of
// the reading primitives (Malformed), of the tree checks (QueryOutOfRange, Malformed,
// ProofRejected) and of the identities (ProofRejected).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "stark/circuit.h"
#include "stark/fri.h"
#include "stark/hash_suite.h"
#include "stark/merkle.h"
#include "stark/seal_reader.h"

namespace kovra::stark {

inline constexpr uint32_t kMaxPo2 = 24;
inline constexpr uint64_t kExpansion = 4;
inline constexpr size_t kQueryCount = 50;

class StarkVerifier {
 public:
  // `words` is the part of the seal the reader consumes (an rv32im seal without its version
  // word); circuit and suite are borrowed for the check.
  StarkVerifier(const CircuitDescription& circuit, const HashSuite& suite,
                std::span<const uint32_t> words);

  void mix_protocol_tags();
  // Reads the public words and po2 (public_words + 1 words, all below P) and mixes their
  // digest; po2 above 24 is Malformed after the mix. Returns the public words.
  VResult<std::span<const uint32_t>> read_public_words();
  // Commits register group g (0 accum, 1 code, 2 data): a tree of 4 * size rows and the
  // group's width in columns. Returns its root. A group committed twice is Malformed.
  VResult<Digest> commit_group(size_t group);
  // end - start random_elem draws (none when end <= start).
  std::vector<BabyBearElem> draw_mix(uint64_t start, uint64_t end);
  // The closing phase, from the constraint mix to the last query.
  VerificationError finish(std::span<const uint32_t> public_words,
                           std::span<const BabyBearElem> mix);

  // The rows of accum, code and data at idx, in that order.
  VResult<std::array<std::span<const uint32_t>, 3>> query_group_rows(uint64_t idx);

  size_t remaining() const { return reader_.remaining(); }
  uint32_t po2() const { return po2_; }
  uint64_t size() const { return size_; }

 private:
  // The reader under its exclusive-borrow flag: taking it while it is taken is a broken
  // invariant of the verifier's own order.
  class Borrow {
   public:
    explicit Borrow(StarkVerifier& v);
    ~Borrow();
    Borrow(const Borrow&) = delete;
    Borrow& operator=(const Borrow&) = delete;
    SealReader& operator*() { return v_.reader_; }
    SealReader* operator->() { return &v_.reader_; }

   private:
    StarkVerifier& v_;
  };

  const CircuitDescription& circuit_;
  const HashSuite& suite_;
  SealReader reader_;
  bool reader_taken_ = false;
  std::array<std::optional<CommittedTree>, 3> groups_;
  uint32_t po2_ = 0;
  uint64_t size_ = 0;
};

// The whole check of a seal, steps 1 to 9 above.
VerificationError verify_stark_seal(const CircuitDescription& circuit, const HashSuite& suite,
                                    std::span<const uint32_t> words);

}  // namespace kovra::stark
