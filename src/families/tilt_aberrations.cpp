#include "families/tilt_aberrations.h"

namespace orvelin {

TiltAberrations tiltAberrations(const std::vector<ThinMirror>& mirrors, double h) {
    TiltAberrations t;
    double y = h, u = 0, n = 1;
    for (std::size_t i = 0; i < mirrors.size(); ++i) {
        const double p = mirrors[i].radius != 0 ? 2 / mirrors[i].radius : 0;
        t.height.push_back(y);
        t.coma.push_back(-(u - p * y / 2) * p * y * y * n);
        t.astig.push_back(p * y * y);
        u -= y * p;
        if (i + 1 < mirrors.size()) y += mirrors[i].separation * u;
        n = -n;
    }
    // The unfolded chain ends in a converging slope u: the focus lies y / -u
    // beyond the last mirror, and the focal length is h / -u.
    if (u != 0) {
        t.focalLength = -h / u;
        t.backFocus = -y / u;
    }
    return t;
}

}  // namespace orvelin
