// Checks shared by the fuzz targets.  A broken promise aborts with a message,
// which libFuzzer reports as a crash and keeps the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "design/design.h"
#include "design/design_file.h"

namespace orvelin::fuzz {

/// Abort with `what` when `ok` is false.
void require(bool ok, const char* what);

/// The fuzzer's bytes as a string.
inline std::string asText(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

/// A design that is not empty before the load, so that a refused load can be
/// seen to leave it alone and a damaged one to keep old values.
Design startingDesign();

/// Every value a user is shown for surfaces 1..n (n clamped to the arrays)
/// and the scalars are finite.
bool enteredValuesFinite(const Design& d);

/// Load `text` and check what every load promises: a refused or unreadable
/// file leaves the design untouched and says why; an accepted one gives 1 to
/// 21 surfaces of finite values; a damaged one names a line.
LoadResult checkedLoad(Design& design, const std::string& text, const char* fileTitle);

}  // namespace orvelin::fuzz
