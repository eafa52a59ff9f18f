#include "clearance/clearance_json.h"

namespace orvelin {

nlohmann::ordered_json clearanceJson(const ClearanceReport& report) {
    nlohmann::ordered_json out;
    out["clear"] = report.clear;
    out["minClearance"] = report.minClearance;
    out["pairs"] = nlohmann::ordered_json::array();
    for (const ClearancePair& p : report.pairs)
        out["pairs"].push_back(
            {{"space", clearanceSpaceName(p.space)}, {"surface", p.surface}, {"clearance", p.clearance}});
    return out;
}

}  // namespace orvelin
