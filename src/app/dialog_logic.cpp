#include "app/dialog_logic.h"

#include <cstdio>

namespace orvelin {

bool secondIsSagittal(int kind) {
    return kind != kConic;
}

double secondValueShown(const Design& d, int k, bool toroidTicked) {
    return toroidTicked ? d.surfaces[k].sagRadius : d.surfaces[k].conic;
}

void applySurfaceEntry(Design& d, int k, const SurfaceEntry& e) {
    d.surfaces[k].kind = e.kind;
    d.surfaces[k].radius = e.radius;
    if (secondIsSagittal(e.kind))
        d.surfaces[k].sagRadius = e.second;
    else
        d.surfaces[k].conic = e.second;
    d.surfaces[k].tilt = e.tilt;
    if (k < d.surfaceCount) d.surfaces[k].separation = e.separation;
    // A conic has one radius; a toroid has no conic constant.
    if (e.kind == kConic)
        d.surfaces[k].sagRadius = d.surfaces[k].radius;
    else
        d.surfaces[k].conic = 0;
    recomputeSurface(d, k);
}

void applyApertureField(Design& d, double aperture, double fieldSemiAngle) {
    d.aperture = aperture;
    d.fieldSemiAngle = fieldSemiAngle;
    recomputeAperture(d);
    recomputeField(d);
}

namespace {

std::string numbered(const char* format, int row) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, row);
    return buffer;
}

}  // namespace

CellPrompt cellPrompt(const Design& d, int row, int column) {
    const int n = d.surfaceCount;
    CellPrompt p;
    if (row < 1 || column < 0 || column > 4) return p;
    if (row <= n) {
        const bool conic = d.surfaces[row].kind == kConic;
        switch (column) {
            case 1:
                p = {true, numbered(conic ? "Edit radius #%d" : "Tangential radius #%d", row),
                     d.surfaces[row].radius};
                break;
            case 2:
                if (conic)
                    p = {true, numbered("Edit conic constant #%d", row), d.surfaces[row].conic};
                else
                    p = {true, numbered("Sagittal radius #%d", row), d.surfaces[row].sagRadius};
                break;
            case 3:
                p = {true, numbered("Edit tilt #%d", row), d.surfaces[row].tilt};
                break;
            case 4:
                // The focal plane has no separation.
                if (row < n) p = {true, numbered("Edit separation #%d", row), d.surfaces[row].separation};
                break;
            default:
                break;  // the name cell holds no value
        }
        return p;
    }
    if (row > n + 2) return p;
    if (column <= 1) return {true, "Edit aperture", d.aperture};
    if (column >= 3) return {true, "Edit field semi-angle", d.fieldSemiAngle};
    return p;
}

ScreenPoint cellDialogPosition(const Design& d, int row, int column, int left, int top, int right, int) {
    const int n = d.surfaceCount;
    const int xc = left + (right - left) / 2;
    if (row <= n) return {xc + 112 * column - 322, top + 14 * row + 64};
    return {column <= 1 ? xc - 242 : xc + 38, top + 14 * n + 86};
}

void applyCellValue(Design& d, int row, int column, double value) {
    const int n = d.surfaceCount;
    if (row >= 1 && row <= n) {
        const bool conic = d.surfaces[row].kind == kConic;
        switch (column) {
            case 1:
                d.surfaces[row].radius = value;
                if (conic) d.surfaces[row].sagRadius = value;
                break;
            case 2:
                if (conic) {
                    d.surfaces[row].sagRadius = d.surfaces[row].radius;
                    d.surfaces[row].conic = value;
                } else {
                    d.surfaces[row].conic = 0;
                    d.surfaces[row].sagRadius = value;
                }
                break;
            case 3:
                d.surfaces[row].tilt = value;
                break;
            case 4:
                if (row < n) d.surfaces[row].separation = value;
                break;
            default:
                return;
        }
        recomputeSurface(d, row);
        return;
    }
    if (column <= 1) {
        d.aperture = value;
        recomputeAperture(d);
    } else if (column >= 3) {
        d.fieldSemiAngle = value;
        recomputeField(d);
    }
}

void startNewDesign(Design& d, int mirrors) {
    d.surfaceCount = mirrors + 1;
    initMediumSigns(d);
    resetDesign(d);
}

}  // namespace orvelin
