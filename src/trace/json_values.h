// Values as every analysis writes them in its JSON: a number that is not
// finite as null, and a failed trace as its status and its message.
#pragma once

#include <cmath>

#include <nlohmann/json.hpp>

#include "trace/ray_trace.h"

namespace orvelin {

inline nlohmann::ordered_json jsonNumber(double v) {
    return std::isfinite(v) ? nlohmann::ordered_json(v) : nlohmann::ordered_json(nullptr);
}

inline nlohmann::ordered_json traceStatusJson(TraceStatus status) {
    return nlohmann::ordered_json{{"status", status}, {"message", traceProblemMessage(status)}};
}

}  // namespace orvelin
