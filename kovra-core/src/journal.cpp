#include "kovra-core/journal.h"

#include <utility>

#include "kovra-core/detail/gate_elements.h"

namespace kovra::core {

using base::Err;

namespace {

template <class T>
JournalResult<T> decode_words(std::span<const uint8_t> journal) {
  KOVRA_ASSIGN_OR_RETURN(WordReader in, WordReader::from_bytes(journal));
  return T::read_words(in);
}

// The elements PboJournal and PboAggJournal begin with, up to the trial ledger.
template <class J>
base::Status<WordCodecError> read_pbo_head(WordReader& in, J& j) {
  KOVRA_ASSIGN_OR_RETURN(j.gate, GateAttestation::read_words(in));
  KOVRA_ASSIGN_OR_RETURN(j.pbo, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.trials, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.cscv_splits, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.cscv_partitions, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.ledger, TrialLedger::read_words(in));
  return {};
}

}  // namespace

JournalResult<GateAttestation> GateAttestation::read_words(WordReader& in) {
  return detail::read_gate_attestation(detail::WordElements{in});
}

JournalResult<GateAttestation> GateAttestation::from_words(std::span<const uint8_t> journal) {
  return decode_words<GateAttestation>(journal);
}

JournalResult<TrialLedger> TrialLedger::read_words(WordReader& in) {
  TrialLedger t;
  KOVRA_ASSIGN_OR_RETURN(t.leaf_count, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(t.digest_a, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(t.digest_b, in.next_array32());
  return t;
}

JournalResult<DsrJournal> DsrJournal::read_words(WordReader& in) {
  DsrJournal j;
  KOVRA_ASSIGN_OR_RETURN(j.gate, GateAttestation::read_words(in));
  KOVRA_ASSIGN_OR_RETURN(j.dsr, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.sr0, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.observed_sharpe, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.trials, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.ledger, TrialLedger::read_words(in));
  KOVRA_ASSIGN_OR_RETURN(j.all_trials_bound, in.next_bool());
  return j;
}

JournalResult<PboJournal> PboJournal::read_words(WordReader& in) {
  PboJournal j;
  KOVRA_TRY(read_pbo_head(in, j));
  KOVRA_ASSIGN_OR_RETURN(j.all_trials_bound, in.next_bool());
  return j;
}

JournalResult<PboAggJournal> PboAggJournal::read_words(WordReader& in) {
  PboAggJournal j;
  KOVRA_TRY(read_pbo_head(in, j));
  KOVRA_ASSIGN_OR_RETURN(j.trial_image_id, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.all_trials_verified, in.next_bool());
  return j;
}

JournalResult<CpcvJournal> CpcvJournal::read_words(WordReader& in) {
  CpcvJournal j;
  KOVRA_ASSIGN_OR_RETURN(j.gate, GateAttestation::read_words(in));
  KOVRA_ASSIGN_OR_RETURN(j.path_sharpe_p05, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.path_sharpe_mean, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.paths, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.groups, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.test_groups, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.embargo_bars, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.label_span_bars, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.bars_purged, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.purge_applied, in.next_bool());
  return j;
}

JournalResult<ValidationExtJournal> ValidationExtJournal::read_words(WordReader& in) {
  ValidationExtJournal j;
  KOVRA_ASSIGN_OR_RETURN(j.commitment, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.data_root, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.trials, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.sample_bars, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.periods_per_year, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.winner_sr, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.psr, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.psr_benchmark, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.skewness, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.kurtosis, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.psr_pass, in.next_bool());
  KOVRA_ASSIGN_OR_RETURN(j.min_btl, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.noise_ceiling, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.min_btl_pass, in.next_bool());
  KOVRA_ASSIGN_OR_RETURN(j.hl_t, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.p_bonferroni, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.p_holm, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.p_bhy, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.haircut_sr, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.bhy_pass, in.next_bool());
  KOVRA_ASSIGN_OR_RETURN(j.spa_t_max, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.spa_p, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.spa_replicates, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.spa_block, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.romano_wolf_survivors, in.next_u32_list());
  KOVRA_ASSIGN_OR_RETURN(j.spa_pass, in.next_bool());
  KOVRA_ASSIGN_OR_RETURN(j.composite_pass, in.next_bool());
  return j;
}

JournalResult<ValidationExtGuestJournal> ValidationExtGuestJournal::read_words(WordReader& in) {
  ValidationExtGuestJournal j;
  KOVRA_ASSIGN_OR_RETURN(j.gate, GateAttestation::read_words(in));
  KOVRA_ASSIGN_OR_RETURN(j.ledger, TrialLedger::read_words(in));
  KOVRA_ASSIGN_OR_RETURN(const bool present, in.next_option_tag());
  if (present) {
    auto stats = ValidationExtJournal::read_words(in);
    if (!stats.ok()) return Err(std::move(stats).error());
    j.stats.emplace(std::move(stats).value());
  }
  KOVRA_ASSIGN_OR_RETURN(j.ledger_bound, in.next_bool());
  return j;
}

JournalResult<LabelSchemaJournal> LabelSchemaJournal::read_words(WordReader& in) {
  LabelSchemaJournal j;
  KOVRA_ASSIGN_OR_RETURN(j.data_root, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.window_bars, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.event_count, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.profit_take_bps, in.next_i64());
  KOVRA_ASSIGN_OR_RETURN(j.stop_bps, in.next_i64());
  KOVRA_ASSIGN_OR_RETURN(j.vertical_bars, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.labels_digest, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.uniqueness_digest, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.meta_label_act_rate, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.recomputed_in_circuit, in.next_bool());
  return j;
}

JournalResult<StructuralJournal> StructuralJournal::read_words(WordReader& in) {
  StructuralJournal j;
  KOVRA_ASSIGN_OR_RETURN(j.data_root, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.window_bars, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.cusum_h, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.break_events, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.episode_start_bar, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.episode_end_bar, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.sadf_min_window, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.sadf_stride, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.sadf_sup, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.recomputed_in_circuit, in.next_bool());
  return j;
}

JournalResult<HrpJournal> HrpJournal::read_words(WordReader& in) {
  HrpJournal j;
  KOVRA_ASSIGN_OR_RETURN(j.data_root, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.assets, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.observations, in.next_u64());
  KOVRA_ASSIGN_OR_RETURN(j.power_iterations, in.next_u32());
  KOVRA_ASSIGN_OR_RETURN(j.mp_lambda_plus, in.next_u128());
  KOVRA_ASSIGN_OR_RETURN(j.denoised_corr_digest, in.next_array32());
  KOVRA_ASSIGN_OR_RETURN(j.weights, in.next_u128_list());
  KOVRA_ASSIGN_OR_RETURN(j.recomputed_in_circuit, in.next_bool());
  return j;
}

JournalResult<DsrJournal> DsrJournal::from_words(std::span<const uint8_t> journal) {
  return decode_words<DsrJournal>(journal);
}
JournalResult<PboJournal> PboJournal::from_words(std::span<const uint8_t> journal) {
  return decode_words<PboJournal>(journal);
}
JournalResult<PboAggJournal> PboAggJournal::from_words(std::span<const uint8_t> journal) {
  return decode_words<PboAggJournal>(journal);
}
JournalResult<CpcvJournal> CpcvJournal::from_words(std::span<const uint8_t> journal) {
  return decode_words<CpcvJournal>(journal);
}
JournalResult<ValidationExtGuestJournal> ValidationExtGuestJournal::from_words(
    std::span<const uint8_t> journal) {
  return decode_words<ValidationExtGuestJournal>(journal);
}
JournalResult<LabelSchemaJournal> LabelSchemaJournal::from_words(std::span<const uint8_t> journal) {
  return decode_words<LabelSchemaJournal>(journal);
}
JournalResult<StructuralJournal> StructuralJournal::from_words(std::span<const uint8_t> journal) {
  return decode_words<StructuralJournal>(journal);
}
JournalResult<HrpJournal> HrpJournal::from_words(std::span<const uint8_t> journal) {
  return decode_words<HrpJournal>(journal);
}

}  // namespace kovra::core
