// The credential records: what a credential bundle and an attestation bundle carry.
//
//   CredentialCore        header_u32, issuer, header_u64, header_i64, image_id, journal
//   GateAttestation       the committed gate journal, 17 elements (below)
//   AttestCredentialCore  header_u32, issuer, header_u64, header_i64, image_id, family,
//                         journal_sha256, data_root
//
// The same member order is used by all three encodings of these records: the fixed-width
// bundle files (kovra-core/bundle.h), the compact digest encoding and the journal words.
// Every 8-byte integer of GateAttestation and of the records nested in it is signed. The
// marks x100 and bps denote fixed-point quantities (hundredths, basis points).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "receipts/word_codec.h"

namespace kovra::core {

using Bytes32 = std::array<uint8_t, 32>;

// Disclosed metrics of a gate credential.
struct Disclosed {
  int64_t net_return_bps = 0;
  int64_t max_drawdown_bps = 0;
  int64_t worst_bar_bps = 0;
  uint32_t trades = 0;
  uint32_t bars_in_market = 0;
  int64_t sharpe = 0;            // x100, full window
  int64_t sharpe_oos = 0;        // x100, last 30 % of the window (walk-forward)
  int64_t independence_pct = 0;  // independence from the market, momentum, reversal factors
  int64_t r2_market_pct = 0;
  int64_t r2_momentum_pct = 0;
  int64_t r2_reversal_pct = 0;

  friend bool operator==(const Disclosed&, const Disclosed&) = default;
};

// The gate policy applied. Elements 3, 8, 9 and 10 are class parameters, compared only as
// parts of the whole record.
struct RiskGate {
  int64_t min_sharpe = 0;           // x100
  int64_t min_cagr_bps = 0;
  int64_t policy_value_3 = 0;
  int64_t max_drawdown_bps = 0;
  int64_t worst_bar_floor_bps = 0;  // negative
  uint32_t min_trades = 0;
  uint32_t min_bars = 0;
  uint32_t policy_value_8 = 0;
  int64_t policy_value_9 = 0;
  bool policy_flag_10 = false;

  friend bool operator==(const RiskGate&, const RiskGate&) = default;
};

// Exposure over the window; exposures are x100.
struct ExposureCard {
  int64_t net_avg = 0;
  int64_t net_min = 0;
  int64_t net_max = 0;
  int64_t gross_avg = 0;
  int64_t gross_max = 0;
  uint32_t long_bars = 0;
  uint32_t short_bars = 0;
  uint32_t flat_bars = 0;
  uint32_t instruments = 0;

  friend bool operator==(const ExposureCard&, const ExposureCard&) = default;
};

// Per-regime results for the six regime labels 0..5, in label order. The arrays have a
// fixed length and carry no length in any encoding.
struct RegimePanel {
  uint32_t vol_window = 0;
  uint32_t trend_window = 0;
  std::array<int64_t, 6> bucket_return_bps{};  // mean return per bar in each bucket
  std::array<uint32_t, 6> bucket_bars{};

  friend bool operator==(const RegimePanel&, const RegimePanel&) = default;
};

// The committed gate journal. Equality (GateAttestation::eq) is member-wise over all 17
// elements, nested records and arrays included. In journal words it takes 129 words with
// its three options absent and 183 with all of them present.
struct GateAttestation {
  std::optional<Disclosed> disclosed;  // absent in a minimal (verdict-only) credential
  Bytes32 commitment{};                // strategy commitment
  Bytes32 data_root{};
  bool canonical_data = false;
  RiskGate gate;
  bool gate_passed = false;
  int64_t window_start = 0;
  int64_t window_end = 0;
  int64_t fee_bps = 0;  // VRP credentials: volatility points x100
  int64_t slippage_bps = 0;
  uint32_t periods_per_year = 0;
  uint32_t bars = 0;
  uint16_t format_version = 0;
  bool ohlc_risk = false;
  std::optional<ExposureCard> exposure;
  std::optional<RegimePanel> regimes;
  Bytes32 aux_binding{};  // all zero when the credential binds no aux parts

  friend bool operator==(const GateAttestation&, const GateAttestation&) = default;

  // The gate journal a gate guest commits, from the receipt's journal bytes; words after
  // the record are ignored (kovra-core/journal.h has the statistic journals).
  static base::Result<GateAttestation, receipts::WordCodecError> from_words(
      std::span<const uint8_t> journal);
  // The 17 elements from `in`, leaving it after the last one.
  static base::Result<GateAttestation, receipts::WordCodecError> read_words(
      receipts::WordReader& in);

  // Appends the compact (postcard) encoding used by the credential digests.
  void write_postcard(std::vector<uint8_t>& out) const;
};

struct CredentialCore {
  uint32_t header_u32 = 0;  // carried and digested, read nowhere else
  std::string issuer;
  uint64_t header_u64 = 0;  // carried and digested, read nowhere else
  int64_t header_i64 = 0;   // carried and digested, read nowhere else
  Bytes32 image_id{};       // guest program that minted the credential
  GateAttestation journal;  // the credential's own copy of the committed gate journal

  friend bool operator==(const CredentialCore&, const CredentialCore&) = default;

  // The V2 credential digest (kovra-core/credential.h).
  Bytes32 digest() const;
};

enum class AttestationFamily : uint32_t { LabelSchema = 0, Structural = 1, Hrp = 2 };

struct AttestCredentialCore {
  uint32_t header_u32 = 0;
  std::string issuer;
  uint64_t header_u64 = 0;
  int64_t header_i64 = 0;
  Bytes32 image_id{};
  AttestationFamily family = AttestationFamily::LabelSchema;
  Bytes32 journal_sha256{};  // plain SHA-256 of the receipt's journal bytes
  Bytes32 data_root{};       // must equal the data root inside the journal

  friend bool operator==(const AttestCredentialCore&, const AttestCredentialCore&) = default;

  // The V3 attestation digest (kovra-core/credential.h).
  Bytes32 digest() const;
};

}  // namespace kovra::core
