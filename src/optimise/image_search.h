// The smallest image over a few design values: the worst of chosen fields'
// RMS spot radius or RMS wavefront error made as small as it goes (with one
// field, that field's).  This is how a built telescope is refocused: the
// focal plane's distance (and, with a tilting focuser, its tilt) moved until
// the image is best.
//
// The search is Gauss-Newton on the rays' residuals of every chosen field
// (see ImageResiduals) with the optimiser's central differences: each field's
// squared RMS is modelled as |r + J dx|^2, the largest of the models is
// minimised exactly (a convex problem in one or two values), and the step is
// kept only when the worst field really improves (damped otherwise).  With
// several fields the optimum is usually where two fields are equally bad,
// which a sum of squares would miss.
#pragma once

#include <cmath>
#include <vector>

#include "design/design.h"
#include "optimise/optimiser.h"
#include "quality/field_rays.h"

namespace orvelin {

struct ImageSearch {
    std::vector<OptimiseVariable> variables;  ///< one or two; none only evaluates
    MinimiseKind kind = MinimiseKind::wavefront;
    std::vector<QualityField> fields;  ///< the worst of these is minimised
    int maxIterations = 30;
    /// The residuals' derivatives to start from (see
    /// ImageSearchResult::jacobian), from a search of a design close to
    /// this one: then they are not differenced again but updated from each
    /// step's change of the residuals (Broyden's update), which saves all
    /// but one trace per step.  Empty: central differences at every step.
    std::vector<double> jacobian;
};

struct ImageSearchResult {
    /// The start traced; the values then hold the best found (the start
    /// values when no step helped).
    bool traced = false;
    std::vector<double> values;  ///< per variable
    /// The RMS of the worst field there: micrometres for the spot, waves
    /// for the wavefront.
    double worst = NAN;
    int iterations = 0;
    int evaluations = 0;  ///< designs traced
    /// The derivatives of every residual by every variable at the last
    /// values (residual-major), for a search of a similar design.
    std::vector<double> jacobian;
};

/// Search from `start`'s own values.  `start` is not changed.
ImageSearchResult minimiseWorstField(const Design& start, const ImageSearch& search);

/// The minimum over dx of max over f of s[f] + 2 g[f].dx + dx' H[f] dx, for
/// k = dx's length 1 or 2, with H[f] (k x k, row major) positive
/// semi-definite: the step of one iteration.  Returns the step.
std::vector<double> minimaxQuadratics(int k, const std::vector<double>& s, const std::vector<double>& g,
                                      const std::vector<double>& H);

}  // namespace orvelin
