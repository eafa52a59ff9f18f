#include "quality/image_quality.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <numbers>
#include <optional>

#include "quality/farthest_points.h"
#include "quality/ray_terms.h"
#include "quality/ray_vectors.h"
#include "quality/reference_sphere.h"
#include "quality/wavefront_search.h"
namespace orvelin {

namespace {

using namespace ray_vectors;
using namespace wavefront_search;

/// Above this many pupil rays, the reference centres of the wavefront and a
/// curved focal plane's best focus are searched for on a coarser rule of the
/// same kind (about this many rays), and only measured on every ray: each
/// step of a search needs every ray again, and the coarse rule already
/// integrates a smooth pupil to the last digit.  The RMS figures are
/// stationary at their minimum, so a centre off by the coarse rule's tiny
/// error changes them only in the second order, far below any printed
/// digit; what is printed is the error against a real centre, measured on
/// every ray.
constexpr int kSearchRays = 1 << 12;

/// What the search rays say about a field: where the figures are measured
/// from.  The sums over every ray are taken about these pilot values, which
/// lie close to the true means, so that no digit is lost to cancellation.
struct FieldPlan {
    FieldRay chief;
    bool searched = false;  ///< the centres and focus below were found
    /// The chief ray, the centroid, the mean focus slopes, the best
    /// reference centres (in the focal plane, and in depth too) and the mean
    /// errors against them.
    TermsPlan terms;
    bool curved = false;    ///< a curved focal plane, whose focus is searched
    double focusShift = 0;  ///< the shift found on a curved one
    double band = 0;        ///< how far inside the farthest ray others are kept (FarthestPoints)
    Design focal;           ///< the curved focal surface alone
};

/// Sums over the rays of a rule (or of one block of it), each about its
/// pilot value.
struct FieldSums {
    int missed = 0;
    std::size_t firstMiss = SIZE_MAX;  ///< the first ray that failed, and how
    TraceStatus firstMissStatus = kTraceOk;
    RaySums rays;        ///< over the weighted rays that arrived
    double rimSine = 0;  ///< cone of the beam from the rim
    int rim = 0;
    double qx = 0, qy = 0, qq = 0;  ///< spot at a curved plane's focus
    bool focusFailed = false;

