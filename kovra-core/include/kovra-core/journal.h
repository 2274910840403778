// The journal records: what each guest program commits, decoded from a receipt's journal.
//
// The gate guest commits a bare GateAttestation (kovra-core/records.h). The statistic
// guests commit a journal that begins with the winning strategy's GateAttestation:
//   DsrJournal, PboJournal, PboAggJournal, CpcvJournal, ValidationExtGuestJournal
// and the attestation guests commit stand-alone journals:
//   LabelSchemaJournal, StructuralJournal, HrpJournal
//
// Every `from_words` takes the journal bytes, reads them as journal words
// (receipts/word_codec.h) element by element in declaration order and stops after the
// record's last element: trailing words are ignored. The first failure is returned as a
// WordCodecError and nothing of the record survives. No check beyond the element rules of
// the word format is made here.
//
// Statistics marked x1e6 are signed 128-bit fixed point: the value times 1,000,000.
// Sizes in words after the gate journal (129 to 183 words): DsrJournal 81, PboJournal 75,
// PboAggJournal 107, CpcvJournal 16.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/int128.h"
#include "base/result.h"
#include "kovra-core/records.h"
#include "receipts/word_codec.h"

namespace kovra::core {

using base::I128;
using receipts::WordCodecError;
using receipts::WordReader;

template <class T>
using JournalResult = base::Result<T, WordCodecError>;

// The commitment to the ledger of all trials; 66 words.
struct TrialLedger {
  uint64_t leaf_count = 0;  // must equal the journal's trial count N
  Bytes32 digest_a{};       // carried, never checked
  Bytes32 digest_b{};       // carried, never checked

  friend bool operator==(const TrialLedger&, const TrialLedger&) = default;
  static JournalResult<TrialLedger> read_words(WordReader& in);
};

struct DsrJournal {
  GateAttestation gate;  // the winning strategy's gate journal
  I128 dsr = 0;          // deflated Sharpe ratio x1e6
  I128 sr0 = 0;          // the N-trial deflation benchmark x1e6
  I128 observed_sharpe = 0;  // per observation x1e6
  uint64_t trials = 0;       // N
  TrialLedger ledger;
  bool all_trials_bound = false;  // every trial's Sharpe ratio was bound inside the guest

  friend bool operator==(const DsrJournal&, const DsrJournal&) = default;
  static JournalResult<DsrJournal> from_words(std::span<const uint8_t> journal);
  static JournalResult<DsrJournal> read_words(WordReader& in);
};

struct PboJournal {
  GateAttestation gate;
  I128 pbo = 0;  // probability of backtest overfitting x1e6
  uint64_t trials = 0;
  uint32_t cscv_splits = 0;      // S (8 in this journal)
  uint32_t cscv_partitions = 0;  // C(S, S/2) (70 in this journal)
  TrialLedger ledger;
  bool all_trials_bound = false;

  friend bool operator==(const PboJournal&, const PboJournal&) = default;
  static JournalResult<PboJournal> from_words(std::span<const uint8_t> journal);
  static JournalResult<PboJournal> read_words(WordReader& in);
};

// PBO over composed per-trial receipts.
struct PboAggJournal {
  GateAttestation gate;  // the credentialed winner's gate journal
  I128 pbo = 0;
  uint64_t trials = 0;
  uint32_t cscv_splits = 0;      // S (16 in this journal)
  uint32_t cscv_partitions = 0;  // C(S, S/2) (12,870 in this journal)
  TrialLedger ledger;
  Bytes32 trial_image_id{};  // the per-trial guest whose receipts were composed
  bool all_trials_verified = false;

  friend bool operator==(const PboAggJournal&, const PboAggJournal&) = default;
  static JournalResult<PboAggJournal> from_words(std::span<const uint8_t> journal);
  static JournalResult<PboAggJournal> read_words(WordReader& in);
};

struct CpcvJournal {
  GateAttestation gate;
  I128 path_sharpe_p05 = 0;   // 5th percentile of the path Sharpe ratios x1e6
  I128 path_sharpe_mean = 0;  // x1e6
  uint32_t paths = 0;         // C(N, k)
  uint32_t groups = 0;        // N
  uint32_t test_groups = 0;   // k
  uint32_t embargo_bars = 0;
  uint32_t label_span_bars = 0;
  uint64_t bars_purged = 0;
  bool purge_applied = false;

