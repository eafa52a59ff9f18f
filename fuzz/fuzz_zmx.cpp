// The .zmx reader and importer on arbitrary bytes.  A file is either refused
// with a reason, or it gives a design of 1 to 21 surfaces whose values are
// finite; such a design exports and imports back to itself, and its export
// reads the same in every encoding a .zmx file may come in.
#include <cmath>
#include <string>

#include "exchange/zmx_export.h"
#include "exchange/zmx_import.h"
#include "fuzz_common.h"

using namespace orvelin;
using namespace orvelin::exchange;

namespace {

bool near(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(a));
}

bool sameDesign(const Design& a, const Design& b) {
    if (a.surfaceCount != b.surfaceCount || a.units != b.units || !near(a.aperture, b.aperture) ||
        !near(a.fieldSemiAngle, b.fieldSemiAngle))
        return false;
    for (int i = 1; i <= a.surfaceCount; ++i) {
        const Surface &p = a.surfaces[i], &q = b.surfaces[i];
        if (p.kind != q.kind || !near(p.radius, q.radius) || !near(p.sagRadius, q.sagRadius) ||
            !near(p.conic, q.conic) || !near(p.tilt, q.tilt) ||
            (i < a.surfaceCount && !near(p.separation, q.separation)))
            return false;
    }
    return true;
}

std::string asUtf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += c, out += '\0';
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::asText(data, size);
    const ZmxImportResult r = importZmxText(bytes, "fuzz");
    fuzz::require(importZmxText(bytes, "fuzz").status == r.status, "the same bytes read the same way");
    if (!r.accepted()) {
        fuzz::require(!r.message.empty(), "a refusal says why");
        return 0;
    }
    const Design& d = r.design;
    fuzz::require(d.surfaceCount >= 1 && d.surfaceCount <= kMaxSurfaces, "1 to 21 surfaces");
    fuzz::require(fuzz::enteredValuesFinite(d), "every entered value is finite");
    fuzz::require(r.status == ZmxImportStatus::ok || !r.warnings.empty(), "warnings come with their texts");

    const std::string text = formatZmx(d);
    const ZmxImportResult back = importZmxText(text, "fuzz");
    fuzz::require(back.accepted(), "an export reads back");
    fuzz::require(sameDesign(d, back.design), "an export reads back to the same design");
    fuzz::require(bitIdentical(back.design, importZmxText(asUtf16(text), "fuzz").design),
                  "UTF-16 reads like ASCII");
    (void)formatDesign(d, 0);
    return 0;
}
