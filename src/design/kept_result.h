// One analysis result kept for the design it was computed from: asked again
// for the same design (every value bit for bit, its title and units too), it
// is given back without computing; any change computes it afresh.  What a
// view shows is kept this way, so a repaint only draws.  Asking is const:
// the result is what the design determines, computed now or earlier.
#pragma once

#include <optional>

#include "design/design.h"

namespace orvelin {

/// The design a result was computed from, for every value, title and units.
inline bool sameDesignForResults(const Design& a, const Design& b) {
    return bitIdentical(a, b) && a.units == b.units && a.designTitle == b.designTitle;
}

template <class Result>
class KeptResult {
  public:
    /// The result for `design`, from `compute(design)` when it is not kept.
    template <class Compute>
    const Result& get(const Design& design, Compute compute) const {
        if (!design_ || !sameDesignForResults(*design_, design)) {
            result_ = compute(design);
            design_ = design;
            ++computations_;
        }
        return result_;
    }
    /// How often the result was computed: once per change of the design.
    int computations() const { return computations_; }

  private:
    mutable std::optional<Design> design_;
    mutable Result result_{};
    mutable int computations_ = 0;
};

}  // namespace orvelin
