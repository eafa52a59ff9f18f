#include "trace/design_saving.h"

#include "trace/layout.h"

namespace orvelin {

SaveResult saveWithFRatio(const Design& design, const std::string& path) {
    return saveDesign(design, path, designFRatio(design));
}

SaveResult saveDesignAs(Design& design, const std::string& path) {
    design.designTitle = titleFromFileName(fileNameOfPath(path));
    return saveWithFRatio(design, path);
}

}  // namespace orvelin
