#include "diffraction/pupil_function.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvelin {

namespace {

/// The area of the quarter disk of radius r cut to 0 <= X <= x, 0 <= Y <= y
/// (x, y >= 0).
double quarterDiskArea(double x, double y, double r) {
    x = std::min(x, r);
    y = std::min(y, r);
    if (x * x + y * y <= r * r) return x * y;
    // Where the circle crosses the height y: left of it the strip is full.
    const double xs = std::sqrt(std::max(0.0, r * r - y * y));
    // The area under the circle from 0 to t: (t s + r^2 asin(t / r)) / 2.
    auto under = [r](double t) {
        return 0.5 * (t * std::sqrt(std::max(0.0, r * r - t * t)) +
                      r * r * std::asin(std::clamp(t / r, -1.0, 1.0)));
    };
    return xs * y + under(x) - under(xs);
}

/// The area of the rectangle [x0, x1] x [y0, y1] (in the first quadrant)
/// inside the disk.
double firstQuadrantArea(double x0, double x1, double y0, double y1, double r) {
    if (x1 <= x0 || y1 <= y0) return 0;
    return quarterDiskArea(x1, y1, r) - quarterDiskArea(x0, y1, r) - quarterDiskArea(x1, y0, r) +
           quarterDiskArea(x0, y0, r);
}

}  // namespace

double squareInDisk(double x0, double x1, double y0, double y1, double r) {
    const double area = (x1 - x0) * (y1 - y0);
    if (!(area > 0) || !(r > 0)) return 0;
    // The disk is symmetric about both axes: each quadrant's part of the
    // rectangle, mirrored into the first.
    double inside = 0;
    for (int sx = 0; sx < 2; ++sx) {
        for (int sy = 0; sy < 2; ++sy) {
            const double a0 = sx == 0 ? std::max(x0, 0.0) : std::max(-x1, 0.0);
            const double a1 = sx == 0 ? std::max(x1, 0.0) : std::max(-x0, 0.0);
            const double b0 = sy == 0 ? std::max(y0, 0.0) : std::max(-y1, 0.0);
            const double b1 = sy == 0 ? std::max(y1, 0.0) : std::max(-y0, 0.0);
            inside += firstQuadrantArea(a0, a1, b0, b1, r);
        }
    }
    return std::clamp(inside / area, 0.0, 1.0);
}

namespace {

/// What one block of streamed rays adds up: the wavefront's mean and how
/// the rays' tilts follow the pupil.
struct BlockSums {
    double sw = 0, sWave = 0;
    double sxx = 0, sxa = 0, syy = 0, sya = 0;
    int missed = 0;
    TraceStatus firstStatus = kTraceOk;
};

}  // namespace

