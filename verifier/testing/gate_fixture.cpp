#include "verifier/testing/gate_fixture.h"

#include <cstdio>

#include "kovra-core/lib.h"
#include "kovra-core/testing/journal_writer.h"
#include "receipts/receipt_verify.h"
#include "receipts/testing/receipt_writer.h"
#include "receipts/testing/test_context.h"
#include "verifier/funding.h"
#include "verifier/gate_class.h"
#include "verifier/price_csv.h"

namespace kovra::verifier::testing {
namespace {

// A small deterministic generator (64-bit LCG, high bits out).
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(0x9e3779b97f4a7c15ull ^ seed) {}
  uint32_t next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state_ >> 33);
  }
  // Uniform in [-1, 1).
  double unit() { return static_cast<double>(next() % 2'000'001) / 1'000'000.0 - 1.0; }

 private:
  uint64_t state_;
};

constexpr int64_t kDay = 86'400;
constexpr int64_t kFundingPeriod = 8 * 3'600;

core::Bytes32 bytes32(uint8_t seed) {
  core::Bytes32 out{};
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(seed + i);
  return out;
}

}  // namespace

const char* kind_name(CredentialKind kind) {
  switch (kind) {
    case CredentialKind::Plain: return "plain";
    case CredentialKind::Portfolio: return "portfolio";
    case CredentialKind::Carry: return "carry";
    case CredentialKind::Vrp: return "vrp";
  }
  return "?";
}

std::string price_csv(size_t bars, uint32_t seed, int64_t start_ts) {
  Lcg rng(seed);
  std::string out = "timestamp,open,high,low,close\n";
  double close = 100.0 + seed % 50;
  for (size_t i = 0; i < bars; ++i) {
    // Volatility cycles between calm and wild stretches, with a slow drift that turns.
    const double vol = (i / 60) % 3 == 0 ? 0.004 : (i / 60) % 3 == 1 ? 0.015 : 0.035;
    const double drift = ((i / 90) % 2 == 0 ? 0.0015 : -0.0012);
    const double open = close;
    close = open * (1.0 + drift + vol * rng.unit());
    const double high = std::max(open, close) * (1.0 + 0.3 * vol * (rng.unit() + 1.0));
    const double low = std::min(open, close) * (1.0 - 0.3 * vol * (rng.unit() + 1.0));
    char row[160];
    std::snprintf(row, sizeof row, "%lld,%.6f,%.6f,%.6f,%.6f\n",
                  static_cast<long long>(start_ts + static_cast<int64_t>(i) * kDay), open, high,
                  low, close);
    out += row;
  }
  return out;
}

std::string funding_csv(size_t rows, uint32_t seed, int64_t start_ts) {
  Lcg rng(seed);
  std::string out = "timestamp,rate\n";
  for (size_t i = 0; i < rows; ++i) {
    const long long rate = static_cast<long long>(rng.next() % 400) - 150;
    out += std::to_string(start_ts + static_cast<int64_t>(i) * kFundingPeriod) + "," +
           std::to_string(rate) + "\n";
  }
  return out;
}

std::vector<std::string> GateFixture::data_args() const {
  std::vector<std::string> args;
  for (const auto& f : csv_files) args.push_back(f.name);
  if (kind == CredentialKind::Carry) {
    args.push_back("--carry");
    args.push_back("--funding-dir");
    args.push_back(funding_dir);
  }
  if (kind == CredentialKind::Vrp) args.push_back("--vrp");
  return args;
}

const ImageId& GateFixture::image_id() const {
  switch (kind) {
    case CredentialKind::Carry: return CARRY_IMAGE_ID;
    case CredentialKind::Vrp: return VRP_IMAGE_ID;
    default: return TRUSTED_IMAGE_ID;
  }
}

void bind_to_data(core::GateAttestation& gate, const GateFixture& fixture) {
  if (fixture.kind == CredentialKind::Carry) {
    core::FundingSeries funding;
    for (const auto& f : fixture.funding_files) {
      FundingRows rows = parse_funding_csv(f.text);
      funding.timestamps = rows.timestamps;
      funding.rates.push_back(std::move(rows.rates));
    }
    gate.data_root = core::carry_root(funding);
    gate.bars = static_cast<uint32_t>(funding.timestamps.size());
    gate.window_start = funding.timestamps.front();
    gate.window_end = funding.timestamps.back();
    if (gate.exposure) gate.exposure->instruments = static_cast<uint32_t>(funding.rates.size());
    return;
  }
  std::vector<std::vector<core::BarRecord>> lists;
  for (const auto& f : fixture.csv_files) lists.push_back(parse_price_csv(f.text));
  const auto& first = lists.front();
  gate.bars = static_cast<uint32_t>(first.size());
  gate.window_start = first.front().timestamp;
  gate.window_end = first.back().timestamp;
  if (fixture.kind == CredentialKind::Vrp) {
    gate.data_root = core::vrp_root(lists[0], lists[1]);
  } else {
    gate.data_root = core::portfolio_root(lists);
  }
  if (gate.exposure) gate.exposure->instruments = static_cast<uint32_t>(lists.size());
  if (gate.regimes) {
    const auto closes = close_series(lists);
    const auto reference = fixture.kind == CredentialKind::Vrp
                               ? std::optional<std::vector<int64_t>>(closes[0])
                               : core::equal_weight_series(closes);
    const auto counts = core::regime_bucket_counts(core::regime_labels(*reference));
    for (size_t i = 0; i < 6; ++i) {
      gate.regimes->bucket_bars[i] = static_cast<uint32_t>(counts[i]);
      if (counts[i] == 0) gate.regimes->bucket_return_bps[i] = 0;
    }
  }
}

