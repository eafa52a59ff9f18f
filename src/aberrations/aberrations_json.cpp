#include "aberrations/aberrations_json.h"

#include <cmath>
#include <cstdio>

#include "trace/json_values.h"

namespace orvelin {

namespace {

using Json = nlohmann::ordered_json;

/// A figure, or null for a gap.
Json numbers(const std::vector<double>& v) {
    Json a = Json::array();
    for (double x : v) a.push_back(jsonNumber(x));
    return a;
}

void addSweep(Json& j, const FieldSweep& s) {
    Json field = Json::array(), t = Json::array(), sg = Json::array(), d = Json::array(), st = Json::array();
    for (const FieldCurvePoint& p : s.points) {
        field.push_back(p.field);
        t.push_back(jsonNumber(p.tangentialFocus));
        sg.push_back(jsonNumber(p.sagittalFocus));
        d.push_back(jsonNumber(p.distortion));
        st.push_back(p.status);
    }
    j["field"] = field;
    j["tangentialFocus"] = t;
    j["sagittalFocus"] = sg;
    j["distortion"] = d;
    j["status"] = st;
    j["focalLength"] = jsonNumber(s.focalLength);
}

/// A number for a CSV cell: full precision, empty for a gap.
std::string cell(double v) {
    if (!std::isfinite(v)) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

}  // namespace

nlohmann::ordered_json fansJson(const FanResult& r) {
    Json out;
    out["wavelength_um"] = r.wavelengthMicrons;
    Json& fields = out["fields"] = Json::object();
    for (const FieldFans& f : r.fields) {
        if (f.status != kTraceOk) {
            fields[qualityFieldName(f.field)] = traceStatusJson(f.status);
            continue;
        }
        Json j;
        j["pupil"] = r.pupil;
        for (const auto& [name, fan] :
             {std::pair{"tangential", &f.tangential}, std::pair{"sagittal", &f.sagittal}})
            j[name] = Json{{"ex", numbers(fan->ex)},
                           {"ey", numbers(fan->ey)},
                           {"opd", numbers(fan->opd)},
                           {"status", fan->status}};
        j["missed"] = f.missed;
        fields[qualityFieldName(f.field)] = j;
    }
    return out;
}

nlohmann::ordered_json fieldCurvesJson(const FieldCurvesResult& r) {
    Json out;
    out["units"] = r.units;
    out["fieldSemiAngle"] = r.fieldDegrees;
    addSweep(out, r.tangential);
    addSweep(out["sagittalSweep"], r.sagittal);
    out["focalPlaneTilt"] = Json{{"tangential", jsonNumber(r.tiltTangential)},
                                 {"sagittal", jsonNumber(r.tiltSagittal)},
                                 {"bestFit", jsonNumber(r.tiltBestFit)}};
    return out;
}

nlohmann::ordered_json fieldMapJson(const FieldMapResult& r) {
    Json out;
    out["grid"] = r.grid;
    out["fieldSemiAngle"] = r.fieldDegrees;
    out["wavelength_um"] = r.wavelengthMicrons;
    Json points = Json::array();
    for (const FieldMapPoint& p : r.points) {
        Json j;
        j["field"] = Json::array({p.field.tangential, p.field.sagittal});
        const FieldQuality& q = p.quality;
        if (q.status != kTraceOk) {
            j["rmsSpot"] = nullptr;
            j["strehl"] = nullptr;
            j.update(traceStatusJson(q.status));
        } else {
            j["rmsSpot"] = q.rmsSpot;
            j["strehl"] = q.strehl;
            j["rmsWavefront"] = q.rmsWavefront;
        }
        points.push_back(j);
    }
    out["points"] = points;
    return out;
}

nlohmann::ordered_json throughFocusJson(const ThroughFocusResult& r) {
    Json out;
    out["field"] = qualityFieldName(r.field);
    if (r.status != kTraceOk) {
        out.update(traceStatusJson(r.status));
        out["spots"] = Json::array();
        return out;
    }
    out["step"] = r.step;
    out["workingFRatio"] = r.workingFRatio;
    out["wavelength_um"] = r.wavelengthMicrons;
    Json spots = Json::array();
    for (const FocusSpot& s : r.spots) {
        Json j;
        j["shift"] = s.shift;
        if (s.status != kTraceOk) {
            j["rmsSpot"] = nullptr;
            j.update(traceStatusJson(s.status));
        } else {
            j["rmsSpot"] = s.rmsSpot;
        }
        Json points = Json::array();
        for (const SpotPoint& p : s.points) points.push_back(Json::array({p.x, p.y}));
        j["points"] = points;
        spots.push_back(j);
    }
    out["spots"] = spots;
    return out;
}

std::string fansCsv(const FanResult& r) {
    std::string out = "field,fan,pupil,ex_um,ey_um,opd_waves,status\n";
    for (const FieldFans& f : r.fields) {
        const std::string field = qualityFieldName(f.field);
        if (f.status != kTraceOk) {
            out += field + ",,,,,," + std::to_string(f.status) + "\n";
            continue;
        }
        for (const auto& [name, fan] :
             {std::pair{"tangential", &f.tangential}, std::pair{"sagittal", &f.sagittal}}) {
            for (std::size_t k = 0; k < r.pupil.size(); ++k) {
                out += field + "," + name + "," + cell(r.pupil[k]) + "," + cell(fan->ex[k]) + "," +
                       cell(fan->ey[k]) + "," + cell(fan->opd[k]) + "," + std::to_string(fan->status[k]) +
                       "\n";
            }
        }
    }
    return out;
}

std::string fieldCurvesCsv(const FieldCurvesResult& r) {
    std::string out = "sweep,field_deg,tangential_focus,sagittal_focus,distortion_pct,status\n";
    for (const auto& [name, sweep] :
         {std::pair{"tangential", &r.tangential}, std::pair{"sagittal", &r.sagittal}})
        for (const FieldCurvePoint& p : sweep->points)
            out += std::string(name) + "," + cell(p.field) + "," + cell(p.tangentialFocus) + "," +
                   cell(p.sagittalFocus) + "," + cell(p.distortion) + "," + std::to_string(p.status) + "\n";
    return out;
}

std::string fieldMapCsv(const FieldMapResult& r) {
    std::string out = "tangential_deg,sagittal_deg,rms_spot_um,strehl,rms_wavefront_waves,status\n";
    for (const FieldMapPoint& p : r.points) {
        const FieldQuality& q = p.quality;
        const bool ok = q.status == kTraceOk;
        out += cell(p.field.tangential) + "," + cell(p.field.sagittal) + "," + (ok ? cell(q.rmsSpot) : "") +
               "," + (ok ? cell(q.strehl) : "") + "," + (ok ? cell(q.rmsWavefront) : "") + "," +
               std::to_string(q.status) + "\n";
    }
    return out;
}

std::string throughFocusCsv(const ThroughFocusResult& r) {
    std::string out = "shift,rms_spot_um,x_um,y_um\n";
    for (const FocusSpot& s : r.spots)
        for (const SpotPoint& p : s.points)
            out += cell(s.shift) + "," + cell(s.rmsSpot) + "," + cell(p.x) + "," + cell(p.y) + "\n";
    return out;
}

}  // namespace orvelin
