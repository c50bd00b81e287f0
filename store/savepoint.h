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

    // Saves the workbook; a failure has been told in a box and is answered
    // false. The change stays in memory either way: the next save writes it.
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
