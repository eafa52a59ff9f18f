// The undo history of the one design: whole-design snapshots, each reached
// by a named change ("Focus", "Surface #2"), and which of them match the
// file they belong to, so that undoing back to what was saved clears the
// unsaved marker again.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "design/design.h"
#include "design/design_file.h"

namespace orvelin {

/// A design and the file it belongs to.  The file travels with the design
/// so that undoing an Open or a New brings back the file of the design it
/// undoes to, and a later Save writes where that design came from.
struct DesignSnapshot {
    Design design;
    FileSelection files;
};

class History {
  public:
    /// At most `limit` changes are kept; the oldest goes first.
    explicit History(std::size_t limit = 200);

    /// Forget every change: `start` is the only state, matching its file
    /// when `saved`.
    void reset(const DesignSnapshot& start, bool saved);

    /// A change called `name` has turned the current state into `after`.
    /// States that were undone are dropped.  `newDocument` marks New and
    /// Open, which begin another design: a later Save As renames only the
    /// states from there on.  `saved` says that `after` is what its file
    /// holds (a cleanly read file).  A change that alters nothing, bit for
    /// bit, is not recorded; the result says whether it was.
    bool record(const std::string& name, const DesignSnapshot& after, bool newDocument = false,
                bool saved = false);

    bool canUndo() const { return current_ > 0; }
    bool canRedo() const { return current_ + 1 < entries_.size(); }
    /// Name of the change Undo takes back, or of the one Redo makes again;
    /// empty when there is none.
    const std::string& undoName() const;
    const std::string& redoName() const;
    /// Step back or forward; the state to show.  Nothing moves when there is
    /// no such step.
    const DesignSnapshot& undo();
    const DesignSnapshot& redo();
    const DesignSnapshot& current() const { return entries_[current_].state; }

    /// The current state has just been written to its file: it now matches
    /// that file, and every other state that belonged to the file does not.
    void markSaved();
    /// The current design was saved under another name (Save As): every
    /// state of its document takes the new file and title.
    void renameDocument(const FileSelection& files, const std::string& designTitle);

    /// The design shown differs from its file (or has none).
    bool modified() const { return !entries_[current_].saved; }
    /// Number of states kept (1 after a reset).
    std::size_t size() const { return entries_.size(); }

  private:
    struct Entry {
        DesignSnapshot state;
        std::string name;  ///< the change that led here from the entry before
        int document = 0;
        bool saved = false;
    };
    std::vector<Entry> entries_;
    std::size_t current_ = 0;
    std::size_t limit_;
    int nextDocument_ = 1;
};

}  // namespace orvelin
