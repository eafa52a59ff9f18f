// The sensitivity and Monte-Carlo runs: every perturbed design built from a
// copy, refocused by the optimiser's smallest-image search, and judged by
// the image-quality figures themselves.
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_group.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>

#include "optimise/image_search.h"
#include "quality/image_quality.h"
#include "tolerance/tolerance.h"
#include "trace/analysis.h"

namespace orvelin {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

OptimiseVariable variableOf(const Tolerance& t) {
    OptimiseVariable v;
    v.surface = t.mirror;
    switch (t.kind) {
        case ToleranceKind::radius:
            v.kind = VariableKind::radius;
            break;
        case ToleranceKind::sagradius:
            v.kind = VariableKind::rsag;
            break;
        case ToleranceKind::conic:
            v.kind = VariableKind::conic;
            break;
        case ToleranceKind::tilt:
            v.kind = VariableKind::tilt;
            break;
        case ToleranceKind::sep:
            v.kind = VariableKind::sep;
            break;
    }
    return v;
}

/// The compensators: the focal plane's distance from the last mirror, and
/// its tilt.
std::vector<OptimiseVariable> compensatorsOf(const Design& d, Compensation c) {
    std::vector<OptimiseVariable> v;
    const int n = std::clamp(d.surfaceCount, 0, kMaxSurfaces);
    if (c == Compensation::none || n < 2) return v;
    v.push_back({VariableKind::sep, n - 1});
    if (c == Compensation::focusTilt) v.push_back({VariableKind::tilt, n});
    return v;
}

/// The criterion of a design as `quality` gives it; NaN when a field it
/// needs does not trace.
double criterionOf(const Design& d, const Criterion& c) {
    std::vector<QualityField> fields;
    if (c.worst)
        fields.assign(kQualityFields.begin(), kQualityFields.end());
    else
        fields.push_back(c.field);
    const QualityReport q = computeQuality(d, {}, fields);
    double worst = kNaN;
    for (QualityField f : fields) {
        const FieldQuality& fq = q.field(f);
        if (fq.status != kTraceOk || fq.missed > 0) return kNaN;
        const double v = c.figure == CriterionFigure::rmsSpot        ? fq.rmsSpot
                         : c.figure == CriterionFigure::rmsWavefront ? fq.rmsWavefront
                                                                     : fq.strehl;
        if (!std::isfinite(v)) return kNaN;
        if (std::isnan(worst) || (c.higherIsBetter() ? v < worst : v > worst)) worst = v;
    }
    return worst;
}

/// Whether a is a worse criterion than b.
bool worse(const Criterion& c, double a, double b) {
    return c.higherIsBetter() ? a < b : a > b;
}

// A counter-based generator: every number is a hash of the seed, the trial
// and the draw's own counter, so no trial depends on another.
std::uint64_t splitmix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

/// A number in [0, 1) from (seed, trial, counter).
double unitDraw(std::uint64_t seed, std::uint64_t trial, std::uint64_t counter) {
    const std::uint64_t h = splitmix(splitmix(splitmix(seed) ^ trial) ^ counter);
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

class Counter {
  public:
    Counter(ToleranceProgress* p, int total) : progress_(p), total_(total) {}
    bool stop() const { return progress_ && progress_->cancelled(); }
    void step() {
        const int done = ++done_;
        if (progress_) progress_->advanced(done, total_);
    }

  private:
    ToleranceProgress* progress_;
    int total_;
    std::atomic<int> done_{0};
};

double percentile(std::vector<double> sorted, int trials, double share) {
    // Nearest rank: the smallest value that `share` of all trials meet.
    const int rank = static_cast<int>(std::ceil(share * trials - 1e-9)) - 1;
    if (rank < 0 || rank >= static_cast<int>(sorted.size())) return kNaN;
    return sorted[rank];
}

MonteCarloResult statistics(const ToleranceOptions& o, std::vector<std::optional<double>> values) {
    MonteCarloResult m;
    m.trials = static_cast<int>(values.size());
    std::vector<double> ok;
    for (const auto& v : values) {
        if (v)
            ok.push_back(*v);
        else
            ++m.failed;
    }
    const Criterion& c = o.criterion;
    if (!ok.empty()) {
        double sum = 0;
        for (double v : ok) sum += v;
        m.mean = sum / ok.size();
        double ss = 0;
        for (double v : ok) ss += (v - m.mean) * (v - m.mean);
        m.std = ok.size() > 1 ? std::sqrt(ss / (ok.size() - 1)) : 0;
    } else {
        m.mean = m.std = kNaN;
    }
    std::vector<double> sorted = ok;
    std::sort(sorted.begin(), sorted.end(), [&](double a, double b) { return worse(c, b, a); });
    m.p50 = percentile(sorted, m.trials, 0.50);
    m.p90 = percentile(sorted, m.trials, 0.90);
    m.p98 = percentile(sorted, m.trials, 0.98);
    if (o.threshold) {
        int meeting = 0;
        for (double v : ok) meeting += c.higherIsBetter() ? v >= *o.threshold : v <= *o.threshold;
        m.yield = m.trials > 0 ? static_cast<double>(meeting) / m.trials : kNaN;
    }
    for (int i = 0; i < m.trials; ++i) {
        const auto& v = values[i];
        if (m.worstTrial < 0) {
            m.worstTrial = i;
            continue;
        }
        const auto& w = values[m.worstTrial];
        if (!w) break;  // the first failed trial
        if (!v || worse(c, *v, *w)) m.worstTrial = i;
    }
    m.values = std::move(values);
    return m;
}

}  // namespace

std::vector<double> trialOffsets(const ToleranceOptions& o, const std::vector<double>& spans, int trial) {
    std::vector<double> offsets(spans.size());
    for (std::size_t t = 0; t < spans.size(); ++t) {
        // Each tolerance draws from its own run of counters, so that a
        // rejected normal draw of one never shifts another's numbers.
        const std::uint64_t base = static_cast<std::uint64_t>(t) << 32;
        if (o.distribution == Distribution::uniform) {
            offsets[t] = spans[t] * (2 * unitDraw(o.seed, trial, base) - 1);
            continue;
        }
        // Normal with sigma = V / 2, cut at +-V: Box-Muller pairs until one
        // falls within two sigma (95 % of them do).
        double z = 0;
        for (std::uint64_t k = 0;; k += 2) {
            const double u1 = 1 - unitDraw(o.seed, trial, base + k);  // (0, 1]
            const double u2 = unitDraw(o.seed, trial, base + k + 1);
            z = std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
            if (std::fabs(z) <= 2 || k > 2000) break;
        }
        offsets[t] = spans[t] * std::clamp(z, -2.0, 2.0) / 2;
    }
    return offsets;
}

namespace {

/// compensatedCriterion, the search started from `jacobian` when it holds
/// one (the nominal design's), and the search's own left in `last`.
CompensatedValue compensate(const Design& design, const ToleranceOptions& o,
                            const std::vector<double>& offsets, const std::vector<double>& start,
                            const std::vector<double>& jacobian, std::vector<double>* last) {
    CompensatedValue out;
    Design d = design;
    const std::vector<OptimiseVariable> comp = compensatorsOf(d, o.compensation);
    for (std::size_t j = 0; j < comp.size() && j < start.size(); ++j) setVariable(d, comp[j], start[j]);
    for (std::size_t t = 0; t < o.tolerances.size() && t < offsets.size(); ++t) {
        if (offsets[t] == 0) continue;
        const OptimiseVariable v = variableOf(o.tolerances[t]);
        setVariable(d, v, variableValue(d, v) + offsets[t]);
    }
    if (!comp.empty()) {
        ImageSearch s;
        s.variables = comp;
        // A Strehl ratio is best where the wavefront error is smallest.
        s.kind =
            o.criterion.figure == CriterionFigure::rmsSpot ? MinimiseKind::spot : MinimiseKind::wavefront;
        if (o.criterion.worst)
            s.fields.assign(kQualityFields.begin(), kQualityFields.end());
        else
            s.fields = {o.criterion.field};
        s.jacobian = jacobian;
        ImageSearchResult r = minimiseWorstField(d, s);
        if (!r.traced) return out;
        if (last) *last = std::move(r.jacobian);
        for (std::size_t j = 0; j < comp.size(); ++j) setVariable(d, comp[j], r.values[j]);
    }
    for (const OptimiseVariable& v : comp) out.compensators.push_back(variableValue(d, v));
    out.value = criterionOf(d, o.criterion);
    out.traced = std::isfinite(out.value);
    return out;
}

}  // namespace

CompensatedValue compensatedCriterion(const Design& design, const ToleranceOptions& o,
                                      const std::vector<double>& offsets, const std::vector<double>& start) {
    return compensate(design, o, offsets, start, {}, nullptr);
}

ToleranceResult computeTolerances(const Design& design, const ToleranceOptions& options,
                                  ToleranceProgress* progress) {
    ToleranceResult res;
    res.options = options;
    const ToleranceOptions& o = res.options;
    const std::vector<OptimiseVariable> comp = compensatorsOf(design, o.compensation);
    for (const OptimiseVariable& v : comp) {
        res.compensatorNames.push_back(v.name());
        res.designCompensators.push_back(variableValue(design, v));
    }
    {
        // The nominal design must trace as the design view traces it.
        Design d = design;
        TraceState state;
        AnalysisResults a;
        if (!analyseSystem(d, state, a)) {
            res.status = ToleranceStatus::nominalFailed;
            res.traceStatus = state.status;
            return res;
        }
    }
    const std::size_t T = o.tolerances.size();
    const int trials = std::max(0, o.trials);
    Counter counter(progress, 1 + 2 * static_cast<int>(T) + trials);
    // The nominal design's search differences its derivatives at every
    // step; the perturbed designs, all close to it, start from its last ones.
    std::vector<double> jacobian;
    res.nominal = compensate(design, o, std::vector<double>(T, 0.0), res.designCompensators, {}, &jacobian);
    counter.step();
    if (!res.nominal.traced) {
        res.status = ToleranceStatus::nominalFailed;
        res.traceStatus = kTraceNoFocus;
        return res;
    }
    std::vector<double> spans(T);
    for (std::size_t t = 0; t < T; ++t) spans[t] = toleranceSpan(design, o.tolerances[t]);

    tbb::task_group_context context;
    auto cancelled = [&] {
        if (!counter.stop()) return false;
        context.cancel_group_execution();
        return true;
    };
    res.sensitivity.resize(T);
    tbb::parallel_for(
        tbb::blocked_range<std::size_t>(0, 2 * T),
        [&](const tbb::blocked_range<std::size_t>& range) {
            for (std::size_t i = range.begin(); i != range.end(); ++i) {
                if (cancelled()) return;
                const std::size_t t = i / 2;
                std::vector<double> offsets(T, 0.0);
                offsets[t] = i % 2 ? spans[t] : -spans[t];
                SensitivityRow& row = res.sensitivity[t];
                (i % 2 ? row.plus : row.minus) =
                    compensate(design, o, offsets, res.nominal.compensators, jacobian, nullptr);
                counter.step();
            }
        },
        tbb::simple_partitioner(), context);
    if (context.is_group_execution_cancelled() || counter.stop()) {
        res.status = ToleranceStatus::cancelled;
        return res;
    }
    const double inf = std::numeric_limits<double>::infinity();
    for (std::size_t t = 0; t < T; ++t) {
        SensitivityRow& row = res.sensitivity[t];
        row.tolerance = o.tolerances[t];
        row.span = spans[t];
        row.damage = -inf;
        for (const CompensatedValue* end : {&row.minus, &row.plus}) {
            const double loss = !end->traced                   ? inf
                                : o.criterion.higherIsBetter() ? res.nominal.value - end->value
                                                               : end->value - res.nominal.value;
            row.damage = std::max(row.damage, loss);
        }
    }
    std::stable_sort(res.sensitivity.begin(), res.sensitivity.end(),
                     [](const SensitivityRow& a, const SensitivityRow& b) { return a.damage > b.damage; });

    if (trials == 0) return res;
    std::vector<std::optional<double>> values(trials);
    std::vector<std::vector<double>> compensators(trials);
    tbb::parallel_for(
        tbb::blocked_range<int>(0, trials),
        [&](const tbb::blocked_range<int>& range) {
            for (int i = range.begin(); i != range.end(); ++i) {
                if (cancelled()) return;
                const CompensatedValue v = compensate(design, o, trialOffsets(o, spans, i),
                                                      res.nominal.compensators, jacobian, nullptr);
                if (v.traced) values[i] = v.value;
                compensators[i] = v.compensators;
                counter.step();
            }
        },
        tbb::simple_partitioner(), context);
    if (context.is_group_execution_cancelled() || counter.stop()) {
        res.status = ToleranceStatus::cancelled;
        return res;
    }
    MonteCarloResult m = statistics(o, std::move(values));
    if (m.worstTrial >= 0) {
        m.worstOffsets = trialOffsets(o, spans, m.worstTrial);
        m.worstCompensators = compensators[m.worstTrial];
    }
    res.montecarlo = std::move(m);
    return res;
}

}  // namespace orvelin
