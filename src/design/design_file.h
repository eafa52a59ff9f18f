// Reading and writing design files (".ov").
//
// Two layouts are read: the legacy report-like text (the only one written)
// and a comma-separated numeric layout of the trace's derived values.  The
// first token decides: a non-zero integer starts a numeric file, anything
// else a legacy one.  Reading uses the C library's formatted input, so a file
// reads the same way here as on any other machine.
#pragma once

#include <string>
#include <vector>

#include "design/design.h"
#include "platform/atomic_file.h"

namespace orvelin {

/// The file last chosen in the Open or Save As dialog.
struct FileSelection {
    std::string filePath;   ///< full path
    std::string fileTitle;  ///< name with extension, without the folder
};

enum class LoadStatus {
    ok,          ///< read completely
    damaged,     ///< loaded, but a conversion failed or the file ended early
    refused,     ///< nothing taken: the design cannot hold it (e.g. > 20 mirrors)
    unreadable,  ///< nothing taken: missing, a folder, or cannot be opened
};

struct LoadResult {
    LoadStatus status = LoadStatus::ok;
    /// For refused/unreadable: the reason.  For damaged: where and what was
    /// expected, e.g. "line 8: expected the radius of surface 2".
    std::string message;
    int damagedLine = 0;  ///< first damaged line (1-based), 0 if none
    /// For damaged: the file ended before the value it lacks (rather than
    /// holding something else in its place).
    bool endedEarly = false;
    /// For damaged: the last line holding text (0 for an empty file), so
    /// that a message speaks of later lines only where there are some.
    int lastLine = 0;
    /// For damaged: the values the file did not supply, in file order ("the
    /// tilt and separation of surface 2", "the field semi-angle"); each keeps
    /// the design's value from before the load exactly.  Scanning goes on
    /// after a slip, so values read after the damaged line may come from
    /// the wrong places.
    std::vector<std::string> kept;
    int oldSurfaceCount = 0;  ///< surfaceCount before the load (for the menu)

    bool accepted() const { return status == LoadStatus::ok || status == LoadStatus::damaged; }
};

/// The design title for a file name: the name without its last three
/// characters ("demo.ov" -> "demo"); empty for names shorter than that.
std::string titleFromFileName(const std::string& fileTitle);

/// The file name part of a path.
std::string fileNameOfPath(const std::string& path);

/// Read the design file at `path` into `design`.  The file is read into a
/// scratch copy and taken only when accepted; a refused or unreadable file
/// leaves `design` exactly as it was.  A damaged file is taken as far as it
/// could be read, values that failed to convert keeping their old values.
LoadResult loadDesign(Design& design, const std::string& path);

/// Same, reading from memory (for tests and fuzzing).  `title` becomes the
/// file title for the design title rule.
LoadResult loadDesignFromText(Design& design, const std::string& text, const std::string& fileTitle);

/// Whether a design file was written, and why not: a file written whole or
/// not at all, as every output file is.
using SaveResult = WriteResult;

/// The legacy layout of `design` as text, with `fRatio` on its last line.
std::string formatDesign(const Design& design, double fRatio);

/// Write `design` to `path` in the legacy layout.  The text goes to a
/// temporary file in the same folder which then replaces the old file, so a
/// failed save never leaves a truncated file behind.
SaveResult saveDesign(const Design& design, const std::string& path, double fRatio);

}  // namespace orvelin
