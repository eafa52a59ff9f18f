// From a request to a judged design: lay out, tilt clear of the beams,
// optimise, round as the file holds it, and measure.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "clearance/clearance.h"
#include "families/family.h"
#include "families/family_layout.h"
#include "optimise/optimiser.h"
#include "quality/image_quality.h"
#include "trace/analysis.h"

namespace orvelin {

namespace {

/// Largest primary tilt tried, degrees: beyond it no family of these is
/// worth having.
constexpr double kMostPrimaryTilt = 30;

/// The primary's tilt is set so that the smallest clearance is the margin
/// plus this share of the aperture, and the optimiser keeps a smaller share:
/// room for the search to trade, and for the seven digits the file keeps.
constexpr double kStartSlack = 2e-3;
constexpr double kKeptSlack = 2e-4;

/// Give every toroid the sagittal radius that makes the paraxial sagittal
/// and tangential foci meet (secant steps from R cos^2(tilt)).
void settleToroids(Design& d) {
    for (int i = 1; i < d.focalPlane(); ++i) {
        if (d.surfaces[i].kind != kToroid) continue;
        auto astigmatism = [&](double rsag) -> double {
            d.surfaces[i].sagRadius = rsag;
            recomputeSurface(d, i);
            TraceState state;
            AnalysisResults r;
            Design copy = d;
            if (!analyseSystem(copy, state, r)) return NAN;
            return r.astParaxial;
        };
        double x0 = d.surfaces[i].sagRadius, x1 = x0 * (1 + 1e-4);
        double f0 = astigmatism(x0), f1 = astigmatism(x1);
        for (int k = 0; k < 8 && std::isfinite(f0) && std::isfinite(f1) && f1 != f0; ++k) {
            const double x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
            x0 = x1;
            f0 = f1;
            x1 = x2;
            f1 = astigmatism(x1);
            if (std::fabs(x1 - x0) <= 1e-9 * std::fabs(x1)) break;
        }
        if (!std::isfinite(f1)) astigmatism(x0);
    }
}

/// "Focus!": the focal plane at the best focus and best-fit tilt.
bool focusDesign(Design& d) {
    Design copy = d;
    TraceState state;
    AnalysisResults r;
    if (!analyseSystem(copy, state, r)) return false;
    focusToBestFit(d, r.bestFocus, r.bestFitTilt);
    // The file keeps the separation, not its signed form; recompute both
    // from the separation so the design is as a loaded one.
    recomputeSurface(d, d.focalPlane() - 1);
    recomputeSurface(d, d.focalPlane());
    return true;
}

struct Start {
    Design design;
    double clearance = -INFINITY;
    bool ok = false;
};

Start startAt(const FamilyRequest& req, const FamilyChain& chain, double theta1, int choice) {
    Start s;
    const std::vector<double> tilts =
        familyTilts(req.family, chain, req.aperture / 2, theta1 * kDegree, choice);
    if (tilts.empty()) return s;
    std::vector<double> degrees;
    for (double t : tilts) degrees.push_back(t / kDegree);
    s.design = chainDesign(req, chain, degrees);
    settleToroids(s.design);
    if (!focusDesign(s.design)) return s;
    s.clearance = minClearance(s.design, ClearanceOptions{0, -1, req.margin});
    s.ok = std::isfinite(s.clearance);
    return s;
}

/// The smallest primary tilt whose start design is clear by `target`
/// (found by bracketing and bisection; the clearance grows with the tilt,
/// not always smoothly, as one pair of beam and mirror takes over from
/// another).  Nothing when even the largest tilt tried is not clear.
std::optional<Start> clearStart(const FamilyRequest& req, const FamilyChain& chain, double target,
                                int choice) {
    const double reach = req.aperture + req.margin;
    double lo = 0, hi = std::clamp(reach / (2 * chain.separation[0]) / kDegree, 0.05, kMostPrimaryTilt);
    Start best = startAt(req, chain, hi, choice);
    while (!(best.ok && best.clearance >= target)) {
        if (hi >= kMostPrimaryTilt) return std::nullopt;
        lo = hi;
        hi = std::min(hi * 1.6, kMostPrimaryTilt);
        best = startAt(req, chain, hi, choice);
    }
    for (int k = 0; k < 14 && hi - lo > 1e-4 * hi; ++k) {
        const double mid = 0.5 * (lo + hi);
        Start s = startAt(req, chain, mid, choice);
        if (s.ok && s.clearance >= target) {
            hi = mid;
            best = s;
        } else {
            lo = mid;
        }
    }
    return best;
}

/// Every entered value as the design file writes it (seven significant
/// digits), so that the figures are those of the file.
void roundAsFiled(Design& d) {
    auto round7 = [](double& v) {
        char text[40];
        std::snprintf(text, sizeof text, "%.7g", v);
        v = std::strtod(text, nullptr);
    };
    for (int i = 1; i <= d.focalPlane(); ++i) {
        Surface& s = d.surfaces[i];
        for (double* v : {&s.radius, &s.sagRadius, &s.conic, &s.tilt, &s.separation}) round7(*v);
        recomputeSurface(d, i);
    }
}

OptimiseProblem problemFor(const Design& d, double keptMargin) {
    OptimiseProblem p;
    p.minimise = MinimiseKind::wavefront;
    p.keepClear = true;
    p.clearMargin = keptMargin;
    p.maxIterations = 60;
    for (int i = 1; i < d.focalPlane(); ++i) {
        p.variables.push_back({VariableKind::tilt, i});
        if (d.surfaces[i].kind == kToroid) p.variables.push_back({VariableKind::rsag, i});
    }
    p.variables.push_back({VariableKind::sep, d.focalPlane() - 1});
    p.variables.push_back({VariableKind::tilt, d.focalPlane()});
    return p;
}

void measure(const FamilyRequest& req, FamilyResult& r) {
    Design copy = r.design;
    TraceState state;
    AnalysisResults a;
    if (!analyseSystem(copy, state, a)) {
        r.reason = "the design does not trace: " + traceProblemMessage(state.status);
        return;
    }
    r.fRatio = a.fRatio;
    r.focalLength = 0.5 * (a.focusS + a.focusT);
    r.backFocus = r.design.surfaces[r.design.focalPlane() - 1].separation;
    r.minClearance = minClearance(r.design, ClearanceOptions{0, -1, req.margin});
    const QualityReport q = computeQuality(r.design);
    for (std::size_t k = 0; k < q.fields.size(); ++k) {
        const FieldQuality& f = q.fields[k];
        const bool good = f.status == kTraceOk && f.missed == 0;
        r.fields[k] = {good ? f.strehl : 0, good ? f.rmsSpot : NAN, good ? f.rmsWavefront : NAN};
    }
    r.traced = true;
}

std::string fixed(double v, int digits) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", digits, v);
    return text;
}

/// The first criterion the result misses, or nothing.
std::optional<std::string> missedCriterion(const FamilyRequest& req, const FamilyResult& r) {
    if (!(r.minClearance >= req.margin))
        return "the design keeps only " + fixed(r.minClearance, 3) + " " + req.units + " of the " +
               fixed(req.margin, 3) + " " + req.units + " margin";
    if (!(std::fabs(r.fRatio / req.fRatio - 1) <= kFamilyFRatioTolerance))
        return "the design works at f/" + fixed(r.fRatio, 2) + ", not within 2 % of f/" +
               fixed(req.fRatio, 2);
    const double axis = r.fields[0].strehl;
    double edge = 1;
    for (std::size_t k = 1; k < r.fields.size(); ++k) edge = std::min(edge, r.fields[k].strehl);
    if (!(axis >= kFamilyAxisStrehl) || !(edge >= kFamilyEdgeStrehl))
        return "the best clear design reaches a Strehl ratio of " + fixed(axis, 2) + " on axis and " +
               fixed(edge, 2) + " at the field's edge (" + fixed(kFamilyAxisStrehl, 1) + " and " +
               fixed(kFamilyEdgeStrehl, 1) + " needed)";
    return std::nullopt;
}

/// The clear start of the family for the request: laid out for the
/// requested focal length, then once more for the focal length corrected by
/// what the tilts did to it (they lengthen or shorten it by a few parts in a
/// thousand).
std::optional<Start> familyStart(const FamilyRequest& req) {
    const double startTarget = req.margin + kStartSlack * req.aperture;
    double focal = req.aperture * req.fRatio;
    std::optional<Start> start;
    for (int pass = 0; pass < 2; ++pass) {
        const FamilyChain chain = familyChain(req.family, focal);
        // The tri-Schiefspiegler's tertiary may fold either way that cancels
        // the astigmatism: take the one that needs the smaller primary tilt.
        start.reset();
        const int choices = req.family == Family::trischiefspiegler ? 2 : 1;
        for (int c = 0; c < choices; ++c) {
            std::optional<Start> s = clearStart(req, chain, startTarget, c);
            if (s &&
                (!start || std::fabs(s->design.surfaces[1].tilt) < std::fabs(start->design.surfaces[1].tilt)))
                start = s;
        }
        if (!start) return start;
        Design copy = start->design;
        TraceState state;
        AnalysisResults a;
        if (!analyseSystem(copy, state, a) || !(a.fRatio > 0)) return start;
        focal *= req.fRatio / a.fRatio;
    }
    return start;
}

FamilyResult designOnce(const FamilyRequest& req) {
    FamilyResult r;
    const std::optional<Start> start = familyStart(req);
    if (!start) {
        const FamilyChain chain = familyChain(req.family, req.aperture * req.fRatio);
        r.design = chainDesign(req, chain, std::vector<double>(chain.radius.size(), 0.0));
        r.reason = std::string("no tilt of the primary up to ") + fixed(kMostPrimaryTilt, 0) +
                   " degrees keeps the mirrors and the focus clear of the beams by the margin";
        return r;
    }
    const double kept = req.margin + kKeptSlack * req.aperture;
    const OptimiseResult o = optimise(start->design, problemFor(start->design, kept));
    r.iterations = o.iterations;
    r.design = std::isfinite(o.endMerit) ? o.design : start->design;
    r.design.designTitle = "(New Design)";
    roundAsFiled(r.design);
    measure(req, r);
    if (!r.traced) return r;
    if (const auto missed = missedCriterion(req, r)) {
        r.reason = *missed;
        return r;
    }
    r.ok = true;
    return r;
}

/// Steps of the search for the fastest f-ratio the family reaches.
constexpr double kSlowerStep = 1.3;
constexpr int kSlowerSteps = 8;

}  // namespace

