#include "optimise/optimise_json.h"

#include <cmath>

namespace orvelin {

namespace {

using Json = nlohmann::ordered_json;

Json number(double v) {
    return std::isfinite(v) ? Json(v) : Json(nullptr);
}

}  // namespace

Json optimiseJson(const OptimiseProblem& p, const OptimiseResult& r) {
    Json j;
    j["converged"] = r.converged;
    j["iterations"] = r.iterations;
    j["merit"] = {{"start", number(r.startMerit)}, {"end", number(r.endMerit)}};
    j["variables"] = Json::object();
    for (std::size_t k = 0; k < p.variables.size(); ++k)
        j["variables"][p.variables[k].name()] = {{"start", number(r.startValues[k])},
                                                 {"end", number(r.endValues[k])}};
    j["targets"] = Json::object();
    for (std::size_t i = 0; i < p.targets.size(); ++i)
        j["targets"][p.targets[i].figure] = {{"target", number(p.targets[i].value)},
                                             {"start", number(r.startFigures[i])},
                                             {"end", number(r.endFigures[i])}};
    if (p.keepClear)
        j["clearance"] = {{"margin", number(p.clearMargin)},
                          {"start", number(r.startClearance)},
                          {"end", number(r.endClearance)}};
    return j;
}

}  // namespace orvelin
