#include "app/entry.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvelin {

namespace {

std::string trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace

namespace {

// The text as one finite decimal number, with the reason when it is not.
NumberProblem readDecimal(const std::string& text, double* value) {
    const std::string t = trimmed(text);
    if (t.empty()) return NumberProblem::notANumber;
    // strtod also reads hexadecimal floats, "inf" and "nan"; a design value
    // is always written in decimal, so allow only decimal characters.
    for (char c : t)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-' || c == 'e' ||
              c == 'E'))
            return NumberProblem::notANumber;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size()) return NumberProblem::notANumber;
    // Out of range: strtod gives infinity for a number too large, and zero
    // for one too small (a subnormal result is still a value and is kept).
    if (!std::isfinite(v)) return NumberProblem::tooLarge;
    if (errno == ERANGE && v == 0) return NumberProblem::tooSmall;
    *value = v;
    return NumberProblem::none;
}

}  // namespace

std::optional<double> parseNumber(const std::string& text) {
    double v = 0;
    if (readDecimal(text, &v) != NumberProblem::none) return std::nullopt;
    return v;
}

NumberProblem numberProblem(const std::string& text) {
    double v = 0;
    return readDecimal(text, &v);
}

std::optional<int> parseWholeNumber(const std::string& text) {
    const std::string t = trimmed(text);
    if (t.empty()) return std::nullopt;
    size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
    if (i == t.size()) return std::nullopt;
    for (size_t j = i; j < t.size(); ++j)
        if (!std::isdigit(static_cast<unsigned char>(t[j]))) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(t.c_str(), &end, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return std::nullopt;
    return static_cast<int>(v);
}

}  // namespace orvelin
