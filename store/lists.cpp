#include "store/lists.h"

#include "platform/engine/vbconv.h"

#include <algorithm>

namespace store {

namespace {

// The lists of a sheet's columns as they were last read, so that a combo
// box loaded again and again reads anew only the blocks of rows written
// since. An entry that reads as before keeps its old text, shared with the
// copies handed out, so that whoever compares the new list with one of them
// finds the unchanged entries at once.
class ColumnLists : public xl::Worksheet::Memo {
public:
    QStringList list(xl::Worksheet& sheet, int column) {
        // An empty text ends the list as an empty cell does, as the readers
        // compare with "".
        const int last = sheet.runEnd(column, 2);
        const int count = std::max(0, last - 1);
        auto it = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& k) { return k.column == column; });
        if (it == kept_.end()) it = kept_.insert(kept_.end(), Kept{column, 0, false, {}});
        Kept& k = *it;
        if (k.known && k.stamp == sheet.changeStamp()) return k.items;
        auto entry = [&](int row) { return vb::CStr(sheet.Cells(row, column).GetValue()); };
        if (!k.known) {
            k.items.clear();
            k.items.reserve(count);
            for (int row = 2; row <= last; ++row) k.items << entry(row);
        } else {
            if (k.items.size() > count) k.items.resize(count);
            const int kept = static_cast<int>(k.items.size());
            // Rows 2 .. kept + 1 hold the kept entries; only the blocks
            // written since are read again.
            for (int row = 2; row <= kept + 1;) {
                const int blockLast =
                    std::min(kept + 1, ((row - 1) / xl::Worksheet::kStampRows + 1) * xl::Worksheet::kStampRows);
                if (sheet.blockStamp(row, column) > k.stamp) {
                    for (int r = row; r <= blockLast; ++r) {
                        QString now = entry(r);
                        if (now != k.items.at(r - 2)) k.items[r - 2] = std::move(now);
                    }
                }
                row = blockLast + 1;
            }
            for (int row = kept + 2; row <= last; ++row) k.items << entry(row);
        }
        k.known = true;
        k.stamp = sheet.changeStamp();
        return k.items;
    }

private:
    struct Kept {
        int column = 0;
        std::uint64_t stamp = 0; // the sheet's change stamp when read
        bool known = false;
        QStringList items;
    };
    std::vector<Kept> kept_;
};

} // namespace

QStringList columnList(xl::Worksheet& sheet, int column) { return sheet.memo<ColumnLists>().list(sheet, column); }

} // namespace store
