#include "reports/report_figures.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orvelin {

static_assert(sizeof(AnalysisResults) == kAnalysisFigureCount * sizeof(double),
              "every figure is one double of AnalysisResults");

// clang-format off
const std::array<ReportBoxPlace, kReportBoxCount> kReportBoxes = {{
    //  title              field  screen: dx  top    w    h  titleDx  print title  outline l, t, r, b
    {" Field center ",     false,      -297,  33, 367, 159, 125,       17, 2,     -0.5, 3.5, 53.5, 15.5},
    {" Focal plane ",      false,       115,  33, 183,  87,  40,       75, 2,     69.5, 3.5, 96.5, 9.5},
    {" - Field angle ",    true,       -297, 228, 275,  87,  68,       10, 18,    -0.5, 19.5, 39.5, 25.5},
    {" + Field angle ",    true,         24, 228, 275,  87,  68,       66, 18,    55.5, 19.5, 96.5, 25.5},
}};

#define AT(field) offsetof(AnalysisResults, field)
using F = FigureFormat;
using B = ReportBox;
using C = LabelColour;

// On screen a box is a grid of columns k and rows j: label at
// (37 + 92k, 9 + 36j), value at (6 + 92k, 25 + 36j); the bottom row of the
// Field center box has its longer labels 15 pixels further left.
const std::array<ReportFigure, kReportFigureCount> kReportFigures = {{
    //  name                    label             value                        format      box            field  screen: colour label     value    print: value  label
    {"astParaxial",            "ast'",           AT(astParaxial),            F::fixed,   B::center,     false, C::yellow,  37,   9,   6,  25,   0,  5,  3,  4},
    {"lsParaxial",             "l's",            AT(lsParaxial),             F::fixed,   B::center,     false, C::black,  129,   9,  98,  25,  13,  5, 17,  4},
    {"ltParaxial",             "l't",            AT(ltParaxial),             F::fixed,   B::center,     false, C::black,  221,   9, 190,  25,  27,  5, 31,  4},
    {"astMarginal",            "AST'",           AT(astMarginal),            F::fixed,   B::center,     false, C::yellow,  37,  45,   6,  61,   0,  8,  3,  7},
    {"lsMarginal",             "L'S",            AT(lsMarginal),             F::fixed,   B::center,     false, C::black,  129,  45,  98,  61,  13,  8, 17,  7},
    {"ltMarginal",             "L'T",            AT(ltMarginal),             F::fixed,   B::center,     false, C::black,  221,  45, 190,  61,  27,  8, 31,  7},
    {"comaS",                  "Coma'S",         AT(comaS),                  F::fixed,   B::center,     false, C::yellow,  37,  81,   6,  97,   0, 11,  3, 10},
    {"comaT",                  "Coma'T",         AT(comaT),                  F::fixed,   B::center,     false, C::yellow, 129,  81,  98,  97,  14, 11, 17, 10},
    {"laS",                    "LA'S",           AT(laS),                    F::fixed,   B::center,     false, C::black,  221,  81, 190,  97,  28, 11, 31, 10},
    {"laT",                    "LA'T",           AT(laT),                    F::fixed,   B::center,     false, C::black,  313,  81, 282,  97,  42, 11, 45, 10},
    {"focusS",                 "Focus'S",        AT(focusS),                 F::fixed,   B::center,     false, C::black,   22, 117,   6, 133,   0, 14,  3, 13},
    {"focusT",                 "Focus'T",        AT(focusT),                 F::fixed,   B::center,     false, C::black,  114, 117,  98, 133,  14, 14, 17, 13},
    {"fRatio",                 "F/ratio",        AT(fRatio),                 F::fixed,   B::center,     false, C::cyan,   206, 117, 190, 133,  28, 14, 30, 13},
    {"laTolerance",            "LA'toler",       AT(laTolerance),            F::fixed,   B::center,     false, C::black,  298, 117, 282, 133,  42, 14, 43, 13},
    {"bestFocus",              "B.F.L.",         AT(bestFocus),              F::fixed,   B::focalPlane, false, C::black,   37,   9,   6,  25,  70,  5, 74,  4},
    {"bestFitTilt",            "Tilt",           AT(bestFitTilt),            F::fixed,   B::focalPlane, true,  C::cyan,   129,   9,  98,  25,  85,  5, 88,  4},
    {"tiltS",                  "Tilt'S",         AT(tiltS),                  F::fixed,   B::focalPlane, true,  C::black,   37,  45,   6,  61,  71,  8, 74,  7},
    {"tiltT",                  "Tilt'T",         AT(tiltT),                  F::fixed,   B::focalPlane, true,  C::black,  129,  45,  98,  61,  85,  8, 88,  7},
    {"fieldDiameter",          "Field diameter", AT(fieldDiameter),          F::fixed,   B::focalPlane, true,  C::caption,  40, 101,  49, 117,  78, 12, 75, 11},
    {"anamorphism",            "Anamorphism",    AT(anamorphism),            F::percent, B::focalPlane, true,  C::caption,  53, 137,  55, 153,  78, 15, 75, 14},
    {"fieldPanelMinus.ast",    "AST'",           AT(fieldPanelMinus.ast),    F::fixed,   B::fieldMinus, true,  C::black,   37,   9,   6,  25,   0, 21,  3, 20},
    {"fieldPanelMinus.xS",     "X'S",            AT(fieldPanelMinus.xS),     F::fixed,   B::fieldMinus, true,  C::black,  129,   9,  98,  25,  14, 21, 17, 20},
    {"fieldPanelMinus.xT",     "X'T",            AT(fieldPanelMinus.xT),     F::fixed,   B::fieldMinus, true,  C::black,  221,   9, 190,  25,  28, 21, 31, 20},
    {"fieldPanelMinus.comaS",  "Coma'S",         AT(fieldPanelMinus.comaS),  F::fixed,   B::fieldMinus, true,  C::black,   37,  45,   6,  61,   0, 24,  3, 23},
    {"fieldPanelMinus.comaT",  "Coma'T",         AT(fieldPanelMinus.comaT),  F::fixed,   B::fieldMinus, true,  C::black,  129,  45,  98,  61,  14, 24, 17, 23},
    {"fieldPanelPlus.ast",     "AST'",           AT(fieldPanelPlus.ast),     F::fixed,   B::fieldPlus,  true,  C::black,   37,   9,   6,  25,  56, 21, 59, 20},
    {"fieldPanelPlus.xS",      "X'S",            AT(fieldPanelPlus.xS),      F::fixed,   B::fieldPlus,  true,  C::black,  129,   9,  98,  25,  70, 21, 73, 20},
    {"fieldPanelPlus.xT",      "X'T",            AT(fieldPanelPlus.xT),      F::fixed,   B::fieldPlus,  true,  C::black,  221,   9, 190,  25,  84, 21, 87, 20},
    {"fieldPanelPlus.comaS",   "Coma'S",         AT(fieldPanelPlus.comaS),   F::fixed,   B::fieldPlus,  true,  C::black,   37,  45,   6,  61,  56, 24, 59, 23},
    {"fieldPanelPlus.comaT",   "Coma'T",         AT(fieldPanelPlus.comaT),   F::fixed,   B::fieldPlus,  true,  C::black,  129,  45,  98,  61,  70, 24, 73, 23},
}};
// clang-format on

