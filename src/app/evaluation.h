// What the program knows of the design it shows: every analysis a view
// draws, computed on first use and kept until the design changes.  A
// repaint, a second visit to a view or a key that only changes how a view
// draws reads what is kept and computes nothing.  Every result is keyed on
// the design it was computed from, bit for bit, so none can outlive a
// change, whichever path the change took.
#pragma once

#include <cstdint>

#include "aberrations/aberration_views.h"
#include "clearance/clearance.h"
#include "design/kept_result.h"
#include "diffraction/diffraction_view.h"
#include "quality/quality_view.h"
#include "trace/layout.h"

namespace orvelin {

class Evaluation {
  public:
    /// Whether the design traces, its figures and its layout: what the
    /// design view draws and what the commands ask before they run.
    const DesignAnalysis& analysis(const Design& design) const;
    /// The image-quality view's figures and spots.
    const QualityViewData& quality(const Design& design) const;
    /// The clearance of every beam with the view's (default) options.
    const ClearanceReport& clearance(const Design& design) const;
    /// The aberration plots, each kept on its own.
    const AberrationViewCache& aberrations() const { return aberrations_; }
    /// The diffraction image.
    const DiffractionViewCache& diffraction() const { return diffraction_; }

    /// How often the analysis, the quality and the clearance were computed
    /// (for the tests that show a repaint computes nothing).
    int computations() const {
        return analysis_.computations() + quality_.computations() + clearance_.computations();
    }
    /// Changes whenever the analysis, the quality or the clearance is
    /// computed afresh, and never comes back in the process (not for another
    /// evaluation either): a picture drawn from them at one revision is
    /// still right at the same.
    std::uint64_t revision() const { return revision_; }

  private:
    KeptResult<DesignAnalysis> analysis_;
    KeptResult<QualityViewData> quality_;
    KeptResult<ClearanceReport> clearance_;
    AberrationViewCache aberrations_;
    DiffractionViewCache diffraction_;
    mutable std::uint64_t revision_ = 0;
};

}  // namespace orvelin
