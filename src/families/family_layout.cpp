// First-order layouts of the four families.
//
// Lengths scale with the focal length f; each chain is built for a primary
// radius of 1 and then scaled so that its paraxial focal length is f.
#include "families/family_layout.h"

#include <cmath>

#include "families/tilt_aberrations.h"

namespace orvelin {

namespace {

/// Magnification of the Kutter's convex secondary: the primary works at
/// half the system's focal ratio, the classic compromise between a long
/// tube (small m) and large tilts with their higher-order residues (large m).
constexpr double kKutterMagnification = 2.0;
/// The tri-Schiefspiegler's primary-secondary pair and its weak tertiary.
constexpr double kTriPairMagnification = 1.875;
constexpr double kTriTertiaryMagnification = 0.9;

std::vector<ThinMirror> thinChain(const FamilyChain& c) {
    std::vector<ThinMirror> m;
    for (std::size_t i = 0; i < c.radius.size(); ++i) m.push_back({c.radius[i], c.separation[i]});
    return m;
}

/// The chain for a primary radius of 1.
FamilyChain unitChain(Family family) {
    FamilyChain c;
    switch (family) {
        case Family::herschelian:
            // One concave mirror, f = R/2; a toroid takes out the tilt's
            // astigmatism.
            c.radius = {1};
            c.separation = {0.5};
            c.toroid = {true};
            break;
        case Family::kutter: {
            // Concave primary and convex secondary of equal radii (a flat
            // Petzval field).  The secondary magnifies by m: it stands R/(2m)
            // inside the primary's focus and the image lies (m - 1) R / 2
            // beyond it.
            const double m = kKutterMagnification;
            c.radius = {1, -1};
            c.separation = {1 / (2 * m), (m - 1) / 2};
            c.toroid = {false, true};
            break;
        }
        case Family::yolo: {
            // Two concave mirrors of equal radii.  The secondary stands inside
            // the primary's focus and reflects the beam forward again, across
            // the incoming one, to a focus level with the primary (image
            // distance = separation).  Equal radii and that condition give the
            // separation d = R (3 - sqrt 5) / 4 and a magnification of
            // (sqrt 5 - 1) / 2.
            const double d = (3 - std::sqrt(5.0)) / 4;
            c.radius = {1, 1};
            c.separation = {d, d};
            c.toroid = {false, true};
            break;
        }
        case Family::trischiefspiegler: {
            // A Kutter pair of equal radii magnifying by 1.875, then a weak
            // concave tertiary level with the primary (as far from the
            // secondary as the primary is) which shortens the focus by 0.9.
            const double m = kTriPairMagnification, m3 = kTriTertiaryMagnification;
            const double d = 1 / (2 * m);
            const double p3 = (m - 1) / 2 - d;  // tertiary to the pair's focus
            c.radius = {1, -1, 2 * p3 * m3 / (1 - m3)};
            c.separation = {d, d, m3 * p3};
            c.toroid = {false, false, false};
            break;
        }
    }
    return c;
}

}  // namespace

FamilyChain familyChain(Family family, double focalLength) {
    FamilyChain c = unitChain(family);
    const double scale = focalLength / tiltAberrations(thinChain(c), 1).focalLength;
    for (double& r : c.radius) r *= scale;
    for (double& s : c.separation) s *= scale;
    return c;
}

std::vector<double> familyTilts(Family family, const FamilyChain& chain, double h, double theta1,
                                int choice) {
    const TiltAberrations t = tiltAberrations(thinChain(chain), h);
    switch (family) {
        case Family::herschelian:
            return {theta1};
        case Family::kutter:
        case Family::yolo:
            // coma(1) theta1 + coma(2) theta2 = 0.
            return {theta1, -t.coma[0] * theta1 / t.coma[1]};
        case Family::trischiefspiegler: {
            // theta2 = -(a1 theta1 + a3 theta3) / a2 cancels the coma; put into
            // the astigmatism's sum s1 theta1^2 + s2 theta2^2 + s3 theta3^2 = 0
            // it leaves a quadratic in theta3.
            const double a1 = t.coma[0], a2 = t.coma[1], a3 = t.coma[2];
            const double s1 = t.astig[0], s2 = t.astig[1], s3 = t.astig[2];
            const double qa = s2 * a3 * a3 / (a2 * a2) + s3;
            const double qb = 2 * s2 * a1 * a3 * theta1 / (a2 * a2);
            const double qc = (s2 * a1 * a1 / (a2 * a2) + s1) * theta1 * theta1;
            const double disc = qb * qb - 4 * qa * qc;
            if (disc < 0 || qa == 0) return {};
            const double root = std::sqrt(disc) * (choice == 0 ? 1 : -1);
            const double theta3 = (-qb + root) / (2 * qa);
            return {theta1, -(a1 * theta1 + a3 * theta3) / a2, theta3};
        }
    }
    return {};
}

Design chainDesign(const FamilyRequest& request, const FamilyChain& chain, const std::vector<double>& tilts) {
    Design d;
    d.surfaceCount = static_cast<int>(chain.radius.size()) + 1;
    initMediumSigns(d);
    resetDesign(d);
    d.units = request.units;
    d.designTitle = "(New Design)";
    d.aperture = request.aperture;
    recomputeAperture(d);
    d.fieldSemiAngle = request.fieldDegrees * 0.5;
    recomputeField(d);
    for (std::size_t k = 0; k < chain.radius.size(); ++k) {
        Surface& s = d.surfaces[k + 1];
        s.radius = chain.radius[k];
        s.tilt = tilts[k];
        s.separation = chain.separation[k];
        s.kind = chain.toroid[k] ? kToroid : kConic;
        const double c = std::cos(tilts[k] * kDegree);
        s.sagRadius = chain.toroid[k] ? s.radius * c * c : s.radius;
        recomputeSurface(d, static_cast<int>(k) + 1);
    }
    recomputeSurface(d, d.focalPlane());
    return d;
}

}  // namespace orvelin