    void add(const FieldSums& o) {
        missed += o.missed;
        if (o.firstMiss < firstMiss) firstMiss = o.firstMiss, firstMissStatus = o.firstMissStatus;
        rays.add(o.rays);
        rimSine += o.rimSine, rim += o.rim;
        qx += o.qx, qy += o.qy, qq += o.qq;
        focusFailed = focusFailed || o.focusFailed;
    }
};

/// chunkSums as wide as the processor allows.
void chunkSumsOf(const TracedChunk& c, const double* weight, const TermsPlan& p, RaySums& out) {
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    if (avx2)
        detail::chunkSumsAvx2(c, weight, p, out);
    else
        chunkSums<xsimd::batch<double>>(c, weight, p, out);
}

/// Rays of the rule as traced (a chunk, with the rays' statuses and pupil
/// weights) into the sums, and into the farthest points when given.  The
/// rays that failed are counted; the rim's give the cone of the beam.
void addChunk(FieldSums& s, const FieldPlan& p, const TracedChunk& c, const TraceStatus* status,
              const double* weight, std::size_t rimStart, FarthestPoints* farthest) {
    // Every step over the whole chunk at once, the rare ones (misses, the
    // rim, a curved focal plane) apart, so that the common one is a plain
    // loop the compiler can vectorise.
    alignas(64) double counted[kStreamChunkRays];  // the weights, 0 for rays that failed
    const std::size_t padded = (c.count + 7) / 8 * 8;
    bool anyMissed = false;
    for (std::size_t j = 0; j < c.count; ++j) {
        counted[j] = status[j] == kTraceOk ? weight[j] : 0.0;
        anyMissed = anyMissed || status[j] != kTraceOk;
    }
    for (std::size_t j = c.count; j < padded; ++j) counted[j] = 0;
    if (anyMissed) {
        for (std::size_t j = 0; j < c.count; ++j) {
            if (status[j] == kTraceOk) continue;
            ++s.missed;
            if (c.first + j < s.firstMiss) s.firstMiss = c.first + j, s.firstMissStatus = status[j];
        }
    }
    const Vec3 D0{p.terms.chiefL, p.terms.chiefM, p.terms.chiefN};
    for (std::size_t j = rimStart > c.first ? rimStart - c.first : 0; j < c.count; ++j) {
        if (status[j] != kTraceOk) continue;
        const Vec3 cr = cross(Vec3{c.L[j], c.M[j], c.N[j]}, D0);
        s.rimSine += std::sqrt(dot(cr, cr));
        ++s.rim;
    }
    if (farthest) {
        // Only rays as far as the band kept so far go on (NaN, a failed ray,
        // never does).
        alignas(64) double d2[kStreamChunkRays];
        for (std::size_t j = 0; j < c.count; ++j) {
            const double dx = c.x[j] - p.terms.pilotX, dy = c.y[j] - p.terms.pilotY;
            d2[j] = status[j] == kTraceOk ? dx * dx + dy * dy : NAN;
        }
        for (std::size_t j = 0; j < c.count; ++j)
            if (d2[j] >= farthest->keep2) farthest->add(c.x[j] - p.terms.pilotX, c.y[j] - p.terms.pilotY);
    }
    if (p.terms.wavefront && p.curved && p.focusShift != 0) {
        for (std::size_t j = 0; j < c.count; ++j) {
            if (!(counted[j] > 0)) continue;
            // The focal surface moved by the shift along the chief ray: the
            // ray is moved back instead and met again with the unmoved
            // surface.
            TraceState state;
            state.ray = RayState{c.x[j] - p.focusShift * D0.x,
                                 c.y[j] - p.focusShift * D0.y,
                                 c.z[j] - p.focusShift * D0.z,
                                 c.L[j],
                                 c.M[j],
                                 c.N[j]};
            if (!traceSurface(p.focal, state, 1)) {
                s.focusFailed = true;
                continue;
            }
            const double qx = state.ray.x - p.terms.pilotX, qy = state.ray.y - p.terms.pilotY;
            s.qx += counted[j] * qx;
            s.qy += counted[j] * qy;
            s.qq += counted[j] * (qx * qx + qy * qy);
        }
    }
    chunkSumsOf(c, counted, p.terms, s.rays);
}

/// The sums over rays held whole (those of the search rule), a chunk at a
/// time as a stream would hand them on.
FieldSums sumStored(const FieldPlan& p, const std::vector<FieldRay>& rays,
                    const std::vector<PupilSample>& samples, std::size_t rimStart) {
    FieldSums s;
    struct {
        alignas(64) double a[7][kStreamChunkRays];
    } chunk;
    TraceStatus status[kStreamChunkRays];
    double weight[kStreamChunkRays];
    for (std::size_t first = 0; first < rays.size(); first += kStreamChunkRays) {
        const std::size_t count = std::min(kStreamChunkRays, rays.size() - first);
        // Padded to whole vectors with rays along the axis, which weigh 0.
        for (std::size_t j = 0; j < (count + 7) / 8 * 8; ++j) {
            const FieldRay r = j < count ? rays[first + j] : FieldRay{};
            const double values[7] = {r.x, r.y, r.z, r.L, r.M, r.N, r.path};
            for (int v = 0; v < 7; ++v) chunk.a[v][j] = values[v];
            if (j < count) status[j] = r.status, weight[j] = samples[first + j].weight;
        }
        const TracedChunk c{first,      count,      chunk.a[0], chunk.a[1], chunk.a[2],
                            chunk.a[3], chunk.a[4], chunk.a[5], chunk.a[6], nullptr};
        addChunk(s, p, c, status, weight, rimStart, nullptr);
    }
    return s;
}

/// The spot's figures from the sums, in design units.
struct SpotSums {
    double cx = 0, cy = 0;  ///< centroid
    double rms2 = 0;        ///< mean squared radius about it
    double chief2 = 0;      ///< about the chief ray
    double na = 0;          ///< sine of the cone's half angle about the chief ray
};

SpotSums spotOf(const FieldSums& f, const FieldPlan& p) {
    const RaySums& s = f.rays;
    SpotSums spot;
    const double mx = s.sx / s.sw, my = s.sy / s.sw;
    spot.cx = p.terms.pilotX + mx;
    spot.cy = p.terms.pilotY + my;
    spot.rms2 = std::max(0.0, s.sxy2 / s.sw - (mx * mx + my * my));
    spot.chief2 = s.chief2 / s.sw;
    // The cone from the rim; if the rim missed, the mean square sine over a
    // uniform disk is half the rim's square.
    spot.na = f.rim > 0 ? f.rimSine / f.rim : std::sqrt(2 * s.cone2 / s.sw);
    return spot;
}

/// Best focus on a flat focal plane: every ray's hit point moves linearly
/// with the shift, so the mean squared radius is a quadratic in it with a
/// closed-form minimum.  The shift and the mean squared radius there.
void flatFocus(const RaySums& s, const SpotSums& spot, double& shift, double& rms2) {
    const double mx = s.sx / s.sw, my = s.sy / s.sw, ma = s.fa / s.sw, mb = s.fb / s.sw;
    const double s0 = spot.rms2 * s.sw;
    const double s1 = s.fxa - s.sw * (mx * ma + my * mb);
    const double s2 = s.faa - s.sw * (ma * ma + mb * mb);
    shift = s2 > 0 ? -s1 / s2 : 0;
    rms2 = s2 > 0 ? (s0 - s1 * s1 / s2) / s.sw : s0 / s.sw;
    if (!std::isfinite(shift) || !std::isfinite(rms2)) {
        shift = 0;
        rms2 = spot.rms2;
    }
}

}  // namespace

const char* qualityFieldName(QualityField field) {
    switch (field) {
        case QualityField::center:
            return "center";
        case QualityField::minus:
            return "minus";
        case QualityField::plus:
            return "plus";
        case QualityField::sagittal:
            return "sagittal";
    }
    return "";
}

std::optional<QualityField> qualityFieldFromName(std::string_view name) {
    for (QualityField f : kQualityFields)
        if (name == qualityFieldName(f)) return f;
    return std::nullopt;
}

namespace {

/// The traced pupil of one field, or the status that stops it.
struct TracedField {
    TraceStatus status = kTraceOk;
    Design design;  ///< the copy traced, entrance distance set
    PupilSampling sampling;
    std::vector<FieldRay> rays;
};

TracedField traceField(const Design& design, const RayState& start, int rays) {
    TracedField t;
    t.design = design;
    t.sampling = makePupilSampling(rays);
    t.rays.resize(t.sampling.samples.size());
    if (std::clamp(design.surfaceCount, 0, kMaxSurfaces) < 2) {
        t.status = kTraceNoFocus;
        return t;
    }
    if (design.semiAperture == 0) {
        t.status = kTraceApertureZero;
        return t;
    }
    TraceState state;
    if (!setEntranceTangential(t.design, state)) {
        t.status = state.status;
        return t;
    }
    traceFieldRaysFrom(t.design, start, t.sampling.samples, t.rays);
    t.status = t.rays[0].status;
    return t;
}

/// The rays that count: those that arrived, with weight (the rim and the
/// centre have none).
void weightedRays(const TracedField& t, std::vector<FieldRay>& rays, std::vector<double>& weight) {
    for (size_t k = 0; k < t.rays.size(); ++k) {
        if (t.rays[k].status == kTraceOk && t.sampling.samples[k].weight > 0) {
            rays.push_back(t.rays[k]);
            weight.push_back(t.sampling.samples[k].weight);
        }
    }
}

/// The plan of a field from the traced rays of the search rule: the spot's
/// centroid, the best reference centres and a curved focal plane's focus.
/// Not searched when the chief ray failed or nothing else tells where to
/// look (no weighted ray arrived, or the beam has no cone).
FieldPlan planField(const TracedField& t, const RayState& start) {
    FieldPlan plan;
    plan.chief = t.rays[0];
    if (t.status != kTraceOk) return plan;
    TermsPlan& terms = plan.terms;
    terms.chiefX = terms.pilotX = plan.chief.x;
    terms.chiefY = terms.pilotY = plan.chief.y;
    terms.chiefL = plan.chief.L;
    terms.chiefM = plan.chief.M;
    terms.chiefN = plan.chief.N;
    const FieldSums sums = sumStored(plan, t.rays, t.sampling.samples, t.rays.size() - t.sampling.azimuths);
    if (!(sums.rays.sw > 0)) return plan;
    const SpotSums spot = spotOf(sums, plan);
    if (!(spot.na > 0) || !std::isfinite(spot.na)) return plan;
    std::vector<FieldRay> rays;
    std::vector<double> weight;
    weightedRays(t, rays, weight);
    ReferenceSphere& sphere = terms.sphere;
    sphere = exitPupilSphere(t.design, start, plan.chief);
    Vec3 C = position(plan.chief);
    std::vector<double> errors;
    for (int i = 0; i < 2; ++i) {
        // The centre in depth is searched from the best one in the plane.
        bestWavefrontRms(rays, weight, C, sphere, i == 1, errors);
        terms.centre[i][0] = C.x;
        terms.centre[i][1] = C.y;
        terms.centre[i][2] = C.z;
        terms.mean[i] = weightedMean(weight, errors);
    }
    const int n = std::clamp(t.design.surfaceCount, 1, kMaxSurfaces);
    plan.curved = !isFlat(t.design.surfaces[n]);
    if (plan.curved) {
        double estimate = 0, rms2 = 0;
        flatFocus(sums.rays, spot, estimate, rms2);
        plan.focal = focalSurfaceAlone(t.design);
        plan.focusShift = searchCurvedFocus(t.design, rays, weight, direction(plan.chief), estimate,
                                            std::sqrt(spot.rms2), spot.na);
        if (!std::isfinite(plan.focusShift)) plan.focusShift = 0;
    }
    terms.pilotX = spot.cx;
    terms.pilotY = spot.cy;
    terms.slopeX = sums.rays.fa / sums.rays.sw;
    terms.slopeY = sums.rays.fb / sums.rays.sw;
    terms.wavefront = true;
    // The centroid of every ray lies a tiny fraction of the spot's size from
    // the search rays' one.
    plan.band = 1e-3 * std::sqrt(spot.rms2);
    plan.searched = true;
    return plan;
}

/// Every ray of the rule traced, a few hundred at a time and on every core,
/// and handed on with its pupil weights, never all held at once.
TraceStatus streamRule(
    const Design& design, const RayState& start, const PupilRule& rule,
    const std::function<void(std::size_t block, const FieldChunk&, const double* weight)>& consume) {
    const double h = design.semiAperture;
    return streamFieldRays(
        design, start, rule.size(),
        [&](std::size_t first, std::size_t count, double* px, double* py) {
            rule.fill(first, count, h, px, py, nullptr);
        },
        [&](std::size_t block, const FieldChunk& chunk) {
            double weight[kStreamChunkRays];
            rule.fill(chunk.traced.first, chunk.traced.count, h, nullptr, nullptr, weight);
            consume(block, chunk, weight);
        });
}

/// Every ray of the rule traced and added up against the plan, block by
/// block, and the blocks' farthest rays.
FieldSums measureField(const Design& design, const RayState& start, const PupilRule& rule,
                       const FieldPlan& plan, std::vector<FarthestPoints>& farthest, TraceStatus& failed) {
    const std::size_t rimStart = rule.rimStart();
    std::vector<FieldSums> blocks(streamBlocks(rule.size()));
    farthest.assign(blocks.size(), FarthestPoints(plan.band));
    failed = streamRule(
        design, start, rule, [&](std::size_t block, const FieldChunk& chunk, const double* weight) {
            // Added up here and then to the block's sums.
            FieldSums sums;
            addChunk(sums, plan, chunk.traced, chunk.status, weight, rimStart, &farthest[block]);
            blocks[block].add(sums);
        });
    // The blocks' sums added in order: the same figures on any number of cores.
    FieldSums sums;
    for (const FieldSums& b : blocks) sums.add(b);
    return sums;
}

/// The squared distance of the ray farthest from the centroid, which lies
/// (mx, my) from the plan's: from the blocks' farthest rays when
/// they are sure to hold it, else by tracing every ray again.
double farthestFromCentroid(const Design& design, const RayState& start, const PupilRule& rule,
                            const FieldPlan& plan, const std::vector<FarthestPoints>& farthest, double mx,
                            double my) {
    if (const auto geo2 = farthestFrom(farthest, mx, my)) return *geo2;
    std::vector<double> blocks(streamBlocks(rule.size()), 0.0);
    streamRule(design, start, rule, [&](std::size_t block, const FieldChunk& chunk, const double*) {
        for (std::size_t j = 0; j < chunk.traced.count; ++j) {
            if (chunk.status[j] != kTraceOk) continue;
            const double dx = chunk.traced.x[j] - plan.terms.pilotX - mx;
            const double dy = chunk.traced.y[j] - plan.terms.pilotY - my;
            blocks[block] = std::max(blocks[block], dx * dx + dy * dy);
        }
    });
    return *std::max_element(blocks.begin(), blocks.end());
}

FieldQuality fieldQuality(const Design& design, const RayState& start, const QualityOptions& options,
                          int searchRays) {
    FieldQuality q;
    const PupilRule rule(options.rays);
    q.rays = static_cast<int>(rule.size());
    const TracedField t = traceField(design, start, searchRays);
    const FieldPlan plan = planField(t, start);
    std::vector<FarthestPoints> farthest;
    TraceStatus failed = kTraceOk;
    // A design that cannot be traced at all has no rays to count.
    const bool traceable = t.status != kTraceNoFocus && t.status != kTraceApertureZero;
    const FieldSums sums =
        traceable ? measureField(design, start, rule, plan, farthest, failed) : FieldSums{};
    q.missed = sums.missed;
    q.status = t.status != kTraceOk ? t.status : failed;
    if (q.status != kTraceOk) return q;
    if (!(sums.rays.sw > 0)) {
        q.status = sums.firstMissStatus;
        return q;
    }

    const double um = micronsPerUnit(design);
    const double lambda = options.wavelengthMicrons / um;  // in the design's unit
    const SpotSums spot = spotOf(sums, plan);
    if (!(spot.na > 0) || !std::isfinite(spot.na)) {
        q.status = kTraceNoFocus;  // a parallel beam has no image to judge
        return q;
    }
    if (!plan.searched) {
        // The coarse rule's rays told nothing where the full rule's do (a
        // beam cut down to a few of its rays): search on every ray.
        if (searchRays < options.rays) return fieldQuality(design, start, options, options.rays);
        q.status = kTraceNoFocus;
        return q;
    }
    const FieldRay& chief = plan.chief;
    q.rmsSpot = std::sqrt(spot.rms2) * um;
    q.rmsSpotChief = std::sqrt(spot.chief2) * um;
    q.centroidX = (spot.cx - chief.x) * um;
    q.centroidY = (spot.cy - chief.y) * um;
    const RaySums& r = sums.rays;
    const double mx = r.sx / r.sw, my = r.sy / r.sw;
    q.geoSpot = std::sqrt(farthestFromCentroid(design, start, rule, plan, farthest, mx, my)) * um;
    q.workingFRatio = 1 / (2 * spot.na);
    q.airyRadius = 1.22 * options.wavelengthMicrons * q.workingFRatio;

    double rms[2];
    for (int i = 0; i < 2; ++i) {
        const double m = r.e[i] / r.sw;
        rms[i] = std::sqrt(std::max(0.0, r.ee[i] / r.sw - m * m)) / lambda;
    }
    q.rmsWavefront = rms[0];
    q.rmsWavefrontBestFocus = rms[1];
    q.strehl = std::exp(-std::pow(2 * std::numbers::pi * q.rmsWavefront, 2));
    q.diffractionLimited = q.strehl >= kDiffractionLimitedStrehl;

    double shift = 0, rms2 = spot.rms2;
    if (!plan.curved) {
        flatFocus(sums.rays, spot, shift, rms2);
    } else if (plan.focusShift != 0 && !sums.focusFailed) {
        const double qx = sums.qx / r.sw, qy = sums.qy / r.sw;
        const double at = sums.qq / r.sw - (qx * qx + qy * qy);
        if (std::isfinite(at) && at <= spot.rms2) shift = plan.focusShift, rms2 = at;
    }
    q.bestFocusShift = shift;
    q.bestFocusRmsSpot = std::sqrt(std::max(0.0, rms2)) * um;

    const double all[] = {
        q.rmsSpot,         q.rmsSpotChief,          q.geoSpot, q.centroidX,  q.centroidY,
        q.rmsWavefront,    q.rmsWavefrontBestFocus, q.strehl,  q.airyRadius, q.bestFocusShift,
        q.bestFocusRmsSpot};
    for (double v : all) {
        if (!std::isfinite(v)) {
            // Figures too large for the arithmetic: no focus worth the name.
            const int missed = q.missed, traced = q.rays;
            q = FieldQuality{};
            q.status = kTraceNoFocus;
            q.missed = missed;
            q.rays = traced;
            break;
        }
    }
    return q;
}

}  // namespace

FieldQuality computeFieldQualityFrom(const Design& design, const RayState& start,
                                     const QualityOptions& options) {
    // Sizes compared by their rings alone: a million-ray rule's nodes are
    // worth computing only once.
    const int rays = std::clamp(options.rays, 1, kMaxQualityRays);
    return fieldQuality(design, start, options,
                        PupilRule::ringsFor(rays) <= PupilRule::ringsFor(kSearchRays) ? rays : kSearchRays);
}

FieldQuality computeFieldQuality(const Design& design, QualityField field, const QualityOptions& options) {
    RayState start;
    startQualityRay(design, field, start);
    return computeFieldQualityFrom(design, start, options);
}

bool fieldWavefrontResiduals(const Design& design, QualityField field, std::vector<double>& out,
                             const QualityOptions& options) {
    out.clear();
    RayState start;
    startQualityRay(design, field, start);
    const TracedField t = traceField(design, start, options.rays);
    if (t.status != kTraceOk) return false;
    for (const FieldRay& r : t.rays)
        if (r.status != kTraceOk) return false;
    std::vector<FieldRay> rays;
    std::vector<double> weight;
    weightedRays(t, rays, weight);
    if (rays.empty()) return false;
    const double lambda = options.wavelengthMicrons / micronsPerUnit(design);
    const ReferenceSphere sphere = exitPupilSphere(t.design, start, t.rays[0]);
    Vec3 C = position(t.rays[0]);
    std::vector<double> w;
    bestWavefrontRms(rays, weight, C, sphere, false, w);
    double sw = 0;
    for (double v : weight) sw += v;
    const double m = weightedMean(weight, w);
    for (size_t k = 0; k < w.size(); ++k) out.push_back(std::sqrt(weight[k] / sw) * (w[k] - m) / lambda);
    for (double v : out)
        if (!std::isfinite(v)) return false;
    return true;
}

FieldReference fieldReference(const Design& design, QualityField field) {
    FieldReference ref;
    if (std::clamp(design.surfaceCount, 0, kMaxSurfaces) < 2) {
        ref.status = kTraceNoFocus;
        return ref;
    }
    if (design.semiAperture == 0) {
        ref.status = kTraceApertureZero;
        return ref;
    }
    const Design& traced = design;
    TraceState state;
    if (!setEntranceTangential(traced, state)) {
        ref.status = state.status;
        return ref;
    }
    RayState start;
    startQualityRay(traced, field, start);
    const double zero[1] = {0};
    traceFromPupil(traced, start, zero, zero, std::span<FieldRay>(&ref.chief, 1));
    ref.status = ref.chief.status;
    if (ref.status != kTraceOk) return ref;
    const ReferenceSphere sphere = exitPupilSphere(traced, start, ref.chief);
    ref.sphereRadius = sphere.R;
    ref.sphereSign = sphere.sigma;
    return ref;
}

double pathToReference(const FieldReference& reference, const FieldRay& ray) {
    std::array<double, 3> u;
    return rayWavefront(ray, position(reference.chief),
                        ReferenceSphere{reference.sphereRadius, reference.sphereSign}, u);
}

QualityReport computeQuality(const Design& design, const QualityOptions& options) {
    return computeQuality(design, options, kQualityFields);
}

QualityReport computeQuality(const Design& design, const QualityOptions& options,
                             std::span<const QualityField> fields) {
    QualityReport report;
    report.wavelengthMicrons = options.wavelengthMicrons;
    report.micronsPerUnit = micronsPerUnit(design);
    std::optional<FieldQuality> axis;
    for (size_t i = 0; i < kQualityFields.size(); ++i) {
        if (std::find(fields.begin(), fields.end(), kQualityFields[i]) == fields.end()) continue;
        // Without a field every field is the axis.
        if (design.sinField == 0 && i > 0) {
            if (!axis) axis = computeFieldQuality(design, kQualityFields[0], options);
            report.fields[i] = *axis;
            continue;
        }
        report.fields[i] = computeFieldQuality(design, kQualityFields[i], options);
        if (i == 0) axis = report.fields[i];
    }
    return report;
}

std::vector<SpotPoint> fieldSpot(const Design& design, QualityField field, int rays) {
    RayState start;
    startQualityRay(design, field, start);
    const TracedField t = traceField(design, start, rays);
    std::vector<SpotPoint> spot;
    if (t.status != kTraceOk) return spot;
    const double um = micronsPerUnit(design);
    const FieldRay& chief = t.rays[0];
    spot.reserve(t.rays.size());
    for (const FieldRay& r : t.rays)
        if (r.status == kTraceOk) spot.push_back({(r.x - chief.x) * um, (r.y - chief.y) * um});
    return spot;
}

}  // namespace orvelin
