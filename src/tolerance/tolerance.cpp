#include "tolerance/tolerance.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "quality/image_quality.h"

namespace orvelin {

namespace {

struct KindName {
    const char* name;
    ToleranceKind kind;
};
// "rsag" is the optimiser's name for the sagittal radius.
constexpr KindName kKinds[] = {{"radius", ToleranceKind::radius},  {"sagradius", ToleranceKind::sagradius},
                               {"rsag", ToleranceKind::sagradius}, {"conic", ToleranceKind::conic},
                               {"tilt", ToleranceKind::tilt},      {"sep", ToleranceKind::sep}};

const char* kindName(ToleranceKind k) {
    for (const KindName& n : kKinds)
        if (n.kind == k) return n.name;
    return "?";
}

bool parseNumber(const std::string& s, double& out) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return errno == 0 && end == s.c_str() + s.size() && std::isfinite(out);
}

bool isToroid(const Design& d, int i) {
    return d.surfaces[i].kind == kToroid;
}

bool isFlat(const Design& d, int i) {
    return d.surfaces[i].radius == 0 && (!isToroid(d, i) || d.surfaces[i].sagRadius == 0);
}

/// Whether mirror i has the value: a toroid has a sagittal radius and no
/// conic constant; a flat has neither a radius nor a conic worth
/// perturbing (a conic constant does not bend a flat).
bool mirrorHas(const Design& d, ToleranceKind kind, int i) {
    switch (kind) {
        case ToleranceKind::radius:
            return d.surfaces[i].radius != 0;
        case ToleranceKind::sagradius:
            return isToroid(d, i);
        case ToleranceKind::conic:
            return !isToroid(d, i) && !isFlat(d, i);
        case ToleranceKind::tilt:
        case ToleranceKind::sep:
            return true;
    }
    return false;
}

std::string formatAmount(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

}  // namespace

std::string Tolerance::name() const {
    return std::string(kindName(kind)) + ":" + std::to_string(mirror);
}

std::string Tolerance::text() const {
    return name() + "=±" + formatAmount(amount) + (percent ? "%" : "");
}

double toleranceSpan(const Design& design, const Tolerance& t) {
    if (!t.percent) return t.amount;
    const Surface& s = design.surfaces[t.mirror];
    const double radius = t.kind == ToleranceKind::sagradius ? s.sagRadius : s.radius;
    return std::fabs(radius) * t.amount / 100;
}

bool parseTolerance(const std::string& text, const Design& design, std::vector<Tolerance>& into,
                    std::string& error) {
    const auto colon = text.find(':');
    const auto eq = text.find('=');
    if (colon == std::string::npos || eq == std::string::npos || eq < colon) {
        error = "'" + text + "' is not KIND:MIRROR=±V (radius, sagradius, conic, tilt or sep)";
        return false;
    }
    const std::string kindText = text.substr(0, colon);
    const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                   [&](const KindName& k) { return kindText == k.name; });
    if (kind == std::end(kKinds)) {
        error = "'" + kindText + "' in '" + text +
                "' is not a toleranced value (radius, sagradius, conic, tilt or sep)";
        return false;
    }
    Tolerance t;
    t.kind = kind->kind;
    std::string amount = text.substr(eq + 1);
    for (const char* plusMinus : {"±", "+-"})
        if (amount.rfind(plusMinus, 0) == 0) {
            amount = amount.substr(std::string(plusMinus).size());
            break;
        }
    if (!amount.empty() && amount.back() == '%') {
        if (t.kind != ToleranceKind::radius && t.kind != ToleranceKind::sagradius) {
            error = "'" + text + "': only a radius takes a tolerance in percent";
            return false;
        }
        t.percent = true;
        amount.pop_back();
    }
    if (!parseNumber(amount, t.amount)) {
        error = std::string("'").append(text, eq + 1).append("' in '").append(text).append("' is not a tolerance ±V");
        return false;
    }
    if (t.amount < 0) {
        error = "'" + text + "' has a negative tolerance";
        return false;
    }
    const int mirrors = std::clamp(design.surfaceCount, 1, kMaxSurfaces) - 1;
    const std::string mirrorText = text.substr(colon + 1, eq - colon - 1);
    std::vector<int> chosen;
    if (mirrorText == "*") {
        for (int i = 1; i <= mirrors; ++i)
            if (mirrorHas(design, t.kind, i)) chosen.push_back(i);
    } else {
        double k = 0;
        if (!parseNumber(mirrorText, k) || k != std::floor(k)) {
            error = "'" + mirrorText + "' in '" + text + "' is not a mirror number or *";
            return false;
        }
        if (k < 1 || k > mirrors) {
            error = "mirror " + mirrorText + " in '" + text + "' is out of range: the design has " +
                    (mirrors < 1 ? std::string("no mirror") : "mirrors 1.." + std::to_string(mirrors));
            return false;
        }
        const int i = static_cast<int>(k);
        if (!mirrorHas(design, t.kind, i)) {
            const char* why = t.kind == ToleranceKind::sagradius
                                  ? "is not a toroid: only a toroid has a sagittal radius"
                              : t.kind == ToleranceKind::conic && isToroid(design, i)
                                  ? "is a toroid: a toroid has no conic constant"
                                  : "is flat: it has no radius or conic constant to tolerance";
            error = "mirror " + mirrorText + " in '" + text + "' " + why;
            return false;
        }
        chosen.push_back(i);
    }
    for (int i : chosen) {
        t.mirror = i;
        const auto same = std::find_if(into.begin(), into.end(), [&](const Tolerance& o) {
            return o.kind == t.kind && o.mirror == t.mirror;
        });
        if (same != into.end())
            *same = t;
        else
            into.push_back(t);
    }
    return true;
}

