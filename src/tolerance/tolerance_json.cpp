#include "tolerance/tolerance_json.h"

#include <cmath>

#include "trace/json_values.h"

namespace orvelin {

namespace {

using Json = nlohmann::ordered_json;

/// Each compensator's value and its shift from the nominal design's.
Json compensatorsJson(const ToleranceResult& r, const std::vector<double>& values) {
    Json j = Json::object();
    for (std::size_t i = 0; i < r.compensatorNames.size() && i < values.size(); ++i)
        j[r.compensatorNames[i]] = {{"value", jsonNumber(values[i])},
                                    {"shift", jsonNumber(values[i] - r.nominal.compensators[i])}};
    return j;
}

Json endJson(const ToleranceResult& r, const CompensatedValue& v) {
    Json j;
    j["value"] = v.traced ? jsonNumber(v.value) : Json(nullptr);
    j["change"] = v.traced ? jsonNumber(v.value - r.nominal.value) : Json(nullptr);
    j["compensators"] = v.traced ? compensatorsJson(r, v.compensators) : Json::object();
    return j;
}

}  // namespace

nlohmann::ordered_json toleranceJson(const ToleranceResult& r) {
    Json j;
    const ToleranceOptions& o = r.options;
    j["criterion"] = o.criterion.name;
    j["nominal"] = jsonNumber(r.nominal.value);
    j["compensation"] = compensationName(o.compensation);
    Json nominalComp = Json::object();
    for (std::size_t i = 0; i < r.compensatorNames.size() && i < r.nominal.compensators.size(); ++i)
        nominalComp[r.compensatorNames[i]] = {{"value", jsonNumber(r.nominal.compensators[i])},
                                              {"design", jsonNumber(r.designCompensators[i])}};
    j["nominalCompensators"] = nominalComp;
    if (o.threshold) j["threshold"] = jsonNumber(*o.threshold);
    Json rows = Json::array();
    for (const SensitivityRow& row : r.sensitivity)
        rows.push_back({{"tolerance", row.tolerance.name()},
                        {"plusMinus", jsonNumber(row.span)},
                        {"minus", endJson(r, row.minus)},
                        {"plus", endJson(r, row.plus)}});
    j["sensitivity"] = rows;
    if (r.montecarlo) {
        const MonteCarloResult& m = *r.montecarlo;
        Json mc;
        mc["trials"] = m.trials;
        mc["failed"] = m.failed;
        mc["distribution"] = o.distribution == Distribution::normal ? "normal" : "uniform";
        mc["seed"] = o.seed;
        mc["mean"] = jsonNumber(m.mean);
        mc["std"] = jsonNumber(m.std);
        mc["p50"] = jsonNumber(m.p50);
        mc["p90"] = jsonNumber(m.p90);
        mc["p98"] = jsonNumber(m.p98);
        if (m.yield) mc["yield"] = jsonNumber(*m.yield);
        if (m.worstTrial >= 0) {
            Json offsets = Json::object();
            for (std::size_t t = 0; t < o.tolerances.size() && t < m.worstOffsets.size(); ++t)
                offsets[o.tolerances[t].name()] = jsonNumber(m.worstOffsets[t]);
            const auto& v = m.values[m.worstTrial];
            mc["worst"] = {{"trial", m.worstTrial},
                           {"value", v ? jsonNumber(*v) : Json(nullptr)},
                           {"offsets", offsets},
                           {"compensators", compensatorsJson(r, m.worstCompensators)}};
        }
        Json values = Json::array();
        for (const auto& v : m.values) values.push_back(v ? jsonNumber(*v) : Json(nullptr));
        mc["values"] = values;
        j["montecarlo"] = mc;
    }
    return j;
}

}  // namespace orvelin
