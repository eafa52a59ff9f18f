// The Monte-Carlo plots: the axial spot from 8000 rays through uniformly
// distributed random points of the pupil, 2000 in each quadrant.
//
// "Uniform Blur" scales the spot so that its larger extent spans 400 pixels;
// "Uniform Airy" scales it so that the Airy-disk radius spans 200 pixels and
// draws that circle, so the spot is seen against the diffraction limit.
#pragma once

#include <vector>

#include "plots/spot_plot.h"
#include "trace/batch_trace.h"

namespace orvelin {

/// Rays of one screen Monte-Carlo plot.
inline constexpr int kMonteCarloRays = 8000;
/// Pixels spanned by the larger extent of the blur plot.
inline constexpr double kBlurSpanPixels = 400.00002;
/// Pixels spanned by the Airy radius in the uniform Airy plot.
inline constexpr double kAiryRadiusPixels = 200.00001;
/// Radius of the circle drawn by the uniform Airy plot.
inline constexpr int kAiryCirclePixels = 200;
/// A blur scale above this means a spot of no measurable size.
inline constexpr double kMaxBlurScale = 1e12;
/// The scale used for such a spot.
inline constexpr double kPointSpotScale = 1e7;

/// The four quadrants of the pupil, in the order every Monte-Carlo group and
/// the blur's extent rays visit them.
inline constexpr double kQuadrantSigns[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};

/// A uniform random point of the quarter disc of radius h.
struct PupilSample {
    double u = 0;  ///< in [0, h]
    double v = 0;  ///< in [0, h]
};

/// Draw (u, v) = (rand / 32767, rand / 32767) until u^2 + v^2 <= 1 (the
/// circle itself is accepted), scale by h, and start the ray as an axial ray.
PupilSample samplePupilPoint(const Design& design, RandomSource& random, RayState& ray);

/// Groups of four rays until `count` rays (a count that is not a multiple of
/// four finishes its last group): each ray of a group has its own sample,
/// put in its own quadrant (u, v), (-u, v), (u, -v), (-u, -v), and is drawn
/// by draw().  nextGroup() is asked before each group; false ends the loop.
template <class NextGroup, class Draw>
void traceMonteCarloGroups(const Design& design, RandomSource& random, RayState& ray, long count,
                           NextGroup&& nextGroup, Draw&& draw) {
    for (long i = 0; i < count; i += 4) {
        if (!nextGroup()) return;
        for (const auto& q : kQuadrantSigns) {
            const PupilSample s = samplePupilPoint(design, random, ray);
            ray.x = q[0] * s.u;
            ray.y = q[1] * s.v;
            draw();
        }
    }
}

/// The rays of a Monte-Carlo plot, sampled in the plot's order and traced
/// together to the image.  Kept between plots so that its memory is reused.
struct MonteCarloBundle {
    std::vector<double> u, v;  ///< the pupil points, ray by ray
    RayBundle rays;            ///< the same rays after traceToImage
};

/// Draw the samples of `count` rays exactly as traceMonteCarloGroups does
/// (same random sequence, same quadrants, same order) and trace them all to
/// the image with the batched trace, from the start plane `entrance` before
/// surface 1.
void traceMonteCarloBundle(const Design& design, double entrance, RandomSource& random, long count,
                           MonteCarloBundle& bundle);

/// The scale that makes the larger of two extents span 400 pixels; 1e7 for a
/// spot of no measurable size.  A NaN extent (no ray reached the image)
/// gives the same 1e7.
double blurScale(double dx, double dy);

/// The 8000-ray loop: 2000 groups of four rays, each with its own sample, in
/// the quadrants (u, v), (-u, v), (u, -v), (-u, -v), each drawn as
/// plotRoundedDot draws it, in that order.  The rays are traced together
/// first; the dots, the trace status a failed ray leaves and the ray left in
/// the trace are those of the one-ray loop.
void plotMonteCarloRays(SpotPlot& p);

/// The extents of the axial blur: the chief ray and the ring pattern of
/// eight rings in all four quadrants (rays that fail do not widen them);
/// then the spot's horizontal centre.  Writes the spot extent and
/// spotCentreX.
void measureBlurExtent(SpotPlot& p);

/// "Uniform Blur": the blur's extents and horizontal centre, the scale, then
/// the 8000 rays.
void plotUniformBlur(SpotPlot& p);

/// "Uniform Airy": horizontal centre from the reference rays, scale from the
/// Airy radius, the circle of 200 pixels into the buffer (then shown in the
/// window through a repaint), then the 8000 rays.
void plotUniformAiry(SpotPlot& p);

}  // namespace orvelin
