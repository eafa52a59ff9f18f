#include "quality/quality_json.h"

#include "trace/json_values.h"

namespace orvelin {

using Json = nlohmann::ordered_json;

Json fieldQualityJson(const FieldQuality& q) {
    Json f;
    if (q.status != kTraceOk) {
        f = traceStatusJson(q.status);
        f["missed"] = q.missed;
        f["rays"] = q.rays;
        return f;
    }
    f["rmsSpot"] = q.rmsSpot;
    f["rmsSpotChief"] = q.rmsSpotChief;
    f["geoSpot"] = q.geoSpot;
    f["centroid"] = Json::array({q.centroidX, q.centroidY});
    f["rmsWavefront"] = q.rmsWavefront;
    f["rmsWavefrontBestFocus"] = q.rmsWavefrontBestFocus;
    f["strehl"] = q.strehl;
    f["airyRadius"] = q.airyRadius;
    f["diffractionLimited"] = q.diffractionLimited;
    f["bestFocus"] = Json{{"shift", q.bestFocusShift}, {"rmsSpot", q.bestFocusRmsSpot}};
    f["missed"] = q.missed;
    f["rays"] = q.rays;
    return f;
}

Json qualityJson(const QualityReport& r, std::span<const QualityField> fields) {
    Json out;
    out["wavelength_um"] = r.wavelengthMicrons;
    out["strehlMethod"] = kStrehlMethod;
    out["diffractionLimitedRule"] = "strehl >= 0.8";
    Json& f = out["fields"] = Json::object();
    for (QualityField field : fields) f[qualityFieldName(field)] = fieldQualityJson(r.field(field));
    return out;
}

}  // namespace orvelin
