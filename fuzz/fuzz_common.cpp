#include "fuzz_common.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvelin::fuzz {

void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

Design startingDesign() {
    Design d;
    d.surfaceCount = 3;
    d.units = "mm";
    d.aperture = 200;
    d.fieldSemiAngle = 0.25;
    const double radius[] = {0, -2000, -600, 0};
    const double separation[] = {0, -700, 800, 0};
    for (int i = 1; i <= 3; ++i) {
        d.radius[i] = d.sagRadius[i] = radius[i];
        d.separation[i] = separation[i];
        d.conic[i] = i == 1 ? 1 : 0;
    }
    initMediumSigns(d);
    for (int i = 1; i <= 3; ++i) recomputeSurface(d, i);
    recomputeAperture(d);
    recomputeField(d);
    d.designTitle = "before";
    return d;
}

bool enteredValuesFinite(const Design& d) {
    if (!std::isfinite(d.aperture) || !std::isfinite(d.fieldSemiAngle)) return false;
    const int n = d.surfaceCount < 0 ? 0 : (d.surfaceCount > kMaxSurfaces ? kMaxSurfaces : d.surfaceCount);
    for (int i = 1; i <= n; ++i) {
        for (double v : {d.radius[i], d.sagRadius[i], d.conic[i], d.tilt[i]})
            if (!std::isfinite(v)) return false;
        if (i < n && !std::isfinite(d.separation[i])) return false;
    }
    return true;
}

namespace {
bool sameBits(const double* a, const double* b, int count) {
    return std::memcmp(a, b, sizeof(double) * static_cast<size_t>(count)) == 0;
}
}  // namespace

bool identical(const Design& a, const Design& b) {
    const double sa[] = {a.aperture, a.semiAperture, a.fieldSemiAngle, a.sinField, a.cosField};
    const double sb[] = {b.aperture, b.semiAperture, b.fieldSemiAngle, b.sinField, b.cosField};
    return a.surfaceCount == b.surfaceCount && a.units == b.units && a.designTitle == b.designTitle &&
           sameBits(sa, sb, 5) && std::memcmp(a.kind, b.kind, sizeof a.kind) == 0 &&
           sameBits(a.radius, b.radius, kSurfaceSlots) && sameBits(a.sagRadius, b.sagRadius, kSurfaceSlots) &&
           sameBits(a.conic, b.conic, kSurfaceSlots) && sameBits(a.tilt, b.tilt, kSurfaceSlots) &&
           sameBits(a.separation, b.separation, kSurfaceSlots) &&
           sameBits(a.mediumSign, b.mediumSign, kSignSlots) &&
           sameBits(a.signedRadius, b.signedRadius, kSurfaceSlots) &&
           sameBits(a.signedSagRadius, b.signedSagRadius, kSurfaceSlots) &&
           sameBits(a.curvature, b.curvature, kSurfaceSlots) &&
           sameBits(a.sagCurvature, b.sagCurvature, kSurfaceSlots) &&
           sameBits(a.oneMinusConic, b.oneMinusConic, kSurfaceSlots) &&
           sameBits(a.signedSeparation, b.signedSeparation, kSurfaceSlots) &&
           sameBits(a.sinTilt, b.sinTilt, kSurfaceSlots) && sameBits(a.cosTilt, b.cosTilt, kSurfaceSlots);
}

LoadResult checkedLoad(Design& design, const std::string& text, const char* fileTitle) {
    const Design before = design;
    const LoadResult r = loadDesignFromText(design, text, fileTitle);
    require(r.oldSurfaceCount == before.surfaceCount, "the old surface count is reported");
    if (!r.accepted()) {
        require(!r.message.empty(), "a refused file says why");
        require(identical(design, before), "a refused file leaves the design untouched");
        return r;
    }
    require(design.surfaceCount >= 1 && design.surfaceCount <= kMaxSurfaces, "1 to 21 surfaces");
    require(enteredValuesFinite(design), "every entered value is finite");
    if (r.status == LoadStatus::damaged) {
        require(!r.message.empty(), "a damaged file says where");
        require(r.damagedLine >= 1, "a damaged file names a line");
    }
    // The same text always loads the same way.
    Design again = before;
    const LoadResult r2 = loadDesignFromText(again, text, fileTitle);
    require(r2.status == r.status && r2.message == r.message, "a load is repeatable");
    require(identical(again, design), "a load is repeatable");
    return r;
}

}  // namespace orvelin::fuzz
