#include "optimise/optimiser.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "clearance/clearance.h"
#include "quality/field_rays.h"
#include "quality/image_quality.h"
#include "quality/pupil_sampling.h"
#include "reports/report_figures.h"
#include "trace/analysis.h"
#include "trace/ray_trace.h"

namespace orvelin {

namespace {

constexpr const char* kKindNames[] = {"radius", "conic", "rsag", "tilt", "sep"};
constexpr const char* kQualityPrefix = "quality.";

bool isQualityFigure(const std::string& name) {
    return name.rfind(kQualityPrefix, 0) == 0;
}

/// A whole string as a number; false for anything else (empty, trailing
/// characters, out of range, not finite).
bool parseNumber(const std::string& s, double& out) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return errno == 0 && end == s.c_str() + s.size() && std::isfinite(out);
}

int surfaceLimit(const Design& d) {
    return std::clamp(d.surfaceCount, 0, kMaxSurfaces);
}

}  // namespace

std::string OptimiseVariable::name() const {
    return std::string(kKindNames[static_cast<int>(kind)]) + ":" + std::to_string(surface);
}

std::optional<OptimiseVariable> parseVariable(const std::string& text, const Design& design,
                                              std::string& error) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        error = "'" + text + "' is not KIND:SURFACE (radius, conic, rsag, tilt or sep)";
        return std::nullopt;
    }
    OptimiseVariable v;
    const std::string kind = text.substr(0, colon);
    const auto it = std::find(std::begin(kKindNames), std::end(kKindNames), kind);
    if (it == std::end(kKindNames)) {
        error = "'" + kind + "' in '" + text + "' is not a variable (radius, conic, rsag, tilt or sep)";
        return std::nullopt;
    }
    v.kind = static_cast<VariableKind>(it - std::begin(kKindNames));
    std::string rest = text.substr(colon + 1);
    std::string bounds;
    if (const auto eq = rest.find('='); eq != std::string::npos) {
        bounds = rest.substr(eq + 1);
        rest = rest.substr(0, eq);
        if (bounds.empty()) {
            error = "'" + text + "' has '=' but no bounds LOW..HIGH";
            return std::nullopt;
        }
    }
    double k = 0;
    if (!parseNumber(rest, k) || k != std::floor(k)) {
        error = "'" + rest + "' in '" + text + "' is not a surface number";
        return std::nullopt;
    }
    const int n = surfaceLimit(design);
    // Mirrors 1..n-1; the focal plane n has a radius, a conic and a tilt but
    // no separation after it.
    const int highest = v.kind == VariableKind::sep || v.kind == VariableKind::rsag ? n - 1 : n;
    if (k < 1 || k > highest) {
        error = "surface " + rest + " in '" + text + "' is out of range: the design has " +
                (highest < 1 ? std::string("no surface") : "surfaces 1.." + std::to_string(highest)) +
                " for " + kind;
        return std::nullopt;
    }
    v.surface = static_cast<int>(k);
    const bool toroid = design.surfaces[v.surface].kind == kToroid;
    if (v.kind == VariableKind::rsag && !toroid) {
        error = "surface " + rest + " in '" + text + "' is not a toroid: only a toroid has a sagittal radius";
        return std::nullopt;
    }
    if (v.kind == VariableKind::conic && toroid) {
        error = "surface " + rest + " in '" + text + "' is a toroid: a toroid has no conic constant";
        return std::nullopt;
    }
    if (!bounds.empty()) {
        // LOW..HIGH; either may be negative.
        const auto dots = bounds.find("..");
        double lo = 0, hi = 0;
        if (dots == std::string::npos || !parseNumber(bounds.substr(0, dots), lo) ||
            !parseNumber(bounds.substr(dots + 2), hi)) {
            error = "bounds '" + bounds + "' in '" + text + "' are not LOW..HIGH";
            return std::nullopt;
        }
        if (lo > hi) {
            error = "bounds '" + bounds + "' in '" + text + "' have LOW > HIGH";
            return std::nullopt;
        }
        v.bounded = true;
        v.low = lo;
        v.high = hi;
    }
    return v;
}

