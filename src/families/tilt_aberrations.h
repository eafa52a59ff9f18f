// Third-order aberrations that the tilts of a chain of mirrors bring in.
//
// A mirror tilted by theta about its vertex, with the beam centred on that
// vertex, sees the axial beam as a centred mirror sees a field angle theta
// with the stop on its surface.  Its Seidel contributions are then those of
// a chief ray of incidence theta and height 0:
//
//     coma         S_II  = -A * Abar * y * delta(u/n)
//     astigmatism  S_III = -Abar^2 * y * delta(u/n)
//
// with the marginal ray's height y and refraction invariant A on the mirror,
// Abar = n * theta, and delta(u/n) = -P * y for a mirror of power P = 2/R
// (R > 0 concave).  Unfolded, every mirror becomes a thin element of power P
// in a medium of index n = +1, -1, +1, ... along the chain, so
//
//     S_II(i)  = coma(i) * theta_i   with coma(i)  = -(u_i - P_i y_i / 2) P_i y_i^2 n_i
//     S_III(i) = astig(i) * theta_i^2 with astig(i) = P_i y_i^2
//
// (u_i the unfolded slope of the marginal ray arriving at mirror i).  A
// system is free of axial coma when the sum of coma(i) * theta_i vanishes and
// free of the tilts' astigmatism when the sum of astig(i) * theta_i^2 does.
// The tilts here are the design's tilts: in this program's sign convention a
// tilt enters these sums exactly as it is entered.
#pragma once

#include <vector>

namespace orvelin {

/// One mirror of the thin, unfolded chain.
struct ThinMirror {
    double radius = 0;      ///< R, > 0 concave, < 0 convex, 0 flat
    double separation = 0;  ///< distance to the next mirror (or to the focus)
};

/// What the paraxial marginal ray and the Seidel sums give for each mirror.
struct TiltAberrations {
    std::vector<double> height;  ///< y_i of the marginal ray (y_1 = semi-aperture)
    std::vector<double> coma;    ///< coma(i), per radian of tilt
    std::vector<double> astig;   ///< astig(i), per radian of tilt squared
    double focalLength = 0;      ///< of the whole chain, from the marginal ray's last slope
    double backFocus = 0;        ///< from the last mirror to the paraxial focus
};

/// The paraxial marginal ray of a collimated beam of semi-aperture h through
/// the chain, with every mirror's coefficients.  The separation of the last
/// mirror is not used.
TiltAberrations tiltAberrations(const std::vector<ThinMirror>& mirrors, double h);

}  // namespace orvelin
