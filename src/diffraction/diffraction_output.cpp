#include "diffraction/diffraction_output.h"

#include <algorithm>
#include <cstdio>

#include "trace/json_values.h"

namespace orvelin {

namespace {

using Json = nlohmann::ordered_json;

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

Json fieldJson(const FieldDiffraction& f) {
    Json j;
    if (f.status != kTraceOk) {
        j = traceStatusJson(f.status);
        j["pupilRays"] = f.pupilRays;
        j["missedRays"] = f.missedRays;
        return j;
    }
    j["strehl"] = f.strehl;
    j["strehlMarechal"] = f.strehlMarechal;
    j["ee50"] = f.ee50;
    j["ee80"] = f.ee80;
    j["fNumber"] = f.fNumber;
    j["cutoff"] = f.cutoff;
    j["psfSpacing"] = f.psfSpacing;
    j["airyRadius"] = f.airyRadius;
    j["centroid"] = Json::array({f.centroidX, f.centroidY});
    j["undersampled"] = f.undersampled;
    j["pupilRays"] = f.pupilRays;
    j["missedRays"] = f.missedRays;
    Json quoted = Json::array();
    for (size_t i = 0; i < kMtfQuoteFractions.size(); ++i)
        quoted.push_back(Json{{"fraction", kMtfQuoteFractions[i]},
                              {"frequency", kMtfQuoteFractions[i] * f.cutoff},
                              {"tangential", f.mtfTangentialAt[i]},
                              {"sagittal", f.mtfSagittalAt[i]}});
    j["mtf"] = Json{{"frequency", f.mtf.frequency},
                    {"tangential", f.mtf.tangential},
                    {"sagittal", f.mtf.sagittal},
                    {"diffractionLimit", f.mtf.diffractionLimit},
                    {"quoted", quoted}};
    j["encircledEnergy"] =
        Json{{"radius", f.encircledEnergy.radius}, {"fraction", f.encircledEnergy.fraction}};
    return j;
}

}  // namespace

std::string diffractionSamplingText(const DiffractionResult& r) {
    char buf[512];
    std::snprintf(
        buf, sizeof buf,
        "Pupil sampled on a %d x %d grid of cells across its diameter, one real ray a cell, rim cells "
        "weighted by their share of the disk; padded with zeros to %d x %d for the transform.\n"
        "PSF on the plane perpendicular to the chief ray at its point in the focal plane (a tilted focal "
        "plane receives a projection of it), about the chief ray.",
        r.grid, r.grid, r.fftSize, r.fftSize);
    return buf;
}

nlohmann::ordered_json diffractionJson(const DiffractionResult& r) {
    Json out;
    out["wavelength_um"] = r.wavelengthMicrons;
    out["grid"] = r.grid;
    out["fftSize"] = r.fftSize;
    out["sampling"] = diffractionSamplingText(r);
    Json& fields = out["fields"] = Json::object();
    for (QualityField f : r.computed) fields[qualityFieldName(f)] = fieldJson(r.field(f));
    return out;
}

std::string psfCsv(const DiffractionResult& r) {
    std::string out;
    for (QualityField field : r.computed) {
        const FieldDiffraction& f = r.field(field);
        if (!out.empty()) out += "\n";
        out += std::string("field,") + qualityFieldName(field);
        if (f.status != kTraceOk) {
            out += ",status," + std::to_string(f.status) + "," + traceProblemMessage(f.status) + "\n";
            continue;
        }
        const int m = f.psfSize;
        out += ",spacing_um," + number(f.psfSpacing) + ",size," + std::to_string(m) + "\n";
        out += "y_um\\x_um";
        for (int c = 0; c < m; ++c) out.append(",").append(number((c - m / 2) * f.psfSpacing));
        out += "\n";
        for (int row = 0; row < m; ++row) {
            out += number((row - m / 2) * f.psfSpacing);
            for (int c = 0; c < m; ++c) out.append(",").append(number(f.psfAt(row, c)));
            out += "\n";
        }
    }
    return out;
}

std::string mtfCsv(const DiffractionResult& r) {
    std::string out;
    size_t rows = 0;
    std::vector<const FieldDiffraction*> traced;
    for (QualityField field : r.computed) {
        const FieldDiffraction& f = r.field(field);
        if (f.status != kTraceOk) continue;
        const std::string name = qualityFieldName(field);
        out += std::string(traced.empty() ? "" : ",") + name + "_frequency_cycles_per_mm," + name +
               "_tangential," + name + "_sagittal," + name + "_diffraction_limit";
        traced.push_back(&f);
        rows = std::max(rows, f.mtf.frequency.size());
    }
    out += "\n";
    for (size_t k = 0; k < rows; ++k) {
        for (size_t i = 0; i < traced.size(); ++i) {
            const MtfCurves& c = traced[i]->mtf;
            if (i > 0) out += ",";
            if (k < c.frequency.size())
                out += number(c.frequency[k]) + "," + number(c.tangential[k]) + "," + number(c.sagittal[k]) +
                       "," + number(c.diffractionLimit[k]);
            else
                out += ",,,";
        }
        out += "\n";
    }
    return out;
}

}  // namespace orvelin