bool knownFigure(const std::string& name) {
    AnalysisResults r;
    for (const AnalysisFigure& f : analysisFigures(r))
        if (name == f.name) return true;
    static const std::vector<std::string> names = qualityFigureNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::optional<OptimiseTarget> parseTarget(const std::string& text, std::string& error) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        error = "'" + text + "' is not FIGURE=VALUE[:WEIGHT]";
        return std::nullopt;
    }
    OptimiseTarget t;
    t.figure = text.substr(0, eq);
    if (!knownFigure(t.figure)) {
        error = "'" + t.figure + "' in '" + text + "' is not a figure";
        return std::nullopt;
    }
    std::string value = text.substr(eq + 1);
    if (const auto colon = value.find(':'); colon != std::string::npos) {
        const std::string weight = value.substr(colon + 1);
        value = value.substr(0, colon);
        if (!parseNumber(weight, t.weight) || t.weight < 0) {
            error = "weight '" + weight + "' in '" + text + "' is not a number of at least 0";
            return std::nullopt;
        }
    }
    if (!parseNumber(value, t.value)) {
        error = "value '" + value + "' in '" + text + "' is not a number";
        return std::nullopt;
    }
    return t;
}

double variableValue(const Design& d, const OptimiseVariable& v) {
    const Surface& s = d.surfaces[v.surface];
    switch (v.kind) {
        case VariableKind::radius:
            return s.radius;
        case VariableKind::conic:
            return s.conic;
        case VariableKind::rsag:
            return s.sagRadius;
        case VariableKind::tilt:
            return s.tilt;
        case VariableKind::sep:
            return s.separation;
    }
    return 0;
}

void setVariable(Design& d, const OptimiseVariable& v, double value) {
    Surface& s = d.surfaces[v.surface];
    switch (v.kind) {
        case VariableKind::radius:
            s.radius = value;
            if (s.kind != kToroid) s.sagRadius = value;
            break;
        case VariableKind::conic:
            s.conic = value;
            break;
        case VariableKind::rsag:
            s.sagRadius = value;
            break;
        case VariableKind::tilt:
            s.tilt = value;
            break;
        case VariableKind::sep:
            s.separation = value;
            break;
    }
    recomputeSurface(d, v.surface);
}

bool targetMet(double value, double target) {
    return std::fabs(value - target) <= 1e-6 * std::max(1.0, std::fabs(target));
}

// ---------------------------------------------------------------------------

bool FigureEvaluator::evaluate(const Design& design, const std::vector<std::string>& figures,
                               MinimiseKind minimise) {
    names_ = figures;
    values_.assign(figures.size(), 0);
    minimised_.clear();
    bool analysis = false, quality = minimise != MinimiseKind::none;
    for (const std::string& f : figures) (isQualityFigure(f) ? quality : analysis) = true;

    if (analysis) {
        Design d = design;
        TraceState state;
        AnalysisResults r;
        if (!analyseSystem(d, state, r)) return false;
        const auto all = analysisFigures(r);
        for (std::size_t i = 0; i < figures.size(); ++i)
            for (const AnalysisFigure& f : all)
                if (figures[i] == f.name) values_[i] = f.value;
    }
    if (quality) {
        const QualityReport q = computeQuality(design);
        for (std::size_t i = 0; i < figures.size(); ++i) {
            if (!isQualityFigure(figures[i])) continue;
            const std::optional<double> v = qualityFigure(q, figures[i]);
            if (!v || !std::isfinite(*v)) return false;
            values_[i] = *v;
        }
        if (minimise != MinimiseKind::none) {
            for (const FieldQuality& f : q.fields) {
                if (f.status != kTraceOk || f.missed > 0) return false;
                minimised_.push_back(minimise == MinimiseKind::spot ? f.rmsSpot : f.rmsWavefront);
            }
        }
    }
    for (double v : values_)
        if (!std::isfinite(v)) return false;
    return true;
}

