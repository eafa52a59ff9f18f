// Batched real-ray trace: many rays through the same design at once.
//
// The rays of a bundle are held as a structure of arrays and traced surface
// by surface with exactly the arithmetic of the one-ray trace (ray_trace.h):
// the same operations in the same order, without contraction into fused
// multiply-adds, so every coordinate of a ray that arrives is the one the
// one-ray trace gives, to the last bit.  Lanes are independent: each ray has
// its own status, and a ray that misses a surface never disturbs the others.
//
// Besides the coordinates the bundle carries each ray's optical path: the
// length travelled from the incoming plane wavefront to where the ray ends.
// The trace is unfolded (light always travels towards +z in the frame of each
// space) and every turn between frames is a rotation, so the path is the sum
// of the ray's physical segment lengths, mirror to mirror (the frames of
// spaces of medium sign +1 point against the light, so there the distance
// along the frame counts negative).  Its zero is the plane
// through the origin of the entrance plane perpendicular to the ray's start
// direction: for a collimated field every ray of the field starts on the same
// wavefront, and differences of path between its rays are the wavefront
// aberration (before any reference sphere is taken out).
//
// The one-ray trace stays the trace of the analysis and the layout; this one
// serves the many-ray computations (Monte-Carlo spots, image quality, the
// optimiser's merit).
#pragma once

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <new>
#include <span>
#include <vector>

#include "design/design.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// Storage aligned for the widest vector registers the trace uses.
template <class T>
struct BundleAllocator {
    using value_type = T;
    static constexpr std::size_t kAlignment = 64;
    BundleAllocator() = default;
    template <class U>
    BundleAllocator(const BundleAllocator<U>&) {}
    T* allocate(std::size_t n) {
        void* p = ::operator new(n * sizeof(T), std::align_val_t(kAlignment));
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) { ::operator delete(p, std::align_val_t(kAlignment)); }
    template <class U>
    bool operator==(const BundleAllocator<U>&) const {
        return true;
    }
};
using BundleArray = std::vector<double, BundleAllocator<double>>;

/// Where a bundle's trace ends, as the one-ray traces of the same names.
enum class BundleEnd {
    lastMirror,  ///< traceToLastMirror: frame of the space after the last mirror
    focalPlane,  ///< traceToFocalPlane: hit point in the focal plane's own frame
    image,       ///< traceToImage: x turned across a tilted focal plane
};

/// Rays as a structure of arrays: 60 bytes a ray (a million rays in 60 MB).
/// Before the trace, (x, y, z) and (L, M, N) hold each ray's start; after
/// it, where the ray ended, as the one-ray trace leaves it, except that a
/// trace to the focal plane keeps the direction in which the light arrives
/// there (in the focal plane's frame), not the one-ray trace's reflection
/// at the focal plane.
struct RayBundle {
    BundleArray x, y, z;  ///< position
    BundleArray L, M, N;  ///< direction cosines
    BundleArray path;     ///< optical path from the incoming wavefront
    /// 0 for a ray that arrived, 3 + k for a ray that missed surface k (the
    /// one-ray trace's status).  The coordinates of a ray that missed are
    /// not meaningful.
    std::vector<TraceStatus> status;

    std::size_t size() const { return x.size(); }
    void resize(std::size_t n);
    /// Memory held by the arrays, in bytes.
    std::size_t bytes() const;
    /// Ray i as a RayState (position and direction only).
    RayState ray(std::size_t i) const { return RayState{x[i], y[i], z[i], L[i], M[i], N[i]}; }
};

/// Start every ray of the bundle from `start` (a ray from startAxialRay or
/// one of the startFieldRay* functions) moved to (px[i], py[i]) in the
/// entrance plane, with path 0.  The trace adds to the path the distance
/// from the incoming wavefront through the entrance origin to the start
/// point, then the ray's travel.  The bundle takes the size of px; py must
/// be as long.
void startBundle(RayBundle& bundle, const RayState& start, std::span<const double> px,
                 std::span<const double> py);

/// Trace every ray of the bundle through the design, the start plane
/// `entrance` before surface 1 (the TraceState::entrance of the one-ray
/// trace, from setEntranceTangential or setEntranceSagittal).  Vectorised where the processor allows it, and
/// spread over `threads` threads for large bundles (0: as many as the
/// machine offers; 1: the calling thread only).  The results do not depend
/// on the number of threads.
void traceBundle(const Design& design, double entrance, RayBundle& bundle, BundleEnd end, int threads = 0);

