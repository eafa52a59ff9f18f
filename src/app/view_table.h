// Every view of the program in one table: its number, the word that names
// it to `render --view` and `print --view`, its name on the status line,
// the background it is drawn on, the commands that lead the window to it,
// whether it needs a design that traces, and its two painters, for the
// screen and for paper.  The window, Print Page, the command line's render
// and print, and their help read it, so a new view is one row here and its
// painters.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "design/design.h"
#include "platform/draw_device.h"

namespace orvelin {

class Evaluation;
struct PrintRecords;
class PrintProgress;
struct ToleranceResult;

/// What a view is drawn from: the design, what is known of it, and the
/// views' own settings.  Painters only read it: the evaluation computes an
/// analysis the first time a view asks for it and keeps it.
struct ViewInputs {
    const Design& design;
    const Evaluation& evaluation;
    bool diffractionLog = false;                   ///< the PSF on a logarithmic scale
    const ToleranceResult* tolerances = nullptr;  ///< the last tolerance analysis; none yet
};

/// Draws a view into the whole of the device's client area, after the
/// window has erased it to the view's background.
using ScreenPainter = void (*)(draw::Device& dc, const ViewInputs& in);
/// Draws a view on a page below the header line, whose bottom is `top`.
/// The spot plots trace again on paper, from the print records.
using PagePainter = void (*)(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& records,
                             PrintProgress& progress);

struct ViewEntry {
    int view;                 ///< kView...
    const char* word;         ///< its --view word
    const char* name;         ///< its name on the status line
    draw::Colour background;  ///< what the window erases to before drawing it
    bool printable;           ///< print --view can print it
    /// The commands, in order, that leave the window in it for a printed
    /// page (0: none); views that need none are drawn from the design.
    std::array<int, 2> commands;
    /// Refused (by the window and the command line) for a design whose
    /// analysis failed; the others show the failure themselves.
    bool needsTrace;
    /// The screen's painter; none for the spot plots, which the window
    /// copies from the plot buffer their commands drew.
    ScreenPainter paint;
    /// The page's painter; none for the welcome page (only the header).
    PagePainter print;
};

/// Every view, in the order the help lists them.
std::span<const ViewEntry> viewTable();

/// Window background of each view: grey for the welcome page, blue-grey for
/// the trace report, light grey for the design view, brown for the plots;
/// the welcome page's for a number no view has.
draw::Colour viewBackground(int viewState);

/// The view's row; null for a number no view has.
const ViewEntry* viewEntry(int view);

/// The view a --view word names; null for none.
const ViewEntry* viewForWord(std::string_view word);

}  // namespace orvelin