double FigureEvaluator::figure(const std::string& name) const {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return values_[i];
    return NAN;
}

// ---------------------------------------------------------------------------

namespace {

bool heldFixed(const OptimiseVariable& v) {
    return v.bounded && v.low == v.high;
}

/// Micrometres in one design unit, as the image-quality figures count them.
double micronsPerUnit(const Design& d) {
    return d.units == "mm" ? 1000.0 : 25400.0;
}

/// The spots of the four fields as residuals, two per weighted pupil ray:
/// the ray's offset from its field's centroid in x and in y, in
/// micrometres, times sqrt(w / sum of w).  The squares of one field then sum
/// to that field's squared RMS spot radius, and all of them to the merit of
/// the smallest spot; but the solver sees every ray move, not four numbers,
/// and so learns how the aberrations trade against each other.
class ImageResiduals {
  public:
    ImageResiduals() : sampling_(makePupilSampling(kDefaultQualityRays)) {
        for (const PupilSample& s : sampling_.samples) weighted_ += s.weight > 0;
        rays_.resize(sampling_.samples.size());
    }
    int spotCount() const { return static_cast<int>(kQualityFields.size()) * 2 * weighted_; }

    /// The wavefront's residuals likewise: one per weighted pupil ray, its
    /// error in waves (piston and tilt removed) times sqrt(w / sum of w).
    int wavefrontCount() const { return static_cast<int>(kQualityFields.size()) * weighted_; }
    bool wavefront(const Design& design, double* r) {
        for (std::size_t f = 0; f < kQualityFields.size(); ++f) {
            double* out = r + f * weighted_;
            if (design.sinField == 0 && f > 0) {
                std::copy(r, r + weighted_, out);
                continue;
            }
            if (!fieldWavefrontResiduals(design, kQualityFields[f], errors_) ||
                static_cast<int>(errors_.size()) != weighted_)
                return false;
            std::copy(errors_.begin(), errors_.end(), out);
        }
        return true;
    }

    /// False when a pupil ray of any field misses.
    bool spot(const Design& design, double* r) {
        if (std::clamp(design.surfaceCount, 0, kMaxSurfaces) < 2 || design.semiAperture == 0) return false;
        // The entrance distance as the spot plots and the figures set it.
        Design d = design;
        TraceState state;
        if (!setEntranceTangential(d, state)) return false;
        const double um = micronsPerUnit(design);
        const auto& samples = sampling_.samples;
        const int perField = 2 * weighted_;
        for (std::size_t f = 0; f < kQualityFields.size(); ++f) {
            double* out = r + f * perField;
            // Without a field every field is the axis.
            if (design.sinField == 0 && f > 0) {
                std::copy(r, r + perField, out);
                continue;
            }
            traceFieldRays(d, kQualityFields[f], samples, rays_);
            double sw = 0, cx = 0, cy = 0;
            for (std::size_t k = 0; k < samples.size(); ++k) {
                if (rays_[k].status != kTraceOk) return false;
                sw += samples[k].weight;
                cx += samples[k].weight * rays_[k].x;
                cy += samples[k].weight * rays_[k].y;
            }
            cx /= sw;
            cy /= sw;
            int i = 0;
            for (std::size_t k = 0; k < samples.size(); ++k) {
                if (!(samples[k].weight > 0)) continue;
                const double s = std::sqrt(samples[k].weight / sw) * um;
                out[i++] = s * (rays_[k].x - cx);
                out[i++] = s * (rays_[k].y - cy);
            }
        }
        return true;
    }

