// Tolerances: how precisely each mirror must be made and placed.
//
// A tolerance moves one entered value of one mirror (radius, sagittal radius
// of a toroid, conic constant, tilt, separation to the next surface) to the
// ends of a band, design value - V .. design value + V.  Every perturbed
// design is refocused as a user would (the compensators: the focal plane's
// distance, and with a tilting focuser its tilt too) and then judged by one
// image-quality figure, the criterion.
//
// The sensitivity moves each value alone to both ends; the Monte-Carlo
// analysis builds many telescopes with every value drawn at random within
// its band and gives the criterion's statistics and the share of telescopes
// that meet a threshold.  Each trial's values come from the seed and the
// trial's number alone, so a run gives the same figures on any number of
// cores.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "design/design.h"
#include "quality/field_rays.h"

namespace orvelin {

enum class ToleranceKind { radius, sagradius, conic, tilt, sep };

struct Tolerance {
    ToleranceKind kind = ToleranceKind::tilt;
    int mirror = 1;
    double amount = 0;     ///< V as written: design units, degrees, or percent
    bool percent = false;  ///< V is a percentage of the radius
    /// "tilt:2".
    std::string name() const;
    /// "tilt:2=±0.05", as it is read.
    std::string text() const;
};

/// The half width of the band in the value's own unit (a percentage taken
/// of the design's radius).
double toleranceSpan(const Design& design, const Tolerance& t);

/// Read "KIND:K=±V" (also "+-V") for `design` and add it to `into`, or the
/// tolerances of every mirror the kind applies to when K is `*`.  A
/// tolerance of a value already in the list replaces it, so that a later
/// one overrides a default.  On a bad text (unknown kind, a mirror out of
/// range or without that value, a negative or non-finite V, a malformed
/// number) false, with the reason in `error`.
bool parseTolerance(const std::string& text, const Design& design, std::vector<Tolerance>& into,
                    std::string& error);

/// The stated default set, as text, for help and the window.
inline constexpr const char* kDefaultTolerancesHelp =
    "radius:*=±0.1%, sagradius:*=±0.1% (toroids), conic:*=±0.02 (curved mirrors that are not toroids), "
    "tilt:*=±0.02 (degrees), sep:*=±0.2 mm (±0.008 inch)";
/// The default set for a design: the texts above, each kind of value of
/// every mirror that has it (flat mirrors have no radius or conic
/// tolerance).
std::vector<std::string> defaultToleranceTexts(const Design& design);

/// What is re-solved for every perturbed design.
enum class Compensation { none, focus, focusTilt };
/// "none", "focus" or "focus,tilt".
std::optional<Compensation> parseCompensation(const std::string& text);
const char* compensationName(Compensation c);

/// The image figures a tolerance analysis can judge by.
enum class CriterionFigure { rmsSpot, rmsWavefront, strehl };

/// One field's figure ("quality.center.rmsSpot") or the worst over the four
/// fields ("worst.strehl").
struct Criterion {
    std::string name = "worst.strehl";
    bool worst = true;
    QualityField field = QualityField::center;
    CriterionFigure figure = CriterionFigure::strehl;
    /// A Strehl ratio must be at least a threshold; spot and wavefront
    /// errors at most.
    bool higherIsBetter() const { return figure == CriterionFigure::strehl; }
};
std::optional<Criterion> parseCriterion(const std::string& text, std::string& error);

enum class Distribution { uniform, normal };

/// Most Monte-Carlo trials a run may ask for.
inline constexpr int kMaxToleranceTrials = 1000000;

struct ToleranceOptions {
    std::vector<Tolerance> tolerances;
    Compensation compensation = Compensation::focus;
    Criterion criterion;
    std::optional<double> threshold;
    int trials = 0;  ///< 0: the sensitivity only
    std::uint64_t seed = 1;
    Distribution distribution = Distribution::uniform;
};

/// Why options cannot be run (empty when they can): no tolerances, a
/// trial count out of range, a non-finite threshold.
std::string checkToleranceOptions(const ToleranceOptions& options);

/// Told of the work as it goes, from any thread; cancelled() is asked as
/// often, and a true answer stops the run within one design's work.
class ToleranceProgress {
  public:
    virtual ~ToleranceProgress() = default;
    virtual void advanced(int done, int total) = 0;
    virtual bool cancelled() const = 0;
};

/// One perturbed design, refocused and judged.
struct CompensatedValue {
    bool traced = false;
    double value = 0;                  ///< the criterion
    std::vector<double> compensators;  ///< their values, as the design holds them
};

struct SensitivityRow {
    Tolerance tolerance;
    double span = 0;  ///< V in the value's own unit
    CompensatedValue minus, plus;
    /// How much worse the criterion gets at the worse end (infinite when an
    /// end does not trace); the rows are sorted on it, largest first.
    double damage = 0;
};

struct MonteCarloResult {
    int trials = 0;
    int failed = 0;  ///< trials whose design did not trace
    double mean = 0, std = 0;
    /// The value that 50, 90, 98 % of the trials meet (at least it for a
    /// Strehl ratio, at most for the others); a failed trial meets none, so
    /// a point that falls among them has none (NaN).
    double p50 = 0, p90 = 0, p98 = 0;
    std::optional<double> yield;                ///< with a threshold: share of trials meeting it
    std::vector<std::optional<double>> values;  ///< each trial's criterion, in trial order
    int worstTrial = -1;                        ///< a failed trial first, else the worst value
    std::vector<double> worstOffsets;           ///< its offset of every tolerance's value
    std::vector<double> worstCompensators;
};

enum class ToleranceStatus { ok, nominalFailed, cancelled };

struct ToleranceResult {
    ToleranceStatus status = ToleranceStatus::ok;
    TraceStatus traceStatus = kTraceOk;  ///< why the nominal design failed, when it did
    ToleranceOptions options;
    std::vector<std::string> compensatorNames;  ///< "sep:2", "tilt:3"
    std::vector<double> designCompensators;     ///< their values in the design as given
    CompensatedValue nominal;                   ///< the design itself, refocused
    std::vector<SensitivityRow> sensitivity;
    std::optional<MonteCarloResult> montecarlo;
};

/// The sensitivity and, with trials, the Monte-Carlo analysis.  The design
/// is not changed: every perturbed design is a copy.  Runs on every core.
ToleranceResult computeTolerances(const Design& design, const ToleranceOptions& options,
                                  ToleranceProgress* progress = nullptr);

/// The offset of every tolerance's value in one Monte-Carlo trial: a
/// function of the seed and the trial's number alone.
std::vector<double> trialOffsets(const ToleranceOptions& options, const std::vector<double>& spans,
                                 int trial);

/// One design perturbed by `offsets` (one per tolerance), refocused and
/// judged, as every analysis does it.  `start` holds the compensators'
/// start values.
CompensatedValue compensatedCriterion(const Design& design, const ToleranceOptions& options,
                                      const std::vector<double>& offsets, const std::vector<double>& start);

}  // namespace orvelin
