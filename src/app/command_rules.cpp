#include "app/command_rules.h"

#include <algorithm>
#include <cstdio>

#include "design/design_table.h"

namespace orvelin {

std::string designCaption(const std::string& designTitle) {
    return "ORVELIN - " + designTitle;
}

std::optional<int> commandForCharacter(char c, int viewState) {
    switch (c) {
        case 27:
            if (viewState == kViewDesign) return std::nullopt;
            return kCmdDisplay;
        case 'A':
        case 'a':
            return kCmdAiry;
        case 'D':
        case 'd':
            return kCmdDisplay;
        case 'F':
        case 'f':
            return kCmdFocus;
        case 'I':
        case 'i':
            // Only the diffraction view has an intensity scale to switch.
            if (viewState == kViewDiffraction) return kCmdDiffractionScale;
            return std::nullopt;
        case 'L':
        case 'l':
            return kCmdOpen;
        case 'N':
        case 'n':
            return kCmdNew;
        case 'P':
        case 'p':
            return kCmdStandardPlot;
        case 'S':
        case 's':
            return kCmdSaveAs;
        case 'T':
        case 't':
            return kCmdTrace;
        default:
            return std::nullopt;
    }
}

bool isCurveKey(char c) {
    return c == 'Z' || c == 'z';
}

int commandForAccelerator(AccelKey key) {
    switch (key) {
        case AccelKey::AltA:
            return kCmdUniformAiry;
        case AccelKey::AltB:
        case AccelKey::AltR:
            return kCmdUniformBlur;
        case AccelKey::F1:
            return kCmdHelpContents;
        case AccelKey::F4:
            return kCmdHalfScale;
        case AccelKey::F5:
            return kCmdDoubleScale;
        case AccelKey::F6:
            return kCmdDoubleScaleAndOffset;
        case AccelKey::F11:
            return kCmdFocusIn;
        case AccelKey::F12:
            return kCmdFocusOut;
    }
    return 0;
}

bool isPlotCommand(int command) {
    return (command >= kCmdStandardPlot && command <= kCmdDoubleScaleAndOffset) || command == kCmdFocusIn ||
           command == kCmdFocusOut;
}

bool isPlotView(int view) {
    return view == kViewStandardPlot || view == kViewUniformAiry || view == kViewUniformBlur ||
           view == kViewAiryOverlay;
}

int viewStateForPlotCommand(int command) {
    if (command == kCmdUniformBlur) return kViewUniformBlur;
    if (command == kCmdUniformAiry) return kViewUniformAiry;
    return kViewStandardPlot;
}

TableHit hitDesignTable(int x, int y, int clientWidth, int n) {
    TableHit hit;
    if (y < 22 || y > 14 * (n + 3)) return hit;
    hit.row = (y + 6) / 14 - 1;
    // Truncation toward zero widens column 0 to the left of its cell.
    hit.column = (x - clientWidth / 2 + 286) / 112;
    const int row = hit.row;
    const int col = hit.column;
    hit.kind = TableHit::ignored;
    if (row == n && col > 3) return hit;  // the focal plane has no separation
    if (col < 0 || col > 4) return hit;
    if (row > n && col == 2) return hit;  // between aperture and field
    if (row == n && col < 1) return hit;  // the focal plane has no footprint
    hit.kind = (row < n && col < 1) ? TableHit::diameters : TableHit::cell;
    return hit;
}

std::string diametersText(double central, double unvignetted) {
    return "Central:                 " + formatValue(2 * central) +
           "\nUnvignetted field: " + formatValue(2 * unvignetted);
}

const char* unitsForNewAperture(double semiAperture) {
    return semiAperture > 20 ? "mm" : "inches";
}

Placement mainWindowPlacement(int screenWidth, int screenHeightLessBand) {
    return {screenWidth / 2 - 320, screenHeightLessBand / 2 - 221, 640, 454};
}

PlotCopy plotViewCopy(int bufferWidth, int bufferHeight, int clientWidth, int clientHeight) {
    // The buffer's centre goes to the client's centre.  Where the client is
    // smaller the copy starts inside the buffer; where it is larger the
    // source origin would be negative, so the copy starts inside the client
    // and only the buffer's own pixels are copied.
    PlotCopy copy;
    const int sx = (bufferWidth - clientWidth) / 2;
    const int sy = (bufferHeight - clientHeight) / 2;
    const int left = std::max(0, -sx);
    const int top = std::max(0, -sy);
    const int srcLeft = std::max(0, sx);
    const int srcTop = std::max(0, sy);
    const int width = std::max(0, std::min(bufferWidth - srcLeft, clientWidth - left));
    const int height = std::max(0, std::min(bufferHeight - srcTop, clientHeight - top));
    copy.source = {srcLeft, srcTop, srcLeft + width, srcTop + height};
    copy.target = {left, top, left + width, top + height};
    return copy;
}

}  // namespace orvelin