  private:
    PupilSampling sampling_;
    int weighted_ = 0;
    std::vector<FieldRay> rays_;
    std::vector<double> errors_;
};

/// The problem as residuals of the free variables' values (those not held
/// by equal bounds): sqrt(weight) (figure - target) per target, then the
/// spot's or the wavefront's rays, then the clearance penalties.
class Residuals {
  public:
    /// `values` holds every variable's value, the held ones included.
    Residuals(const Design& start, const OptimiseProblem& p, const std::vector<double>& values)
        : design_(start), problem_(p) {
        for (const OptimiseTarget& t : p.targets) figures_.push_back(t.figure);
        for (std::size_t j = 0; j < p.variables.size(); ++j) {
            setVariable(design_, p.variables[j], values[j]);
            if (!heldFixed(p.variables[j])) free_.push_back(static_cast<int>(j));
        }
    }
    int freeCount() const { return static_cast<int>(free_.size()); }
    int count() const {
        int n = static_cast<int>(problem_.targets.size());
        if (problem_.minimise == MinimiseKind::spot) n += image_.spotCount();
        if (problem_.minimise == MinimiseKind::wavefront) n += image_.wavefrontCount();
        return n + (problem_.keepClear ? clearanceSlots() : 0);
    }
    std::vector<double> freeValues(const std::vector<double>& all) const {
        std::vector<double> x;
        for (int j : free_) x.push_back(all[j]);
        return x;
    }
    std::vector<double> allValues(const double* x) const {
        std::vector<double> all;
        for (const OptimiseVariable& v : problem_.variables) all.push_back(variableValue(design_, v));
        for (std::size_t i = 0; i < free_.size(); ++i) all[free_[i]] = x[i];
        return all;
    }
    Design designAt(const double* x) const {
        Design d = design_;
        for (std::size_t i = 0; i < free_.size(); ++i) setVariable(d, problem_.variables[free_[i]], x[i]);
        return d;
    }
    const std::vector<int>& freeIndices() const { return free_; }

    /// False when the design at x does not trace.
    bool operator()(const double* x, double* r) {
        const Design d = designAt(x);
        if (!evaluator_.evaluate(d, figures_, MinimiseKind::none)) return refuse();
        int k = 0;
        for (const OptimiseTarget& t : problem_.targets)
            r[k++] = std::sqrt(t.weight) * (evaluator_.figure(t.figure) - t.value);
        if (problem_.minimise == MinimiseKind::spot) {
            if (!image_.spot(d, r + k)) return refuse();
            k += image_.spotCount();
        }
        if (problem_.minimise == MinimiseKind::wavefront) {
            if (!image_.wavefront(d, r + k)) return refuse();
            k += image_.wavefrontCount();
        }
        if (problem_.keepClear) {
            // One residual per (space, surface) pair, always in the same
            // slot: with only the smallest clearance the solver would see
            // one pair at a time and zigzag where two pairs take turns at
            // being the closest; with each its own, a step can widen both.
            const ClearanceReport c = checkClearance(d, ClearanceOptions{0, -1, problem_.clearMargin});
            if (c.status != kTraceOk) return refuse();
            clearance = c.minClearance;
            const int side = surfaceLimit(design_) + 1;
            std::fill(r + k, r + k + clearanceSlots(), 0.0);
            for (const ClearancePair& pair : c.pairs) {
                if (pair.space < 0 || pair.space >= side || pair.surface < 0 || pair.surface >= side)
                    return refuse();
                r[k + pair.space * side + pair.surface] =
                    kClearancePenaltyWeight * std::max(0.0, problem_.clearMargin - pair.clearance);
            }
            k += clearanceSlots();
        }
        for (int i = 0; i < k; ++i)
            if (!std::isfinite(r[i])) return refuse();
        return true;
    }
    const FigureEvaluator& evaluator() const { return evaluator_; }
    int refused = 0;
    double clearance = NAN;  ///< of the last design evaluated, when kept clear