/// A ray's status from the number of the surface it missed first (0: none).
inline TraceStatus statusOfMiss(double surface) {
    return surface == 0 ? kTraceOk : traceMissStatus(static_cast<int>(surface));
}

/// Rays of a stream once traced: rays first .. first + count - 1 of the
/// stream, where the trace left them (as a RayBundle holds them), still in
/// the cache.  The arrays hold count values each, and may be read on to the
/// next multiple of 8 (rays of no meaning) by code working a vector of rays
/// at a time.
struct TracedChunk {
    std::size_t first = 0;
    std::size_t count = 0;
    const double *x = nullptr, *y = nullptr, *z = nullptr;
    const double *L = nullptr, *M = nullptr, *N = nullptr;
    const double* path = nullptr;
    const double* missed = nullptr;  ///< 0, or the number of the surface the ray missed first

    TraceStatus status(std::size_t j) const { return statusOfMiss(missed[j]); }
};

/// Most rays a stream hands on at once (see traceStream).
inline constexpr std::size_t kStreamChunkRays = 256;
/// Rays a stream hands to one thread at a time (see traceStream).
inline constexpr std::size_t kStreamBlockRays = 4096;

/// The number of blocks a stream of `rays` rays is cut into.
inline std::size_t streamBlocks(std::size_t rays) {
    return (rays + kStreamBlockRays - 1) / kStreamBlockRays;
}

/// Where the rays of a stream start: fill px[0 .. count) and py[0 .. count)
/// with the entrance-plane points of rays first .. first + count - 1.
using StreamPoints = std::function<void(std::size_t first, std::size_t count, double* px, double* py)>;
/// What is done with the traced rays: called once for every chunk, with the
/// number of the block it belongs to.
using StreamConsumer = std::function<void(std::size_t block, const TracedChunk& chunk)>;

/// Trace `rays` rays, all started as `start` but at the points `points`
/// gives, without ever holding them all: a few hundred at a time are
/// started, traced (as traceBundle traces them) and handed to `consume`
/// while they are still in the cache.  For a million rays this saves the
/// 60 MB of a bundle and the time to fill and read it.
///
/// The stream is cut into blocks of kStreamBlockRays rays, whatever the
/// number of threads.  The chunks of a block are handed on in order, from
/// one thread; different blocks may run at the same time on different
/// threads (`threads` as for traceBundle).  A consumer that adds up what it
/// is given block by block, and then adds the blocks' sums in order, gets
/// the same figures whatever the number of threads.
void traceStream(const Design& design, double entrance, const RayState& start, std::size_t rays, BundleEnd end,
                 const StreamPoints& points, const StreamConsumer& consume, int threads = 0);

/// Where the rays of a stream of rays each with its own start come from:
/// fill rows[0 .. 5] (x, y, z, L, M, N), count values each, with the starts
/// of rays first .. first + count - 1.
using StreamStarts = std::function<void(std::size_t first, std::size_t count, double* const rows[6])>;

/// traceStream for rays that each start where and in the direction `starts`
/// gives (rays read from a caller's own table, row by row), with path 0.
void traceStartsStream(const Design& design, double entrance, std::size_t rays, BundleEnd end, const StreamStarts& starts,
                       const StreamConsumer& consume, int threads = 0);

/// The same trace one ray at a time, on the calling thread: the reference
/// the vectorised trace is checked against.
void traceBundleScalar(const Design& design, double entrance, RayBundle& bundle, BundleEnd end);

/// The pupil rays of one field to the focal plane, for the image-quality
/// figures: the entrance distance is set from the
/// tangential curvature of surface 1 (as the spot plots do), the rays start
/// from `fieldStart` at the pupil points (px[i], py[i]) (design units, in the
/// entrance plane, |p| <= semiAperture for rays inside the aperture) and are
/// traced to the focal plane.  The bundle then holds the hit points in the
/// focal plane's own frame (x tangential, y sagittal, z the sag of a curved
/// focal plane), the directions of arrival in that frame, the optical paths
/// and the statuses.
/// Returns false, with status 4 in every ray, when the aperture exceeds the
/// rim of surface 1.
bool tracePupilToFocalPlane(const Design& design, const RayState& fieldStart, std::span<const double> px,
                            std::span<const double> py, RayBundle& bundle, int threads = 0);

}  // namespace orvelin
