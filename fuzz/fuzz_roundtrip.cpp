// Load, write and load again: the second load gives the same entered values
// as the first, to the seven significant digits the file keeps, and is
// itself a fixed point (writing it again gives the same text).
#include <algorithm>
#include <cmath>
#include <string>

#include "fuzz_common.h"

using namespace orvelin;

namespace {

// "%- .7g" keeps seven significant digits: a relative error of at most half
// a unit in the seventh digit; subnormal numbers keep fewer.
bool sameToSevenDigits(double a, double b) {
    if (a == b) return true;
    return std::fabs(a - b) <= 1e-6 * std::max(std::fabs(a), std::fabs(b)) + 1e-300;
}

void requireClose(double a, double b, const char* what) {
    fuzz::require(sameToSevenDigits(a, b), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Design first;
    if (!fuzz::checkedLoad(first, fuzz::asText(data, size), "fuzz.ov").accepted()) return 0;

    const std::string text = formatDesign(first, 4.5);
    Design second = fuzz::startingDesign();
    const LoadResult r = fuzz::checkedLoad(second, text, "fuzz.ov");
    fuzz::require(r.status == LoadStatus::ok, "a written design reads back without damage");

    const int n = first.surfaceCount;
    fuzz::require(second.surfaceCount == n, "the surface count survives");
    fuzz::require(second.units == first.units, "the units survive");
    requireClose(first.aperture, second.aperture, "the aperture survives");
    requireClose(first.fieldSemiAngle, second.fieldSemiAngle, "the field angle survives");
    for (int i = 1; i <= n; ++i) {
        fuzz::require(second.surfaces[i].kind == first.surfaces[i].kind, "the kind survives");
        requireClose(first.surfaces[i].radius, second.surfaces[i].radius, "the radius survives");
        requireClose(first.surfaces[i].tilt, second.surfaces[i].tilt, "the tilt survives");
        if (i < n)
            requireClose(first.surfaces[i].separation, second.surfaces[i].separation,
                         "the separation survives");
        if (first.surfaces[i].kind == kConic)
            requireClose(first.surfaces[i].conic, second.surfaces[i].conic, "the conic constant survives");
        else if (first.surfaces[i].kind == kToroid)
            requireClose(first.surfaces[i].sagRadius, second.surfaces[i].sagRadius,
                         "the sagittal radius survives");
        else  // a "duplicate" kind: written from the sagittal radius, read into the conic
            requireClose(first.surfaces[i].sagRadius, second.surfaces[i].conic,
                         "a duplicate's second value survives");
    }

    // One more round changes nothing at all.
    const std::string text2 = formatDesign(second, 4.5);
    Design third;
    fuzz::require(fuzz::checkedLoad(third, text2, "fuzz.ov").status == LoadStatus::ok,
                  "a rewritten design reads back without damage");
    // A "duplicate" kind is the exception: its second value is written from
    // the sagittal radius and read into the conic constant, so it moves on
    // every round.
    bool duplicates = false;
    for (int i = 1; i <= n; ++i)
        duplicates = duplicates || (second.surfaces[i].kind != kConic && second.surfaces[i].kind != kToroid);
    fuzz::require(duplicates || formatDesign(third, 4.5) == text2,
                  "writing a read design again gives the same text");
    for (int i = 1; i <= n; ++i) {
        const bool duplicate = second.surfaces[i].kind != kConic && second.surfaces[i].kind != kToroid;
        fuzz::require(third.surfaces[i].radius == second.surfaces[i].radius &&
                          third.surfaces[i].tilt == second.surfaces[i].tilt &&
                          third.surfaces[i].kind == second.surfaces[i].kind,
                      "the second round is exact");
        fuzz::require(duplicate || (third.surfaces[i].conic == second.surfaces[i].conic &&
                                    third.surfaces[i].sagRadius == second.surfaces[i].sagRadius),
                      "the second round is exact");
        if (i < n)
            fuzz::require(third.surfaces[i].separation == second.surfaces[i].separation,
                          "the second round is exact");
    }
    fuzz::require(third.aperture == second.aperture && third.fieldSemiAngle == second.fieldSemiAngle,
                  "the second round is exact");
    return 0;
}