PupilFunction samplePupil(const Design& design, QualityField field, const FieldReference& reference, int grid,
                          double lambda) {
    PupilFunction p;
    p.grid = grid;
    const double h = design.semiAperture;
    p.cell = 2 * h / grid;
    const size_t cells = static_cast<size_t>(grid) * grid;
    p.amplitude.assign(cells, 0.0);
    p.waves.assign(cells, 0.0);

    // The cells that touch the disk, with their share of it.
    std::vector<int> lit;
    std::vector<double> share;
    lit.reserve(cells);
    share.reserve(cells);
    for (int row = 0; row < grid; ++row) {
        const double y0 = -h + row * p.cell, y1 = y0 + p.cell;
        for (int col = 0; col < grid; ++col) {
            const double x0 = -h + col * p.cell, x1 = x0 + p.cell;
            // Only cells the rim crosses need their share measured.
            const double nx = std::max({x0, -x1, 0.0}), ny = std::max({y0, -y1, 0.0});
            const double fx = std::max(std::fabs(x0), std::fabs(x1)),
                         fy = std::max(std::fabs(y0), std::fabs(y1));
            if (nx * nx + ny * ny >= h * h) continue;
            const double a = fx * fx + fy * fy <= h * h ? 1.0 : squareInDisk(x0, x1, y0, y1, h);
            if (!(a > 0)) continue;
            lit.push_back(row * grid + col);
            share.push_back(a);
        }
    }
    p.rays = static_cast<int>(lit.size());
    // A cell's ray starts from its centre, or from the rim where the centre
    // lies outside.
    auto start = [&](size_t k, double& x, double& y) {
        x = -h + (lit[k] % grid + 0.5) * p.cell;
        y = -h + (lit[k] / grid + 0.5) * p.cell;
        if (const double r2 = x * x + y * y; r2 > h * h) {
            const double toRim = h / std::sqrt(r2);
            x *= toRim;
            y *= toRim;
        }
    };

    // The image's axes on the plane perpendicular to the chief ray: the
    // tangential one in the plane of the focal plane's x axis, the
    // sagittal one across it.
    const FieldRay& chief = reference.chief;
    const double D0[3] = {chief.L, chief.M, chief.N};
    double et[3] = {1 - D0[0] * D0[0], -D0[0] * D0[1], -D0[0] * D0[2]};
    const double etLength = std::sqrt(et[0] * et[0] + et[1] * et[1] + et[2] * et[2]);
    for (double& v : et) v /= etLength > 0 ? etLength : 1;
    const double es[3] = {D0[1] * et[2] - D0[2] * et[1], D0[2] * et[0] - D0[0] * et[2],
                          D0[0] * et[1] - D0[1] * et[0]};

    // Each arriving ray's path, as the rays stream out of the trace, a
    // block at a time on every core (each ray writes its own cell).
    const double chiefPath = pathToReference(reference, chief);
    std::vector<BlockSums> blocks(streamBlocks(lit.size()));
    RayState ray0;
    startQualityRay(design, field, ray0);
    const TraceStatus stopped = streamFieldRays(
        design, ray0, lit.size(),
        [&](size_t first, size_t count, double* px, double* py) {
            for (size_t j = 0; j < count; ++j) start(first + j, px[j], py[j]);
        },
        [&](size_t block, const FieldChunk& chunk) {
            BlockSums& b = blocks[block];
            for (size_t j = 0; j < chunk.traced.count; ++j) {
                const size_t k = chunk.traced.first + j;
                const FieldRay ray = chunk.ray(j);
                const double w = (pathToReference(reference, ray) - chiefPath) / lambda;
                if (ray.status != kTraceOk || !std::isfinite(w)) {
                    if (b.missed++ == 0) b.firstStatus = ray.status;
                    continue;
                }
                const double a = share[k];
                p.amplitude[lit[k]] = a;
                p.waves[lit[k]] = w;
                b.sw += a;
                b.sWave += a * w;
                double x, y;
                start(k, x, y);
                const double at = ray.L * et[0] + ray.M * et[1] + ray.N * et[2];
                const double as = ray.L * es[0] + ray.M * es[1] + ray.N * es[2];
                b.sxx += a * x * x;
                b.sxa += a * x * at;
                b.syy += a * y * y;
                b.sya += a * y * as;
            }
        });
    // The blocks added in order: the same figures on any number of cores.
    BlockSums all;
    for (const BlockSums& b : blocks) {
        all.sw += b.sw, all.sWave += b.sWave;
        all.sxx += b.sxx, all.sxa += b.sxa, all.syy += b.syy, all.sya += b.sya;
        if (all.missed == 0 && b.missed > 0) all.firstStatus = b.firstStatus;
        all.missed += b.missed;
    }
    p.missed = stopped != kTraceOk ? p.rays : all.missed;
    const double sw = all.sw, sWave = all.sWave;
    const double sxx = all.sxx, sxa = all.sxa, syy = all.syy, sya = all.sya;
    if (!(sw > 0)) {
        // Not one ray arrived: the first one's status says why.
        p.status = stopped != kTraceOk ? stopped : all.firstStatus;
        if (p.status == kTraceOk) p.status = kTraceNoFocus;
        return p;
    }
    const double piston = sWave / sw;
    for (size_t k = 0; k < cells; ++k) {
        if (p.amplitude[k] > 0) {
            p.waves[k] -= piston;
            p.amplitudeSum += p.amplitude[k];
            p.powerSum += p.amplitude[k] * p.amplitude[k];
        }
    }
    p.field.assign(cells, Complex(0, 0));
    for (size_t k = 0; k < cells; ++k)
        if (p.amplitude[k] > 0) p.field[k] = std::polar(p.amplitude[k], 2 * std::numbers::pi * p.waves[k]);
    p.signX = sxx > 0 && sxa < 0 ? -1 : 1;
    p.signY = syy > 0 && sya < 0 ? -1 : 1;

    // The mean slope from differences between lit cells one and two apart,
    // each pair weighted by the product of its amplitudes (the intensity).
    // Pairs a distance d apart see the rim's cells d times as often, an
    // error of the first order in d; two distances extrapolate it away.
    double sum[2][2] = {}, weight[2][2] = {};  // [axis][distance - 1]
    for (int row = 0; row < grid; ++row) {
        const double* a = p.amplitude.data() + static_cast<size_t>(row) * grid;
        const double* w = p.waves.data() + static_cast<size_t>(row) * grid;
        for (int col = 0; col < grid; ++col) {
            if (!(a[col] > 0)) continue;
            for (int d = 1; d <= 2; ++d) {
                if (col + d < grid && a[col + d] > 0) {
                    const double step = w[col + d] - w[col], pair = a[col] * a[col + d];
                    sum[0][d - 1] += pair * step / d;
                    weight[0][d - 1] += pair;
                    if (d == 1) p.largestStep = std::max(p.largestStep, std::fabs(step));
                }
                if (row + d < grid && a[col + d * grid] > 0) {
                    const double step = w[col + d * grid] - w[col], pair = a[col] * a[col + d * grid];
                    sum[1][d - 1] += pair * step / d;
                    weight[1][d - 1] += pair;
                    if (d == 1) p.largestStep = std::max(p.largestStep, std::fabs(step));
                }
            }
        }
    }
    double slope[2][2];
    for (int axis = 0; axis < 2; ++axis)
        for (int d = 0; d < 2; ++d)
            slope[axis][d] = weight[axis][d] > 0 ? sum[axis][d] / weight[axis][d] : 0.0;
    p.slopeX = 2 * slope[0][0] - slope[0][1];
    p.slopeY = 2 * slope[1][0] - slope[1][1];
    return p;
}

void fillPaddedPupil(const PupilFunction& pupil, int size, bool aberrated, FftArray<Complex>& out) {
    const int n = pupil.grid;
    std::fill_n(out.data(), static_cast<size_t>(size) * size, Complex(0, 0));
    for (int row = 0; row < n; ++row) {
        Complex* line = out.data() + static_cast<size_t>(row) * size;
        const size_t first = static_cast<size_t>(row) * n;
        if (aberrated)
            std::copy_n(pupil.field.data() + first, n, line);
        else
            std::copy_n(pupil.amplitude.data() + first, n, line);
    }
}

}  // namespace orvelin
