#include "app/evaluation.h"

#include <atomic>

namespace orvelin {

namespace {

/// The next revision of any evaluation.
std::uint64_t nextRevision() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

}  // namespace

const DesignAnalysis& Evaluation::analysis(const Design& design) const {
    return analysis_.get(design, [this](const Design& d) {
        revision_ = nextRevision();
        return analyseDesign(d);
    });
}

const QualityViewData& Evaluation::quality(const Design& design) const {
    return quality_.get(design, [this](const Design& d) {
        revision_ = nextRevision();
        return computeQualityView(d);
    });
}

const ClearanceReport& Evaluation::clearance(const Design& design) const {
    return clearance_.get(design, [this](const Design& d) {
        revision_ = nextRevision();
        return checkClearance(d, {});
    });
}

}  // namespace orvelin
