#pragma once
// A change of the workbook that ends in a save. Every handler that writes
// records and then saves does it through one of these, so the save, its
// message on failure and what follows it happen the same way everywhere.

#include "store/panelcontext.h"

namespace store {

class SavePoint {
public:
    explicit SavePoint(PanelContext& ctx) : ctx_(ctx) {}
    SavePoint(const SavePoint&) = delete;
    SavePoint& operator=(const SavePoint&) = delete;

    // Saves the workbook: the file is written in the background, and a
    // failure to write it is told in a box when it comes. False, with the
    // box already shown, when the save could not even start. The change
    // stays in memory either way: the next save writes it.
    bool save() {
        saved_ = ctx_.save();
        return saved_;
    }
    bool saved() const { return saved_; }

private:
    PanelContext& ctx_;
    bool saved_ = false;
};

} // namespace store
