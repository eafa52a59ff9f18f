// Replacing a file without ever leaving a half-written one behind.
#pragma once

#include <string>

namespace orvelin {

struct WriteResult {
    bool ok = true;
    std::string message;  ///< the reason when !ok
};

/// Write `content` to a temporary file in the folder of `path`, flush it to
/// disk, and rename it over `path`.  On any failure the temporary file is
/// removed and the old file (if any) is left exactly as it was.
WriteResult writeFileAtomically(const std::string& path, const std::string& content);

/// Where a test can make writeFileAtomically fail on purpose, to prove that a
/// failure at that point leaves the old file intact and is reported.
enum class WriteFailurePoint { none, afterCreate, duringWrite, beforeRename };
void simulateWriteFailure(WriteFailurePoint point);

}  // namespace orvelin
