// The first-order layouts of the families and the third-order rule for
// their tilts, before any real ray is traced.
#pragma once

#include <vector>

#include "design/design.h"
#include "families/family.h"

namespace orvelin {

/// A family's chain at the requested focal length: the thin mirrors (radius,
/// separation to the next; the last separation is the back focus) and which
/// mirrors are toroids.
struct FamilyChain {
    std::vector<double> radius;      ///< > 0 concave
    std::vector<double> separation;  ///< the last one is the paraxial back focus
    std::vector<bool> toroid;
};

/// The family's first-order layout for a focal length (the rules are those
/// of familyLayoutRule).
FamilyChain familyChain(Family family, double focalLength);

/// The tilts of mirrors 2.. that cancel the axial coma of a primary tilt
/// theta1 (degrees) to third order, and for the tri-Schiefspiegler its
/// astigmatism too.  `choice` picks between the two tertiary tilts of the
/// tri-Schiefspiegler (0 or 1); the other families have one answer.  Empty
/// when the tri-Schiefspiegler's condition has no real solution.
std::vector<double> familyTilts(Family family, const FamilyChain& chain, double h, double theta1, int choice);

/// The design of the chain with these tilts (degrees, one per mirror): the
/// aperture and field of the request, every toroid's sagittal radius R
/// cos^2(tilt), a flat focal plane at the paraxial back focus.
Design chainDesign(const FamilyRequest& request, const FamilyChain& chain, const std::vector<double>& tilts);

}  // namespace orvelin