  friend bool operator==(const CpcvJournal&, const CpcvJournal&) = default;
  static JournalResult<CpcvJournal> from_words(std::span<const uint8_t> journal);
  static JournalResult<CpcvJournal> read_words(WordReader& in);
};

// The validation-ext statistics block: 131 words plus one per Romano-Wolf survivor.
struct ValidationExtJournal {
  Bytes32 commitment{};  // must match the gate's
  Bytes32 data_root{};   // must match the gate's
  uint64_t trials = 0;
  uint64_t sample_bars = 0;
  uint32_t periods_per_year = 0;
  I128 winner_sr = 0;      // per bar x1e6
  I128 psr = 0;            // x1e6
  I128 psr_benchmark = 0;  // SR* per period x1e6
  I128 skewness = 0;       // x1e6
  I128 kurtosis = 0;       // x1e6
  bool psr_pass = false;
  uint64_t min_btl = 0;     // bars
  I128 noise_ceiling = 0;   // x1e6
  bool min_btl_pass = false;
  I128 hl_t = 0;            // Harvey-Liu t x1e6
  I128 p_bonferroni = 0;
  I128 p_holm = 0;
  I128 p_bhy = 0;
  I128 haircut_sr = 0;      // per period x1e6
  bool bhy_pass = false;
  I128 spa_t_max = 0;
  I128 spa_p = 0;
  uint32_t spa_replicates = 0;
  uint32_t spa_block = 0;
  std::vector<uint32_t> romano_wolf_survivors;
  bool spa_pass = false;
  bool composite_pass = false;

  friend bool operator==(const ValidationExtJournal&, const ValidationExtJournal&) = default;
  static JournalResult<ValidationExtJournal> read_words(WordReader& in);
};

struct ValidationExtGuestJournal {
  GateAttestation gate;
  TrialLedger ledger;
  std::optional<ValidationExtJournal> stats;  // one tag word guards the whole block
  bool ledger_bound = false;

  friend bool operator==(const ValidationExtGuestJournal&,
                         const ValidationExtGuestJournal&) = default;
  static JournalResult<ValidationExtGuestJournal> from_words(std::span<const uint8_t> journal);
  static JournalResult<ValidationExtGuestJournal> read_words(WordReader& in);
};

// 110 words.
struct LabelSchemaJournal {
  Bytes32 data_root{};
  uint64_t window_bars = 0;
  uint64_t event_count = 0;
  int64_t profit_take_bps = 0;
  int64_t stop_bps = 0;
  uint32_t vertical_bars = 0;
  Bytes32 labels_digest{};
  Bytes32 uniqueness_digest{};
  I128 meta_label_act_rate = 0;  // x1e6; -1: no primary-signal rail was witnessed
  bool recomputed_in_circuit = false;

  friend bool operator==(const LabelSchemaJournal&, const LabelSchemaJournal&) = default;
  static JournalResult<LabelSchemaJournal> from_words(std::span<const uint8_t> journal);
  static JournalResult<LabelSchemaJournal> read_words(WordReader& in);
};

// 49 words.
struct StructuralJournal {
  Bytes32 data_root{};
  uint64_t window_bars = 0;
  I128 cusum_h = 0;  // in the series' fixed-point scale
  uint64_t break_events = 0;
  uint32_t episode_start_bar = 0;  // 0 when there is no event
  uint32_t episode_end_bar = 0;
  uint32_t sadf_min_window = 0;
  uint32_t sadf_stride = 0;
  I128 sadf_sup = 0;  // x1e6
  bool recomputed_in_circuit = false;

  friend bool operator==(const StructuralJournal&, const StructuralJournal&) = default;
  static JournalResult<StructuralJournal> from_words(std::span<const uint8_t> journal);
  static JournalResult<StructuralJournal> read_words(WordReader& in);
};

// 75 words plus 4 per weight.
struct HrpJournal {
  Bytes32 data_root{};
  uint64_t assets = 0;
  uint64_t observations = 0;
  uint32_t power_iterations = 0;
  I128 mp_lambda_plus = 0;  // Marchenko-Pastur upper bound x1e6
  Bytes32 denoised_corr_digest{};
  std::vector<I128> weights;  // x1e6, one per asset in asset order
  bool recomputed_in_circuit = false;

  friend bool operator==(const HrpJournal&, const HrpJournal&) = default;
  static JournalResult<HrpJournal> from_words(std::span<const uint8_t> journal);
  static JournalResult<HrpJournal> read_words(WordReader& in);
};

}  // namespace kovra::core
