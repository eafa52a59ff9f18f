// The optimiser: damped least squares (Levenberg-Marquardt) over chosen
// design values, towards target values of the report's figures or towards
// the smallest image.
//
// A variable is one entered value of one surface (radius, conic constant,
// sagittal radius of a toroid, tilt, separation), optionally bounded.  A
// target asks one figure, named as `report --json` names it ("comaT",
// "fieldPanelPlus.ast", ...) or as the image-quality figures name theirs
// ("quality.plus.rmsSpot"), to take a value; its weight scales its share of
// the merit.  The merit is the sum over targets of weight * (figure -
// target)^2, plus, when minimising, the sum over the four fields of the
// squared RMS spot radius or wavefront error, plus, when the design must
// stay unobstructed, a penalty on any clearance short of the margin.
//
// A variable whose bounds are equal is held at that value: it takes part in
// the design but not in the search.
//
// A trial design that does not trace (a missed mirror, no focus) is refused:
// the solver counts the step as failed, shortens it and tries again, so one
// bad step never ends the search.
#pragma once

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "design/design.h"

namespace orvelin {

enum class VariableKind { radius, conic, rsag, tilt, sep };

struct OptimiseVariable {
    VariableKind kind = VariableKind::tilt;
    int surface = 1;
    bool bounded = false;
    double low = 0, high = 0;
    /// "tilt:2", as the command line names it.
    std::string name() const;
};

struct OptimiseTarget {
    std::string figure;
    double value = 0;
    double weight = 1;
};

/// What the merit holds besides the targets.
enum class MinimiseKind { none, spot, wavefront };

struct OptimiseProblem {
    std::vector<OptimiseVariable> variables;
    std::vector<OptimiseTarget> targets;
    MinimiseKind minimise = MinimiseKind::none;
    int maxIterations = 100;
    /// Keep every clearance of the light path (the clearance check with its
    /// usual blanks and no edge allowance) at least clearMargin, design
    /// units.
    bool keepClear = false;
    double clearMargin = 0;
};

/// Weight of the clearance penalty: each design unit by which a clearance
/// falls short of the margin counts as this much in a residual (one residual
/// for every pair of a space and a surface).
/// Large, so that the search gives up almost nothing of the margin for the
/// image.
inline constexpr double kClearancePenaltyWeight = 1e4;

/// How far short of the margin a kept-clear result may end, design units:
/// the penalty balances the image's pull a hair inside the margin.
inline constexpr double kClearanceTolerance = 1e-3;

/// Read "KIND:K" or "KIND:K=LOW..HIGH" for `design`.  On a bad text (unknown
/// kind, surface out of range, a value the surface's kind does not have,
/// LOW > HIGH, a malformed number) nothing, with the reason in `error`.
std::optional<OptimiseVariable> parseVariable(const std::string& text, const Design& design,
                                              std::string& error);

/// Read "FIGURE=VALUE" or "FIGURE=VALUE:WEIGHT".  On a bad text (unknown
/// figure, malformed or negative weight, malformed value) nothing, with the
/// reason in `error`.
std::optional<OptimiseTarget> parseTarget(const std::string& text, std::string& error);

/// Whether the optimiser knows the figure: the 30 report figures and, where
/// the image-quality figures are built in, theirs.
bool knownFigure(const std::string& name);

double variableValue(const Design& design, const OptimiseVariable& v);
/// Write the value and recompute the surface's derived values.  A conic's
/// sagittal radius follows its radius.
void setVariable(Design& design, const OptimiseVariable& v, double value);

/// The figures of a design, by name.  Holds the last analysis so that many
/// figures of one design cost one trace.
class FigureEvaluator {
  public:
    /// Trace `design` (a copy is traced; the argument is not changed) as far
    /// as the named figures need.  False when that trace fails.
    bool evaluate(const Design& design, const std::vector<std::string>& figures, MinimiseKind minimise);
    /// The figure's value from the last successful evaluate().
    double figure(const std::string& name) const;
    /// The four fields' RMS spot radii or wavefront errors from the last
    /// evaluate() with that kind.
    const std::vector<double>& minimised() const { return minimised_; }

  private:
    std::vector<std::string> names_;
    std::vector<double> values_;
    std::vector<double> minimised_;
};

/// Told after every iteration: the iteration number and the merit; false
/// asks the search to stop (the best design so far is kept, and the reason
/// is "stopped").  Called on the thread that runs optimise().
using OptimiseProgress = std::function<bool(int iteration, double merit)>;

struct OptimiseResult {
    /// Every target met (see targetMet) on the final design, or, when only
    /// minimising, the merit converged.
    bool converged = false;
    std::string reason;  ///< why the search ended, for a "did not converge" message
    int iterations = 0;
    double startMerit = 0, endMerit = 0;
    std::vector<double> startValues, endValues;    ///< per variable
    std::vector<double> startFigures, endFigures;  ///< per target
    int refusedTrials = 0;                         ///< trial designs that did not trace
    /// The smallest clearance of the start and of the result, when the
    /// problem keeps the design clear (NaN otherwise).
    double startClearance = NAN, endClearance = NAN;
    Design design;  ///< the best design found
};

/// |value - target| <= 1e-6 max(1, |target|), in the figure's own unit.
bool targetMet(double value, double target);

/// Search from `start` (values outside their bounds are first clamped to
/// them).  The figures of the result are those of result.design.
OptimiseResult optimise(const Design& start, const OptimiseProblem& problem,
                        const OptimiseProgress& progress = {});

/// The merit of a design for a problem; nothing when the design does not
/// trace.  When minimising the spot, the sum over the four fields of the
/// squared RMS spot radius (um^2).
std::optional<double> meritOf(const Design& design, const OptimiseProblem& problem);

}  // namespace orvelin
