#include "plots/pupil_pattern.h"

#include <cmath>

namespace orvelin {

int ringListedCount(int j) {
    if (j < 1) return 0;
    // g runs from 1.5 j down to 0 (even j) or 0.5 (odd j) in steps of 1.
    return (3 * j) / 2 + 1;
}

void appendRingPoints(int rings, int j, std::vector<PupilPoint>& out) {
    if (rings < 1 || j < 1) return;
    const double radius = static_cast<double>(j) / rings;
    const double e = 1.5 * j;
    // g = e, e-1, ... >= 0; alpha = (pi/2) g / e is measured from the +y
    // axis, so theta = 90 deg - alpha grows from the x axis in steps of 60/j.
    for (int k = 0;; ++k) {
        const double g = e - k;
        if (g < 0) break;
        const double alpha = (M_PI / 2) * g / e;
        double a = radius * std::sin(alpha);
        double b = radius * std::cos(alpha);
        if (std::fabs(a) < 1e-6) a = 0;
        if (std::fabs(b) < 1e-6) b = 0;
        out.push_back({a, b});
    }
}

std::vector<PupilPoint> ringPattern(int rings) {
    std::vector<PupilPoint> out;
    if (rings < 1) return out;
    std::size_t listed = 0;
    for (int j = 1; j <= rings; ++j) listed += static_cast<std::size_t>(ringListedCount(j));
    out.reserve(listed);
    for (int j = rings; j >= 1; --j) appendRingPoints(rings, j, out);
    return out;
}

long fullRingPatternCount(int rings) {
    if (rings < 1) return 0;
    return 3L * rings * (rings + 1);
}

// ringPattern(8) to 8 decimals, rim first; each ring starts at theta = 0.
const PupilPoint StandardPupilPattern[kStandardPatternSize] = {
    // ring 8, radius 1: 13 points
    {1.00000000, 0.00000000},
    {0.99144486, 0.13052619},
    {0.96592583, 0.25881905},
    {0.92387953, 0.38268343},
    {0.86602540, 0.50000000},
    {0.79335334, 0.60876143},
    {0.70710678, 0.70710678},
    {0.60876143, 0.79335334},
    {0.50000000, 0.86602540},
    {0.38268343, 0.92387953},
    {0.25881905, 0.96592583},
    {0.13052619, 0.99144486},
    {0.00000000, 1.00000000},
    // ring 7, radius 0.875: 11 points
    {0.87500000, 0.00000000},
    {0.86522697, 0.13041198},
    {0.83612621, 0.25791078},
    {0.78834776, 0.37964827},
    {0.72295893, 0.49290505},
    {0.64142039, 0.59515115},
    {0.54555358, 0.68410255},
    {0.43750000, 0.75777223},
    {0.31967340, 0.81451453},
    {0.19470582, 0.85306192},
    {0.06538883, 0.87255332},
    // ring 6, radius 0.75: 10 points
    {0.75000000, 0.00000000},
    {0.73860581, 0.13023613},
    {0.70476947, 0.25651511},
    {0.64951905, 0.37500000},
    {0.57453333, 0.48209071},
    {0.48209071, 0.57453333},
    {0.37500000, 0.64951905},
    {0.25651511, 0.70476947},
    {0.13023613, 0.73860581},
    {0.00000000, 0.75000000},
    // ring 5, radius 0.625: 8 points
    {0.62500000, 0.00000000},
    {0.61134225, 0.12994481},
    {0.57096591, 0.25421040},
    {0.50563562, 0.36736578},
    {0.41820663, 0.46446552},
    {0.31250000, 0.54126588},
    {0.19313562, 0.59441032},
    {0.06533029, 0.62157618},
    // ring 4, radius 0.5: 7 points
    {0.50000000, 0.00000000},
    {0.48296291, 0.12940952},
    {0.43301270, 0.25000000},
    {0.35355339, 0.35355339},
    {0.25000000, 0.43301270},
    {0.12940952, 0.48296291},
    {0.00000000, 0.50000000},
    // ring 3, radius 0.375: 5 points
    {0.37500000, 0.00000000},
    {0.35238473, 0.12825755},
    {0.28726667, 0.24104535},
    {0.18750000, 0.32475953},
    {0.06511807, 0.36930291},
    // ring 2, radius 0.25: 4 points
    {0.25000000, 0.00000000},
    {0.21650635, 0.12500000},
    {0.12500000, 0.21650635},
    {0.00000000, 0.25000000},
    // ring 1, radius 0.125: 2 points
    {0.12500000, 0.00000000},
    {0.06250000, 0.10825318},
};

const PupilPoint ReferencePupilPoints[kReferencePointCount] = {
    {1, 0}, {-1, 0}, {0, 1}, {0, -1}, {0.45, 0}, {-0.45, 0},
};

}  // namespace orvelin
