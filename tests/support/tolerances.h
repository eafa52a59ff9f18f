// The kinds of comparison the tests make, each with one tolerance, so that a
// test says which kind it is instead of repeating a number.
#pragma once

namespace orvelin::testing {

/// Figures that differ from the expected only by a few roundings: the same
/// formula in another order, a rotation and its inverse, a closed form.
inline constexpr double kFewRoundings = 1e-12;

/// A traced figure against a worked figure or a closed form derived by hand
/// (nine significant digits, far more than any printed digit).
inline constexpr double kWorkedFigure = 1e-9;

/// A figure against the digits a report or a file prints of it (seven
/// significant digits, "%- .7g", with half a unit of the last one).
inline constexpr double kPrintedDigits = 5e-7;

/// A figure found by a search or an iteration (the toroid's passes, the
/// optimiser, the clearance's nearest points) against the exact one.
inline constexpr double kSearched = 1e-6;

}  // namespace orvelin::testing
