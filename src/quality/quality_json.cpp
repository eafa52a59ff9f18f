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
    for (const QualityFigureRow& row : qualityFigureRows()) {
        Json& value = f[Json::json_pointer(row.json)];
        const double v = row.get(q);
        switch (row.jsonKind) {
            case QualityJsonKind::number:
                value = v;
                break;
            case QualityJsonKind::integer:
                value = static_cast<long long>(v);
                break;
            case QualityJsonKind::boolean:
                value = v != 0;
                break;
        }
    }
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