  private:
    int clearanceSlots() const {
        const int side = surfaceLimit(design_) + 1;
        return side * side;
    }
    bool refuse() {
        ++refused;
        return false;
    }
    Design design_;
    const OptimiseProblem& problem_;
    std::vector<std::string> figures_;
    std::vector<int> free_;
    FigureEvaluator evaluator_;
    ImageResiduals image_;
};

// Derivatives by central differences rather than automatic differentiation:
// the figures come from the one-ray and batched traces, plain double code
// that must round exactly as it does for the report and the plots, so it is
// not templated on a dual-number type.  An evaluation costs microseconds, so
// the 2k evaluations of a Jacobian are cheap, and the central difference's
// error is second order in the step.  The step is scaled to each variable
// (1e-6 of its size, at least 1e-6 of one unit or degree): radii of
// thousands and tilts of a few degrees would otherwise be stepped far too
// coarsely or lost in rounding.  A step whose trial design does not trace
// falls back to the one-sided difference on the other side.
class CentralDifferenceCost : public ceres::CostFunction {
  public:
    CentralDifferenceCost(Residuals& residuals, int variables) : residuals_(residuals), k_(variables) {
        set_num_residuals(residuals.count());
        mutable_parameter_block_sizes()->push_back(variables);
    }

    bool Evaluate(double const* const* parameters, double* r, double** jacobians) const override {
        const double* x = parameters[0];
        // A trial design that does not trace is refused: the solver takes the
        // step as failed and tries a shorter one.
        if (!residuals_(x, r)) return false;
        if (!jacobians || !jacobians[0]) return true;
        const int m = num_residuals();
        std::vector<double> xp(x, x + k_), plus(m), minus(m);
        for (int j = 0; j < k_; ++j) {
            const double h = 1e-6 * std::max(std::fabs(x[j]), 1.0);
            xp[j] = x[j] + h;
            const bool okPlus = residuals_(xp.data(), plus.data());
            xp[j] = x[j] - h;
            const bool okMinus = residuals_(xp.data(), minus.data());
            xp[j] = x[j];
            for (int i = 0; i < m; ++i) {
                double d = 0;
                if (okPlus && okMinus)
                    d = (plus[i] - minus[i]) / (2 * h);
                else if (okPlus)
                    d = (plus[i] - r[i]) / h;
                else if (okMinus)
                    d = (r[i] - minus[i]) / h;
                jacobians[0][i * k_ + j] = d;
            }
        }
        return true;
    }

  private:
    Residuals& residuals_;
    int k_;
};

class ProgressRelay : public ceres::IterationCallback {
  public:
    explicit ProgressRelay(const OptimiseProgress& p) : progress_(p) {}
    ceres::CallbackReturnType operator()(const ceres::IterationSummary& s) override {
        if (progress_ && !progress_(s.iteration, 2 * s.cost)) return ceres::SOLVER_TERMINATE_SUCCESSFULLY;
        return ceres::SOLVER_CONTINUE;
    }

  private:
    const OptimiseProgress& progress_;
};

double meritOfResiduals(const std::vector<double>& r) {
    double m = 0;
    for (double v : r) m += v * v;
    return m;
}

}  // namespace

std::optional<double> meritOf(const Design& design, const OptimiseProblem& problem) {
    std::vector<double> all;
    for (const OptimiseVariable& v : problem.variables) all.push_back(variableValue(design, v));
    Residuals res(design, problem, all);
    std::vector<double> x = res.freeValues(all), r(res.count());
    if (!res(x.data(), r.data())) return std::nullopt;
    return meritOfResiduals(r);
}

