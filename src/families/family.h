// New from a family: a ready unobstructed telescope of a classic tilted
// family from four numbers (aperture, f-ratio, full field, clearance margin).
//
// Each family has a first-order layout rule (power split, spacings, back
// focus) and a third-order rule for its tilts (coma cancelled between the
// mirrors, astigmatism by a toroid or a third mirror).  The primary's tilt is
// the smallest that keeps every mirror, blank and the focus out of every beam
// by the margin at the edge of the field; the other tilts follow it.  The
// optimiser (keeping the design clear) then removes what the family can
// remove, and the focal plane goes to the best-fit image.  The rules are
// written out in layoutRule() below and in the help.
#pragma once

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "design/design.h"

namespace orvelin {

enum class Family { herschelian, kutter, yolo, trischiefspiegler };

inline constexpr std::array<Family, 4> kFamilies = {Family::herschelian, Family::kutter, Family::yolo,
                                                    Family::trischiefspiegler};

/// "herschelian", "kutter", "yolo", "trischiefspiegler": the command line's words.
const char* familyWord(Family f);
/// "Herschelian", "Kutter (two-mirror Schiefspiegler)", ...: for the window.
const char* familyTitle(Family f);
std::optional<Family> familyFromWord(std::string_view word);
/// The family's layout rule in a few sentences, for --help and the help page.
const char* familyLayoutRule(Family f);

/// What the user asks for.  Lengths are in the design's unit.
struct FamilyRequest {
    Family family = Family::kutter;
    double aperture = 0;      ///< full aperture, exact in the result
    double fRatio = 0;        ///< focal ratio, met within kFamilyFRatioTolerance
    double fieldDegrees = 0;  ///< full field, as the design file's Field
    double margin = 5;        ///< least clearance of every mirror and the focus from every beam
    std::string units = "mm";
};

/// The request's values are usable (aperture and f-ratio above 0, field and
/// margin at least 0 and finite, units "mm" or "inches"); otherwise the
/// reason.
std::optional<std::string> familyRequestProblem(const FamilyRequest& r);

/// The criteria a result must meet.
inline constexpr double kFamilyFRatioTolerance = 0.02;  ///< relative
inline constexpr double kFamilyAxisStrehl = 0.8;
inline constexpr double kFamilyEdgeStrehl = 0.5;

/// Image quality of one of the four fields (center, minus, plus, sagittal).
struct FamilyFieldFigures {
    double strehl = 0;
    double rmsSpot = 0;       ///< um
    double rmsWavefront = 0;  ///< waves
};

struct FamilyResult {
    /// Every criterion met: the design may be taken.
    bool ok = false;
    /// Why not, when !ok: the criterion missed and what the family can reach.
    std::string reason;
    /// The design (also when !ok, for a preview), titled "(New Design)".
    Design design;
    bool traced = false;  ///< the figures below mean anything
    double fRatio = 0;    ///< the report's F/ratio
    double focalLength = 0;
    double backFocus = 0;  ///< last mirror to the focal plane
    double minClearance = 0;
    std::array<FamilyFieldFigures, 4> fields{};  ///< in the quality's field order
    int iterations = 0;                          ///< of the optimiser
};

/// Lay out, tilt, optimise and judge.  The request must have no problem
/// (familyRequestProblem).
FamilyResult designFamily(const FamilyRequest& request);

/// The result's key figures as the command line prints them (and the
/// window shows them): f-ratio, focal length, back focus, the smallest
/// clearance, then Strehl, RMS spot and RMS wavefront per field, one line
/// each.  `units` names the lengths' unit.
std::string familyFiguresText(const FamilyResult& result, const std::string& units);

/// The result's figures as the command line's --json gives them.
nlohmann::ordered_json familyJson(const FamilyRequest& request, const FamilyResult& result);

}  // namespace orvelin
