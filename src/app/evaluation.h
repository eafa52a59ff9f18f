// What the program knows of the design it shows: every analysis a view
// draws, computed on first use and kept until the design changes.  A
// repaint, a second visit to a view or a key that only changes how a view
// draws reads what is kept and computes nothing.
#pragma once

#include <cstdint>

#include "aberrations/aberration_views.h"
#include "clearance/clearance.h"
#include "design/kept_result.h"
#include "diffraction/diffraction_view.h"
#include "quality/quality_view.h"

namespace orvelin {

class Evaluation {
  public:
    /// The image-quality view's figures and spots.
    const QualityViewData& quality(const Design& design);
    /// The clearance of every beam with the view's (default) options.
    const ClearanceReport& clearance(const Design& design);
    /// The aberration plots, each kept on its own.
    AberrationViewCache& aberrations() { return aberrations_; }
    /// The diffraction image.
    DiffractionViewCache& diffraction() { return diffraction_; }

    /// How often the quality and the clearance were computed (for the
    /// tests that show a repaint computes nothing).
    int computations() const { return quality_.computations() + clearance_.computations(); }
    /// Changes whenever the quality or the clearance is computed afresh, and
    /// never comes back in the process (not for another evaluation either):
    /// a picture drawn from them at one revision is still right at the same.
    std::uint64_t revision() const { return revision_; }

  private:
    KeptResult<QualityViewData> quality_;
    KeptResult<ClearanceReport> clearance_;
    AberrationViewCache aberrations_;
    DiffractionViewCache diffraction_;
    std::uint64_t revision_ = 0;
};

}  // namespace orvelin