#undef AT

const ReportBoxPlace& reportBox(ReportBox box) {
    return kReportBoxes[static_cast<int>(box)];
}

double figureValue(const ReportFigure& figure, const AnalysisResults& results) {
    double v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(&results) + figure.offset, sizeof v);
    return v;
}

std::string formatFigure(const ReportFigure& figure, double value) {
    const char* fmt = figure.format == FigureFormat::percent ? "%7.3f %%" : "%10.6f";
    const int n = std::snprintf(nullptr, 0, fmt, value);
    if (n < 0) return {};
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(s.data(), s.size(), fmt, value);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

bool showsFigure(const ReportFigure& figure, const Design& design) {
    return !figure.fieldOnly || design.sinField != 0.0;
}

bool showsBox(const ReportBoxPlace& box, const Design& design) {
    return !box.fieldOnly || design.sinField != 0.0;
}

std::array<AnalysisFigure, kAnalysisFigureCount> analysisFigures(const AnalysisResults& results) {
    std::array<const ReportFigure*, kReportFigureCount> byOffset;
    for (int i = 0; i < kReportFigureCount; ++i) byOffset[i] = &kReportFigures[i];
    std::sort(byOffset.begin(), byOffset.end(),
              [](const ReportFigure* a, const ReportFigure* b) { return a->offset < b->offset; });
    std::array<AnalysisFigure, kAnalysisFigureCount> out;
    for (int i = 0; i < kReportFigureCount; ++i)
        out[i] = AnalysisFigure{byOffset[i]->name, figureValue(*byOffset[i], results)};
    return out;
}

std::string reportText(const Design& design, const AnalysisResults& results) {
    std::string out = design.designTitle + "\n";
    int box = -1;
    for (const ReportFigure& f : kReportFigures) {
        if (!showsFigure(f, design)) continue;
        if (static_cast<int>(f.box) != box) {
            box = static_cast<int>(f.box);
            std::string title = reportBox(f.box).title;
            out += title.substr(1, title.size() - 2) + "\n";
        }
        char label[64];
        std::snprintf(label, sizeof label, "  %-16s", f.label);
        out += label + formatFigure(f, figureValue(f, results)) + "\n";
    }
    return out;
}

}  // namespace orvelin
