#include "optimise/optimiser.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "quality/image_quality.h"
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

/// The problem as residuals of the variables' values: sqrt(weight) (figure
/// - target) per target, then the four minimised field figures.
class Residuals {
  public:
    Residuals(const Design& start, const OptimiseProblem& p) : design_(start), problem_(p) {
        for (const OptimiseTarget& t : p.targets) figures_.push_back(t.figure);
    }
    int count() const {
        return static_cast<int>(problem_.targets.size()) + (problem_.minimise != MinimiseKind::none ? 4 : 0);
    }
    Design designAt(const double* x) const {
        Design d = design_;
        for (std::size_t j = 0; j < problem_.variables.size(); ++j)
            setVariable(d, problem_.variables[j], x[j]);
        return d;
    }
    /// False when the design at x does not trace.
    bool operator()(const double* x, double* r) {
        if (!evaluator_.evaluate(designAt(x), figures_, problem_.minimise)) {
            ++refused;
            return false;
        }
        int k = 0;
        for (const OptimiseTarget& t : problem_.targets)
            r[k++] = std::sqrt(t.weight) * (evaluator_.figure(t.figure) - t.value);
        for (double m : evaluator_.minimised()) r[k++] = m;
        for (int i = 0; i < k; ++i)
            if (!std::isfinite(r[i])) return false;
        return true;
    }
    const FigureEvaluator& evaluator() const { return evaluator_; }
    int refused = 0;

  private:
    Design design_;
    const OptimiseProblem& problem_;
    std::vector<std::string> figures_;
    FigureEvaluator evaluator_;
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
    Residuals res(design, problem);
    std::vector<double> x, r(res.count());
    for (const OptimiseVariable& v : problem.variables) x.push_back(variableValue(design, v));
    if (!res(x.data(), r.data())) return std::nullopt;
    return meritOfResiduals(r);
}

OptimiseResult optimise(const Design& start, const OptimiseProblem& problem,
                        const OptimiseProgress& progress) {
    OptimiseResult out;
    const int k = static_cast<int>(problem.variables.size());
    std::vector<double> x;
    for (const OptimiseVariable& v : problem.variables) {
        double value = variableValue(start, v);
        if (v.bounded) value = std::clamp(value, v.low, v.high);
        x.push_back(value);
    }
    out.startValues = x;
    Residuals residuals(start, problem);
    const int m = residuals.count();
    std::vector<double> r(m);
    out.design = residuals.designAt(x.data());
    auto figuresOf = [&](std::vector<double>& into) {
        into.clear();
        for (const OptimiseTarget& t : problem.targets)
            into.push_back(residuals.evaluator().figure(t.figure));
    };
    if (!residuals(x.data(), r.data())) {
        TraceState state;
        AnalysisResults a;
        Design d = out.design;
        analyseSystem(d, state, a);
        out.reason = "the start design does not trace" +
                     (state.status != kTraceOk ? ": " + traceProblemMessage(state.status) : std::string());
        out.startMerit = out.endMerit = NAN;
        out.endValues = x;
        out.startFigures.assign(problem.targets.size(), NAN);
        out.endFigures = out.startFigures;
        return out;
    }
    out.startMerit = meritOfResiduals(r);
    figuresOf(out.startFigures);

    if (k > 0 && m > 0) {
        ceres::Problem cp;
        cp.AddResidualBlock(new CentralDifferenceCost(residuals, k), nullptr, x.data());
        for (int j = 0; j < k; ++j) {
            const OptimiseVariable& v = problem.variables[j];
            if (!v.bounded) continue;
            cp.SetParameterLowerBound(x.data(), j, v.low);
            cp.SetParameterUpperBound(x.data(), j, v.high);
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
        out.iterations = summary.num_successful_steps + summary.num_unsuccessful_steps;
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
    out.endValues = x;
    out.design = residuals.designAt(x.data());
    if (residuals(x.data(), r.data())) {
        out.endMerit = meritOfResiduals(r);
        figuresOf(out.endFigures);
    } else {
        out.endMerit = NAN;
        out.endFigures.assign(problem.targets.size(), NAN);
    }
    out.refusedTrials = residuals.refused;
    if (!problem.targets.empty()) {
        bool met = true;
        for (std::size_t i = 0; i < problem.targets.size(); ++i)
            met = met && targetMet(out.endFigures[i], problem.targets[i].value);
        if (!met && out.reason.empty()) out.reason = "the targets cannot all be met";
        if (met) out.reason.clear();
        out.converged = met;
    }
    return out;
}

}  // namespace orvelin
