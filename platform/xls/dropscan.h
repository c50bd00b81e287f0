#pragma once
// What a file holds that the engine does not model and a save therefore
// cannot write back: found while the file is read, so that the program can
// keep the file as it was and tell the user before the first save drops it.

#include "platform/xls/bytes.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace xl {
class Worksheet;
}

namespace xls::detail {

// One kind of content the save leaves out, in the order the user reads them.
enum class Dropped : std::uint8_t {
    ChartSheets,
    MacroSheets,
    Charts,
    Drawings,
    Comments,
    ConditionalFormats,
    Validation,
    RichText,
    ArrayFormulas,
    DataTables,
    FormulasAsValues,
    Hyperlinks,
    AutoFilters,
    Outline,
    PivotTables,
    SheetProtection,
    BookProtection,
    WriteReservation,
    Macros,
    Count
};

using DropSet = std::uint32_t;
constexpr DropSet dropBit(Dropped d) { return DropSet(1) << unsigned(d); }

// The records of one sheet's substream, seen one by one as the reader goes.
class SheetDropScan {
public:
    explicit SheetDropScan(const std::vector<char>& sstRich) : sstRich_(sstRich) {}
    // `depth` counts the substreams (embedded charts) the record lies in.
    void record(std::uint16_t type, const ByteView& v, int depth);
    // Once the sheet is read: formulas that did not stay with their cells.
    void finish(const xl::Worksheet& ws);
    DropSet drops() const { return drops_; }
    // What another scan of a part of the same substream found.
    void add(const SheetDropScan& o) {
        drops_ |= o.drops_;
        formulas_ += o.formulas_;
        groupCells_ += o.groupCells_;
    }

private:
    const std::vector<char>& sstRich_;
    DropSet drops_ = 0;
    long formulas_ = 0, groupCells_ = 0;
};

// The records of the workbook globals that the save cannot carry.
DropSet globalsDrop(std::uint16_t type, const ByteView& v);
// A sheet the engine does not read (chart, macro or module sheet).
DropSet sheetKindDrop(std::uint8_t boundSheetType);

// The user's words for everything dropped: one line per kind, naming the
// sheets it lies on when it lies on sheets. `sheetNames` and `perSheet`
// run in parallel.
QStringList describeDrops(DropSet book, const std::vector<QString>& sheetNames, const std::vector<DropSet>& perSheet);

} // namespace xls::detail
