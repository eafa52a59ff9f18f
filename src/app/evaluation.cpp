#include "app/evaluation.h"

namespace orvelin {

const QualityViewData& Evaluation::quality(const Design& design) {
    return quality_.get(design, [](const Design& d) { return computeQualityView(d); });
}

const ClearanceReport& Evaluation::clearance(const Design& design) {
    return clearance_.get(design, [](const Design& d) { return checkClearance(d, {}); });
}

}  // namespace orvelin
