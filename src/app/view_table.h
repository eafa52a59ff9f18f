// Every view of the program in one table: its number, the word that names
// it to `render --view` and `print --view`, its name on the status line,
// the background it is drawn on and the commands that lead the window to
// it.  The window, the command line's render and print, and their help
// read it, so a new view is one row here and its painters.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "platform/draw_device.h"

namespace orvelin {

struct ViewEntry {
    int view;                 ///< kView...
    const char* word;         ///< its --view word
    const char* name;         ///< its name on the status line
    draw::Colour background;  ///< what the window erases to before drawing it
    bool printable;           ///< print --view can print it
    /// The commands, in order, that leave the window in it for a printed
    /// page (0: none); views that need none are drawn from the design.
    std::array<int, 2> commands;
};

/// Every view, in the order the help lists them.
std::span<const ViewEntry> viewTable();

/// The view's row; null for a number no view has.
const ViewEntry* viewEntry(int view);

/// The view a --view word names; null for none.
const ViewEntry* viewForWord(std::string_view word);

}  // namespace orvelin