FamilyResult designFamily(const FamilyRequest& request) {
    FamilyResult r = designOnce(request);
    if (r.ok) return r;
    // What the family can do with this aperture, field and margin: step to
    // slower f-ratios until a design meets every criterion, then narrow the
    // step down twice.
    double failed = request.fRatio, passed = NAN;
    FamilyRequest q = request;
    for (int k = 0; k < kSlowerSteps && std::isnan(passed); ++k) {
        q.fRatio = failed * kSlowerStep;
        if (designOnce(q).ok)
            passed = q.fRatio;
        else
            failed = q.fRatio;
    }
    const std::string what = std::string(familyTitle(request.family)) + " of " + fixed(request.aperture, 0) +
                             " " + request.units + " with a " + fixed(request.fieldDegrees, 2) +
                             " degree field";
    if (std::isnan(passed)) {
        r.reason = "no " + what + " is clear by the margin and diffraction-limited up to f/" +
                   fixed(failed, 1) + " (at f/" + fixed(request.fRatio, 1) + ": " + r.reason + ")";
        return r;
    }
    for (int k = 0; k < 2; ++k) {
        q.fRatio = std::sqrt(failed * passed);
        (designOnce(q).ok ? passed : failed) = q.fRatio;
    }
    r.reason =
        "a " + what + " cannot be made clear by the margin and diffraction-limited faster than about f/" +
        fixed(std::ceil(passed * 10) / 10, 1) + " (at f/" + fixed(request.fRatio, 1) + ": " + r.reason + ")";
    return r;
}

}  // namespace orvelin
