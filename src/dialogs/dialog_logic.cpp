#include "dialogs/dialog_logic.h"

#include <cstdio>

namespace orvelin {

bool secondIsSagittal(int kind) {
    return kind != kConic;
}

double secondValueShown(const Design& d, int k, bool toroidTicked) {
    return toroidTicked ? d.sagRadius[k] : d.conic[k];
}

void applySurfaceEntry(Design& d, int k, const SurfaceEntry& e) {
    d.kind[k] = e.kind;
    d.radius[k] = e.radius;
    if (secondIsSagittal(e.kind))
        d.sagRadius[k] = e.second;
    else
        d.conic[k] = e.second;
    d.tilt[k] = e.tilt;
    if (k < d.surfaceCount) d.separation[k] = e.separation;
    // A conic has one radius; a toroid has no conic constant.
    if (e.kind == kConic)
        d.sagRadius[k] = d.radius[k];
    else
        d.conic[k] = 0;
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
        const bool conic = d.kind[row] == kConic;
        switch (column) {
            case 1:
                p = {true, numbered(conic ? "Edit radius #%d" : "Tangential radius #%d", row), d.radius[row]};
                break;
            case 2:
                if (conic)
                    p = {true, numbered("Edit conic constant #%d", row), d.conic[row]};
                else
                    p = {true, numbered("Sagittal radius #%d", row), d.sagRadius[row]};
                break;
            case 3:
                p = {true, numbered("Edit tilt #%d", row), d.tilt[row]};
                break;
            case 4:
                // The focal plane has no separation.
                if (row < n) p = {true, numbered("Edit separation #%d", row), d.separation[row]};
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
        const bool conic = d.kind[row] == kConic;
        switch (column) {
            case 1:
                d.radius[row] = value;
                if (conic) d.sagRadius[row] = value;
                break;
            case 2:
                if (conic) {
                    d.sagRadius[row] = d.radius[row];
                    d.conic[row] = value;
                } else {
                    d.conic[row] = 0;
                    d.sagRadius[row] = value;
                }
                break;
            case 3:
                d.tilt[row] = value;
                break;
            case 4:
                if (row < n) d.separation[row] = value;
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
