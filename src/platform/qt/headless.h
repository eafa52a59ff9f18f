// A Qt application for tools that draw without a window (the command line,
// tests, benchmarks): fonts, images and printers need one.
#pragma once

namespace orvelin::qt {

/// Give Qt a private runtime folder when the session has none.  Call before
/// creating the QApplication.
void ensureRuntimeDir();

/// Create the process's QApplication if there is none.  Without a display
/// (no DISPLAY / WAYLAND_DISPLAY) the offscreen platform is chosen.
void ensureQtApplication();

}  // namespace orvelin::qt
