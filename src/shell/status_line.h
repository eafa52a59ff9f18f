// The window's status bar: which view is shown, the design's units (and
// whether New took them from the aperture), how far the focus steps have
// moved the focal plane, the scale of a spot plot, and the state of the
// design's file.  It only reports; the client area keeps its size, so the
// views are drawn as `render` draws them.
#pragma once

#include <QString>

#include "app/app_state.h"

class QLabel;
class QStatusBar;

namespace orvelin {

/// What the status bar says beside the application state.
struct StatusFacts {
    bool unitsFromAperture = false;  ///< New chose the units by the rule of the aperture
    double focusOffset = 0;          ///< the focus steps' move of the focal plane, design units
};

/// The texts of the fields, for the status bar and its tests.
QString viewName(int viewState);
QString unitsText(const Design& design, bool fromAperture);
QString focusText(const Design& design, double offset);
/// "" where no spot plot is shown.
QString plotScaleText(const AppState& state);
QString fileText(const AppState& state);

class StatusLine {
  public:
    /// Fills `bar` with its fields (named "statusView", "statusUnits",
    /// "statusFocus", "statusScale", "statusFile").
    explicit StatusLine(QStatusBar* bar);
    void show(const AppState& state, const StatusFacts& facts);

  private:
    QLabel* view_;
    QLabel* units_;
    QLabel* focus_;
    QLabel* scale_;
    QLabel* file_;
};

}  // namespace orvelin