std::vector<std::string> defaultToleranceTexts(const Design& design) {
    const std::string sep = isMetric(design) ? "0.2" : "0.008";
    return {"radius:*=±0.1%", "sagradius:*=±0.1%", "conic:*=±0.02", "tilt:*=±0.02", "sep:*=±" + sep};
}

std::optional<Compensation> parseCompensation(const std::string& text) {
    for (Compensation c : {Compensation::none, Compensation::focus, Compensation::focusTilt})
        if (text == compensationName(c)) return c;
    return std::nullopt;
}

const char* compensationName(Compensation c) {
    switch (c) {
        case Compensation::none:
            return "none";
        case Compensation::focus:
            return "focus";
        case Compensation::focusTilt:
            return "focus,tilt";
    }
    return "";
}

std::optional<Criterion> parseCriterion(const std::string& text, std::string& error) {
    static constexpr struct {
        const char* name;
        CriterionFigure figure;
    } figures[] = {{"rmsSpot", CriterionFigure::rmsSpot},
                   {"rmsWavefront", CriterionFigure::rmsWavefront},
                   {"strehl", CriterionFigure::strehl}};
    Criterion c;
    c.name = text;
    std::string figure;
    if (text.rfind("worst.", 0) == 0) {
        c.worst = true;
        figure = text.substr(6);
    } else if (text.rfind("quality.", 0) == 0) {
        c.worst = false;
        const std::string rest = text.substr(8);
        const auto dot = rest.find('.');
        const auto field = qualityFieldFromName(rest.substr(0, dot));
        if (dot == std::string::npos || !field) {
            error = "'" + text +
                    "' names no field: quality.FIELD.FIGURE with FIELD center, minus, plus or sagittal";
            return std::nullopt;
        }
        c.field = *field;
        figure = rest.substr(dot + 1);
    } else {
        error = "'" + text + "' is not a criterion: quality.FIELD.FIGURE or worst.FIGURE";
        return std::nullopt;
    }
    for (const auto& f : figures)
        if (figure == f.name) {
            c.figure = f.figure;
            return c;
        }
    error = "'" + figure + "' in '" + text +
            "' is not a figure a design is refocused for: rmsSpot, rmsWavefront or strehl";
    return std::nullopt;
}

std::string checkToleranceOptions(const ToleranceOptions& o) {
    if (o.tolerances.empty()) return "no tolerances: give --tol or --default-tolerances";
    for (const Tolerance& t : o.tolerances)
        if (!(t.amount >= 0) || !std::isfinite(t.amount)) return t.name() + " has a bad tolerance";
    if (o.trials < 0 || o.trials > kMaxToleranceTrials)
        return "the number of trials must be 1.." + std::to_string(kMaxToleranceTrials);
    if (o.threshold && !std::isfinite(*o.threshold)) return "the threshold is not a number";
    return {};
}

}  // namespace orvelin