OptimiseResult optimise(const Design& start, const OptimiseProblem& problem,
                        const OptimiseProgress& progress) {
    OptimiseResult out;
    std::vector<double> all;
    for (const OptimiseVariable& v : problem.variables) {
        double value = variableValue(start, v);
        if (v.bounded) value = std::clamp(value, v.low, v.high);
        all.push_back(value);
    }
    out.startValues = all;
    Residuals residuals(start, problem, all);
    std::vector<double> x = residuals.freeValues(all);
    const int k = residuals.freeCount();
    const int m = residuals.count();
    std::vector<double> r(m);
    out.design = residuals.designAt(x.data());
    auto figuresOf = [&](std::vector<double>& into) {
        into.clear();
        for (const OptimiseTarget& t : problem.targets)
            into.push_back(residuals.evaluator().figure(t.figure));
    };
    bool traces = residuals(x.data(), r.data());
    if (traces && problem.minimise != MinimiseKind::none) {
        // Every field must form an image at all (a parallel beam has none).
        FigureEvaluator e;
        traces = e.evaluate(out.design, {}, problem.minimise);
    }
    if (!traces) {
        TraceState state;
        AnalysisResults a;
        Design d = out.design;
        analyseSystem(d, state, a);
        out.reason = "the start design does not trace" +
                     (state.status != kTraceOk ? ": " + traceProblemMessage(state.status) : std::string());
        out.startMerit = out.endMerit = NAN;
        out.endValues = all;
        out.startFigures.assign(problem.targets.size(), NAN);
        out.endFigures = out.startFigures;
        return out;
    }
    out.startMerit = meritOfResiduals(r);
    out.startClearance = residuals.clearance;
    figuresOf(out.startFigures);

    if (k > 0 && m > 0) {
        ceres::Problem cp;
        cp.AddResidualBlock(new CentralDifferenceCost(residuals, k), nullptr, x.data());
        for (int i = 0; i < k; ++i) {
            const OptimiseVariable& v = problem.variables[residuals.freeIndices()[i]];
            if (!v.bounded) continue;
            cp.SetParameterLowerBound(x.data(), i, v.low);
            cp.SetParameterUpperBound(x.data(), i, v.high);
        }
        ceres::Solver::Options o;
        o.minimizer_type = ceres::TRUST_REGION;
        o.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
        o.linear_solver_type = ceres::DENSE_QR;
        o.max_num_iterations = std::max(0, problem.maxIterations);
        // Targets are met exactly at a zero merit, which the solver reaches
        // quadratically, so it may go on to the rounding of the figures; a
        // smallest image has a merit above zero, and the last digits of its
        // figures are not worth the time.
        const bool exact = problem.minimise == MinimiseKind::none;
        o.function_tolerance = exact ? 1e-15 : 1e-9;
        o.gradient_tolerance = exact ? 1e-20 : 1e-12;
        o.parameter_tolerance = exact ? 1e-14 : 1e-9;
        o.logging_type = ceres::SILENT;
        o.minimizer_progress_to_stdout = false;
        o.num_threads = 1;
        ProgressRelay relay(progress);
        if (progress) o.callbacks.push_back(&relay);
        ceres::Solver::Summary summary;
        ceres::Solve(o, &cp, &summary);
        // The solver's first iteration summary is the start point, counted
        // among its successful steps; the steps taken are the rest.
        out.iterations = std::max(0, static_cast<int>(summary.iterations.size()) - 1);
        out.converged = summary.termination_type == ceres::CONVERGENCE;
        if (summary.termination_type == ceres::USER_SUCCESS)
            out.reason = "stopped";
        else if (summary.termination_type == ceres::NO_CONVERGENCE)
            out.reason = "no convergence after " + std::to_string(out.iterations) + " iterations";
        else if (!out.converged)
            out.reason = summary.message;
    } else {
        out.converged = true;
    }
    // Ceres leaves the best point it accepted in x.
    out.endValues = residuals.allValues(x.data());
    out.design = residuals.designAt(x.data());
    if (residuals(x.data(), r.data())) {
        out.endMerit = meritOfResiduals(r);
        out.endClearance = residuals.clearance;
        figuresOf(out.endFigures);
    } else {
        out.endMerit = NAN;
        out.endFigures.assign(problem.targets.size(), NAN);
    }
    out.refusedTrials = residuals.refused;
    const bool stopped = out.reason == "stopped";
    if (!problem.targets.empty()) {
        bool met = true;
        for (std::size_t i = 0; i < problem.targets.size(); ++i)
            met = met && targetMet(out.endFigures[i], problem.targets[i].value);
        if (!met && out.reason.empty()) out.reason = "the targets cannot all be met";
        if (met && !stopped) out.reason.clear();
        out.converged = met && !stopped;
    }
    if (problem.keepClear && out.converged &&
        !(out.endClearance >= problem.clearMargin - kClearanceTolerance)) {
        out.converged = false;
        out.reason = "the design cannot be kept clear by the margin";
    }
    return out;
}

}  // namespace orvelin
