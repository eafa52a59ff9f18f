// Number entry for the parameter dialogs: how a value is shown in an edit
// box and how the box's text is taken back.
#pragma once

#include <optional>
#include <string>

#include "design/design_table.h"

namespace orvelin {

/// The whole text as one finite decimal number ("12", " -3.5e2 ", ".5").
/// Surrounding blanks are allowed; anything else (empty text, words, a
/// number followed by letters, hexadecimal, infinities) gives no value, so a
/// typing slip is never silently stored as 0.
std::optional<double> parseNumber(const std::string& text);

/// Why parseNumber gives no value: the text is no number, or it is a
/// decimal number beyond the range of a double ("1e309" is too large,
/// "1e-400" too small to tell from zero).
enum class NumberProblem { none, notANumber, tooLarge, tooSmall };
NumberProblem numberProblem(const std::string& text);

/// The whole text as one whole number in int range (" 3", "+7", "-1").
std::optional<int> parseWholeNumber(const std::string& text);

}  // namespace orvelin
