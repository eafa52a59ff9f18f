// Saving a design as the program records it: the f-ratio of its layout on
// the file's last line (a note only, 0 for a design that does not trace),
// and, for a new file, the design named after it as Save As names it.  The
// window, the command line and the Python module all save through here.
#pragma once

#include <string>

#include "design/design.h"
#include "design/design_file.h"

namespace orvelin {

/// Write the design to `path` with its layout's f-ratio.
SaveResult saveWithFRatio(const Design& design, const std::string& path);

/// Title the design after the file it goes to, then write it there.
SaveResult saveDesignAs(Design& design, const std::string& path);

}  // namespace orvelin
