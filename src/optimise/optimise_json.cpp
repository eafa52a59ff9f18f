#include "optimise/optimise_json.h"

#include "trace/json_values.h"

namespace orvelin {

using Json = nlohmann::ordered_json;

Json optimiseJson(const OptimiseProblem& p, const OptimiseResult& r) {
    Json j;
    j["converged"] = r.converged;
    j["iterations"] = r.iterations;
    j["merit"] = {{"start", jsonNumber(r.startMerit)}, {"end", jsonNumber(r.endMerit)}};
    j["variables"] = Json::object();
    for (std::size_t k = 0; k < p.variables.size(); ++k)
        j["variables"][p.variables[k].name()] = {{"start", jsonNumber(r.startValues[k])},
                                                 {"end", jsonNumber(r.endValues[k])}};
    j["targets"] = Json::object();
    for (std::size_t i = 0; i < p.targets.size(); ++i)
        j["targets"][p.targets[i].figure] = {{"target", jsonNumber(p.targets[i].value)},
                                             {"start", jsonNumber(r.startFigures[i])},
                                             {"end", jsonNumber(r.endFigures[i])}};
    if (p.keepClear)
        j["clearance"] = {{"margin", jsonNumber(p.clearMargin)},
                          {"start", jsonNumber(r.startClearance)},
                          {"end", jsonNumber(r.endClearance)}};
    return j;
}

}  // namespace orvelin
