// The Bessel function of the first kind of order one, fast: the encircled
// energy sums it over every frequency of the optical transfer function for
// every radius.
#pragma once

#include <cmath>

namespace orvelin {

/// Above this argument J1 takes its asymptotic form.
inline constexpr double kBesselAsymptotic = 8.0;

/// J1(x) for x >= kBesselAsymptotic from c = cos(x - 3 pi / 4) and
/// s = sin(x - 3 pi / 4), which a caller stepping x evenly can carry along
/// by rotation instead of computing them afresh: the amplitude
/// sqrt(2 / (pi x)) with its rational corrections in (8 / x)^2.
inline double besselJ1Asymptotic(double x, double c, double s) {
    const double z = kBesselAsymptotic / x, y = z * z;
    const double p =
        1.0 + y * (0.183105e-2 + y * (-0.3516396496e-4 + y * (0.2457520174e-5 + y * (-0.240337019e-6))));
    const double q = 0.04687499995 + y * (-0.2002690873e-3 +
                                          y * (0.8449199096e-5 + y * (-0.88228987e-6 + y * 0.105787412e-6)));
    return std::sqrt(0.636619772 / x) * (c * p - z * s * q);
}

/// J1(x) to about 1e-8 absolute: a rational approximation below 8 and the
/// asymptotic form above (the classical fits of Hart's Computer
/// Approximations).
inline double besselJ1(double x) {
    const double ax = std::fabs(x);
    if (ax < kBesselAsymptotic) {
        const double y = x * x;
        const double num =
            x * (72362614232.0 +
                 y * (-7895059235.0 +
                      y * (242396853.1 + y * (-2972611.439 + y * (15704.48260 + y * (-30.16036606))))));
        const double den = 144725228442.0 +
                           y * (2300535178.0 + y * (18583304.74 + y * (99447.43394 + y * (376.9991397 + y))));
        return num / den;
    }
    const double phase = ax - 2.356194490192345;
    const double value = besselJ1Asymptotic(ax, std::cos(phase), std::sin(phase));
    return x < 0 ? -value : value;
}

}  // namespace orvelin
