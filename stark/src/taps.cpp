#include "stark/taps.h"

#include <vector>

#include "base/invariant.h"

namespace kovra::stark {

MixAccumulator eval_constraints(const ConstraintProgram& program, const BabyBearExtElem& poly_mix,
                                std::span<const BabyBearExtElem> tap_values,
                                std::span<const BabyBearElem> args0,
                                std::span<const BabyBearElem> args1) {
  std::vector<BabyBearExtElem> fp;
  std::vector<MixAccumulator> mix;
  fp.reserve(program.fp_count);
  mix.reserve(program.mix_count);
  const std::span<const BabyBearElem> args[2] = {args0, args1};
  auto f = [&](uint64_t i) -> const BabyBearExtElem& {
    KOVRA_INVARIANT(i < fp.size(), "constraint operand beyond fp_vars");
    return fp[i];
  };
  auto m = [&](uint64_t i) -> const MixAccumulator& {
    KOVRA_INVARIANT(i < mix.size(), "constraint operand beyond mix_vars");
    return mix[i];
  };
  auto c = [](uint64_t v) { return BabyBearElem::from_u32(static_cast<uint32_t>(v)); };
  for (const ConstraintStep& s : program.steps) {
    const auto& o = s.ops;
    switch (s.kind) {
      case StepKind::Const:
        fp.push_back(BabyBearExtElem(c(o[0])));
        break;
      case StepKind::ConstExt:
        fp.push_back(BabyBearExtElem(c(o[0]), c(o[1]), c(o[2]), c(o[3])));
        break;
      case StepKind::Tap:
        KOVRA_INVARIANT(o[0] < tap_values.size(), "tap index beyond the tap values");
        fp.push_back(tap_values[o[0]]);
        break;
      case StepKind::Global:
        KOVRA_INVARIANT(o[0] <= 1 && o[1] < args[o[0] & 1].size(), "global beyond its list");
        fp.push_back(BabyBearExtElem(args[o[0]][o[1]]));
        break;
      case StepKind::Add:
        fp.push_back(f(o[0]) + f(o[1]));
        break;
      case StepKind::Sub:
        fp.push_back(f(o[0]) - f(o[1]));
        break;
      case StepKind::Mul:
        fp.push_back(f(o[0]) * f(o[1]));
        break;
      case StepKind::MixStart:
        mix.push_back(MixAccumulator{});
        break;
      case StepKind::MixZero: {
        const MixAccumulator& a = m(o[0]);
        mix.push_back(MixAccumulator{a.sum + a.scale * f(o[1]), a.scale * poly_mix});
        break;
      }
      case StepKind::MixCond: {
        const MixAccumulator& a = m(o[0]);
        const MixAccumulator& inner = m(o[2]);
        mix.push_back(MixAccumulator{a.sum + f(o[1]) * inner.sum * a.scale, a.scale * inner.scale});
        break;
      }
    }
  }
  KOVRA_INVARIANT(fp.size() == program.fp_count, "Miscalculated capacity for fp_vars");
  KOVRA_INVARIANT(mix.size() == program.mix_count, "Miscalculated capacity for mix_vars");
  return m(program.result);
}

}  // namespace kovra::stark
