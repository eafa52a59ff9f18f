#include "app/history.h"

#include <algorithm>

namespace orvelin {

namespace {

bool sameSnapshot(const DesignSnapshot& a, const DesignSnapshot& b) {
    return bitIdentical(a.design, b.design) && a.files.filePath == b.files.filePath &&
           a.files.fileTitle == b.files.fileTitle;
}

const std::string kNoName;

}  // namespace

History::History(std::size_t limit) : limit_(std::max<std::size_t>(limit, 1)) {
    entries_.push_back({});
}

void History::reset(const DesignSnapshot& start, bool saved) {
    entries_.clear();
    entries_.push_back({start, {}, nextDocument_++, saved});
    current_ = 0;
}

bool History::record(const std::string& name, const DesignSnapshot& after, bool newDocument, bool saved) {
    const Entry& here = entries_[current_];
    if (!newDocument && sameSnapshot(here.state, after)) return false;
    const int document = newDocument ? nextDocument_++ : here.document;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(current_) + 1, entries_.end());
    entries_.push_back({after, name, document, saved});
    // The oldest state goes; its successor becomes the first, with nothing
    // before it to undo to.
    if (entries_.size() > limit_ + 1) entries_.erase(entries_.begin());
    current_ = entries_.size() - 1;
    return true;
}

const std::string& History::undoName() const {
    return canUndo() ? entries_[current_].name : kNoName;
}

const std::string& History::redoName() const {
    return canRedo() ? entries_[current_ + 1].name : kNoName;
}

const DesignSnapshot& History::undo() {
    if (canUndo()) --current_;
    return current();
}

const DesignSnapshot& History::redo() {
    if (canRedo()) ++current_;
    return current();
}

void History::markSaved() {
    const std::string& path = entries_[current_].state.files.filePath;
    for (Entry& e : entries_)
        if (e.state.files.filePath == path) e.saved = false;
    entries_[current_].saved = true;
}

void History::renameDocument(const FileSelection& files, const std::string& designTitle) {
    const int document = entries_[current_].document;
    for (Entry& e : entries_)
        if (e.document == document) {
            e.state.files = files;
            e.state.design.designTitle = designTitle;
        }
}

}  // namespace orvelin
