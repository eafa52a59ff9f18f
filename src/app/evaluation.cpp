#include "app/evaluation.h"

namespace orvelin {

const DesignAnalysis& Evaluation::analysis(const Design& design) const {
    return analysis_.get(design, [](const Design& d) { return analyseDesign(d); });
}

const QualityViewData& Evaluation::quality(const Design& design) const {
    return quality_.get(design, [](const Design& d) { return computeQualityView(d); });
}

const ClearanceReport& Evaluation::clearance(const Design& design) const {
    return clearance_.get(design, [](const Design& d) { return checkClearance(d, {}); });
}

}  // namespace orvelin
