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
///
/// A save is refused ("permission denied") when the user could not open the
/// existing file for writing.  The file keeps its permissions and owner; a
/// symbolic link is followed and its target written, the link kept.  Where a
/// rename would change more than the text (a file with several hard links,
/// one whose owner cannot be kept) or is impossible (a folder closed to the
/// user), the file is written in place, after the room for the whole text
/// has been reserved, so a full disk still leaves it untouched.
WriteResult writeFileAtomically(const std::string& path, const std::string& content);

/// Where a test can make writeFileAtomically fail on purpose, to prove that a
/// failure at that point leaves the old file intact and is reported.
enum class WriteFailurePoint { none, afterCreate, duringWrite, beforeRename };
void simulateWriteFailure(WriteFailurePoint point);

}  // namespace orvelin
