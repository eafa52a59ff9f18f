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
        d.surfaces[i].radius = d.surfaces[i].sagRadius = radius[i];
        d.surfaces[i].separation = separation[i];
        d.surfaces[i].conic = i == 1 ? 1 : 0;
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
        for (double v :
             {d.surfaces[i].radius, d.surfaces[i].sagRadius, d.surfaces[i].conic, d.surfaces[i].tilt})
            if (!std::isfinite(v)) return false;
        if (i < n && !std::isfinite(d.surfaces[i].separation)) return false;
    }
    return true;
}

LoadResult checkedLoad(Design& design, const std::string& text, const char* fileTitle) {
    const Design before = design;
    const LoadResult r = loadDesignFromText(design, text, fileTitle);
    require(r.oldSurfaceCount == before.surfaceCount, "the old surface count is reported");
    if (!r.accepted()) {
        require(!r.message.empty(), "a refused file says why");
        require(bitIdentical(design, before), "a refused file leaves the design untouched");
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
    require(bitIdentical(again, design), "a load is repeatable");
    return r;
}

}  // namespace orvelin::fuzz