GateFixture make_gate_fixture(CredentialKind kind, bool disclosing, size_t bars) {
  GateFixture f;
  f.kind = kind;
  switch (kind) {
    case CredentialKind::Plain:
      f.csv_files = {{"prices.csv", price_csv(bars, 1)}};
      break;
    case CredentialKind::Portfolio:
      f.csv_files = {{"btc.csv", price_csv(bars, 1)}, {"eth.csv", price_csv(bars, 2)}};
      break;
    case CredentialKind::Vrp:
      f.csv_files = {{"underlying.csv", price_csv(bars, 3)}, {"dvol.csv", price_csv(bars, 4)}};
      break;
    case CredentialKind::Carry:
      f.funding_dir = "funding";
      f.funding_files = {{"funding/a.csv", funding_csv(bars, 5)},
                         {"funding/b.csv", funding_csv(bars, 6)}};
      break;
  }

  core::CredentialCore& c = f.core;
  c.header_u32 = 2;
  c.issuer = "KOVRA engine (test issuer)";
  c.header_u64 = 1'753'401'600;
  c.header_i64 = -1;
  c.image_id = f.image_id();

  core::GateAttestation& g = c.journal;
  if (disclosing) {
    g.disclosed = core::Disclosed{4210, 1830, -640, 37, 96, 185, 142, 78, 12, 6, 4};
    const uint32_t flat = static_cast<uint32_t>(bars) - 1 - 60 - 25;
    g.exposure = core::ExposureCard{35, -100, 150, 80, 150, 60, 25, flat, 0};
    if (kind != CredentialKind::Carry) {
      g.regimes = core::RegimePanel{core::kRegimeVolWindow, core::kRegimeTrendWindow,
                                    {-12, 25, 8, 41, -30, 66}, {}};
    }
  }
  g.commitment = bytes32(0x31);
  g.canonical_data = true;
  g.gate = DIRECTIONAL_V1.gate;
  g.gate_passed = true;
  g.fee_bps = kind == CredentialKind::Vrp ? 50 : 10;
  g.slippage_bps = 5;
  g.periods_per_year = kind == CredentialKind::Carry ? 1095 : 365;
  g.format_version = 4;
  g.ohlc_risk = true;
  bind_to_data(g, f);
  return f;
}

std::vector<uint8_t> journal_bytes(const core::GateAttestation& gate) {
  return core::testing::journal_bytes(gate);
}

core::CredentialBundle seal(const core::CredentialCore& core, receipts::Receipt receipt) {
  core::CredentialBundle b;
  b.core = core;
  b.digest = core.digest();
  b.receipt = std::move(receipt);
  return b;
}

receipts::Receipt fake_receipt_for(const ImageId& image_id, std::vector<uint8_t> journal) {
  const auto claim = receipts::expected_claim(base::Digest::from_bytes(image_id), journal);
  return receipts::testing::fake_receipt(claim, journal, base::Digest::zero());
}

TestProofs::TestProofs()
    : scalars_(groth16::testing::default_test_scalars()),
      ctx_(receipts::testing::groth16_test_context(scalars_, receipts::testing::sample_digest(11),
                                                   receipts::testing::sample_digest(23))) {
  // The BN254 id must be below the scalar field modulus: clear its top byte.
  auto id = ctx_.groth16_params->bn254_id.bytes();
  id[31] = 0;
  ctx_.groth16_params->bn254_id = base::Digest::from_bytes(id);
}

receipts::Receipt TestProofs::receipt(const ImageId& image_id, std::vector<uint8_t> journal) const {
  return receipts::testing::groth16_test_receipt(ctx_, scalars_, base::Digest::from_bytes(image_id),
                                                 journal);
}

ReceiptVerifier TestProofs::verifier(bool dev_mode) const {
  receipts::VerifyContext ctx = ctx_;
  ctx.dev_mode = dev_mode;
  return [ctx = std::move(ctx)](const receipts::Receipt& r, const ImageId& id) {
    return r.verify_with(ctx, base::Digest::from_bytes(id));
  };
}

}  // namespace kovra::verifier::testing
