#pragma once
// The in-process workbook engine that stands in for the spreadsheet
// application. Its object model mirrors the automation interface the panels
// were written against (a sheet by name, a range by address, End, Value, Text,
// Sort, EntireRow.Delete, PageSetup...), so that a procedure reads almost step
// by step as the panel's own description; names therefore follow the
// spreadsheet's PascalCase rather than ours. The engine knows nothing of the
// panels, and nothing of the file format: a codec is plugged in for Open/Save.

#include "platform/engine/value.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace xl {

constexpr int kMaxRows = 65536;
constexpr int kMaxCols = 256;
// The longest text a cell can hold; the file format has no room for more.
constexpr int kMaxCellText = 32767;

// Every failing call raises this, so a caller can either skip the step (the
// panels' "every failure skipped") or let it end the operation.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Constants of the automation interface, kept with their numeric values since
// the panels pass them as numbers.
enum Direction { xlDown = -4121, xlUp = -4162, xlToLeft = -4159, xlToRight = -4161 };
enum SortOrder { xlAscending = 1, xlDescending = 2 };
enum SortHeader { xlGuess = 0, xlYes = 1, xlNo = 2 };
enum HAlignConst { xlHAlignGeneral = 1, xlHAlignLeft = -4131, xlHAlignCenter = -4108, xlHAlignRight = -4152 };
enum VAlignConst { xlVAlignTop = -4160, xlVAlignCenter = -4108, xlVAlignBottom = -4107 };
enum ReadingOrderConst { xlContext = -5002, xlLTR = -5003, xlRTL = -5004 };
enum OrientationConst { xlPortrait = 1, xlLandscape = 2 };
enum PaperConst { xlPaperA4 = 9 };
enum PrintCommentsConst { xlPrintNoComments = -4142 };

// A rectangle of cells, 1-based and inclusive.
struct CellRect {
    int row1 = 1, col1 = 1, row2 = 1, col2 = 1;
    int rows() const { return row2 - row1 + 1; }
    int cols() const { return col2 - col1 + 1; }
    bool contains(int r, int c) const { return r >= row1 && r <= row2 && c >= col1 && c <= col2; }
    friend bool operator==(const CellRect&, const CellRect&) = default;
};

// A1 helpers. parseAddress accepts "A1", "$A$1", "A1:B2", "A:A", "2:2",
// "$A$1:$B$31", and raises Error on anything else or outside the sheet.
QString columnLetters(int col);
CellRect parseAddress(const QString& address);
QString formatAddress(const CellRect& r); // "$A$1" or "$A$2:$L$9"

enum class HAlign : std::uint8_t { General, Left, Center, Right, Fill, Justify, CenterAcross, Distributed };
enum class VAlign : std::uint8_t { Top, Center, Bottom, Justify, Distributed };

struct Font {
    QString name = QStringLiteral("Arial");
    double size = 10; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    std::uint16_t color = 0x7FFF; // palette index; 0x7FFF is "automatic"
    friend bool operator==(const Font&, const Font&) = default;
};

struct Border {
    std::uint8_t style = 0;  // 0 none, 1 thin, 2 medium... as the file keeps it
    std::uint8_t color = 64; // palette index
    friend bool operator==(const Border&, const Border&) = default;
};

// Everything a cell's format carries. Workbooks intern these: a cell holds an
// index into Workbook::styles().
struct Style {
    QString numberFormat = QStringLiteral("General");
    HAlign hAlign = HAlign::General;
    VAlign vAlign = VAlign::Bottom;
    bool wrapText = false;
    int orientation = 0; // text rotation in degrees, -90..90, or 255 (stacked)
    bool addIndent = false;
    int indentLevel = 0;
    bool shrinkToFit = false;
    int readingOrder = 0; // 0 context, 1 left-to-right, 2 right-to-left
    Font font;
    Border left, right, top, bottom;
    std::uint8_t fillPattern = 0; // 0 none, 1 solid...
    std::uint8_t fillForeground = 64;
    std::uint8_t fillBackground = 65;
    bool locked = true;
    bool formulaHidden = false;
    // The file's cell format (XF) this style was read from, so that a save
    // writes that record back with all it holds beyond the above; -1 for a
    // style of the program's own. Two styles that look alike compare equal
    // whatever their origin; the workbook still keeps them apart.
    struct Origin {
        std::int32_t xf = -1;
        friend bool operator==(const Origin&, const Origin&) { return true; }
    } origin;
    friend bool operator==(const Style&, const Style&) = default;
};

// A formula as a workbook file stored it: the file's own parsed tokens,
// which the engine neither reads nor evaluates. It rides with its cell so
// that a save writes the user's formula back instead of its last result;
// the cell's value stays that last result.
struct KeptFormula {
    QByteArray tokens;       // standalone: no reference to a formula shared between cells
    QByteArray extra;        // data that follows the tokens (array constants and the like)
    std::uint16_t flags = 0; // the record's option flags
    // Other sheets named by the formula. The sheet field of each such
    // token (at the offsets in sheetFields) holds an index into `sheets`,
    // so that the reference follows the sheet by name.
    QStringList sheets;
    std::vector<std::uint16_t> sheetFields;
    // Defined names a name's formula uses: the 1-based index, in the file
    // read, of each such name sits at the offsets in nameFields.
    std::vector<std::uint16_t> nameFields;
};

// A cell's link to the formula its file gave it: one pointer, null for
// nearly every cell, so that the cells without one pay a word for it. It
// reads like the shared pointer it holds.
class KeptRef {
public:
    KeptRef() noexcept = default;
    template <class T>
    KeptRef(std::shared_ptr<T> f) : p_(f ? new std::shared_ptr<const KeptFormula>(std::move(f)) : nullptr) {}
    KeptRef(const KeptRef& o) : p_(o.p_ ? new std::shared_ptr<const KeptFormula>(*o.p_) : nullptr) {}
    KeptRef(KeptRef&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    KeptRef& operator=(const KeptRef& o) {
        if (this != &o) KeptRef(o).swap(*this);
        return *this;
    }
    KeptRef& operator=(KeptRef&& o) noexcept {
        KeptRef(std::move(o)).swap(*this);
        return *this;
    }
    ~KeptRef() { delete p_; }

    void reset() noexcept {
        delete p_;
        p_ = nullptr;
    }
    void swap(KeptRef& o) noexcept { std::swap(p_, o.p_); }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    const KeptFormula* get() const noexcept { return p_ ? p_->get() : nullptr; }
    const KeptFormula& operator*() const { return **p_; }
    const KeptFormula* operator->() const { return p_->get(); }
    // The formula itself, to be shared further.
    std::shared_ptr<const KeptFormula> shared() const { return p_ ? *p_ : nullptr; }
    friend bool operator==(const KeptRef& a, std::nullptr_t) noexcept { return !a.p_; }

private:
    std::shared_ptr<const KeptFormula>* p_ = nullptr;
};

struct Cell {
    Value value;
    std::uint32_t style = 0; // index into Workbook::styles(); 0 is the default
    // The width AutoFit measured for this cell (pixels, < 0 = nothing to
    // fit), valid while its row's fitKnown holds; NaN until measured, and
    // again once the cell is open to writing (Worksheet::cellRef), so that
    // a write costs AutoFit that cell alone. It depends only on the value
    // and the format, so it moves with them: a cell moved whole with a
    // width that holds keeps it. It fills padding, so a cell is no larger
    // for it.
    // AutoFit writes it through read access, also in a block of rows that a
    // snapshot shares while a save encodes that snapshot on another thread.
    // That is safe without taking a copy of the block: the file writer never
    // reads this field (nor RowInfo::fitKnown), and a field is a memory
    // location of its own, so the two threads touch different bytes; and
    // while the block is shared both sides hold the same values and
    // formats, so what AutoFit stores holds for the snapshot too.
    mutable float fitWidth = std::numeric_limits<float>::quiet_NaN();
    // The file's formula for this cell, dropped by any write of the value.
    KeptRef kept;
};

struct RowInfo {
    std::vector<Cell> cells; // index = column - 1; trailing absent cells trimmed
    double height = -1;      // points; -1 = the sheet's default height
    bool hidden = false;
    // Whether the cells' fitWidth still holds, those that are not NaN: a
    // writable access to the whole row (Worksheet::rowInfoRef) clears it,
    // so AutoFit measures again every cell of the rows so written and only
    // the cells written one by one (Worksheet::cellRef) in the others.
    // Written through read access like Cell::fitWidth, and safe for the
    // same reasons.
    mutable bool fitKnown = false;
    std::int32_t style = -1; // row format, -1 = none
    // When the row was last open to writing (Worksheet::changeStamp() at
    // the time), so that a pass repeating what it did before can skip the
    // rows nobody touched since.
    std::uint64_t stamp = 0;
    // The same for a writing that may have changed a format: all but the
    // writes of values alone (Worksheet::valueRef, clear). A format applied
    // again to whole columns looks only at the rows changed so.
    std::uint64_t formatStamp = 0;
};

struct ColumnInfo {
    double width = -1; // characters of the default font; -1 = the sheet's default
    bool hidden = false;
    std::int32_t style = -1; // column format, -1 = none
};

// The page setup of one sheet, as the automation interface exposes it.
struct PageSetup {
    QString PrintArea;         // normalised absolute address, "" = none
    QString PrintTitleRows;    // e.g. "$1:$1", "" = none
    QString PrintTitleColumns; // e.g. "$A:$A", "" = none
    QString LeftHeader, CenterHeader, RightHeader;
    QString LeftFooter, CenterFooter, RightFooter;
    double LeftMargin = 54, RightMargin = 54, TopMargin = 72, BottomMargin = 72; // points
    double HeaderMargin = 36, FooterMargin = 36;                                 // points
    bool FitToPage = false; // true when the fit-to values rule instead of Zoom
    int FitToPagesWide = 1, FitToPagesTall = 1;
    int Zoom = 100; // percent, 10..400
    bool PrintGridlines = false;
    bool PrintHeadings = false;
    int Orientation = xlPortrait;
    int PaperSize = xlPaperA4;
    int PrintComments = xlPrintNoComments;
    int PrintQuality = 600;
    bool CenterHorizontally = false, CenterVertically = false;
    bool Draft = false, BlackAndWhite = false;
    int FirstPageNumber = 0; // 0 = automatic
    int Order = 1;           // 1 down then over, 2 over then down
    int PrintErrors = 0;
    std::vector<int> HPageBreaks; // manual breaks: a page starts at each row listed
    std::vector<int> VPageBreaks; // manual breaks: a page starts at each column listed

    // Setters that validate as the application does (raise Error).
    void SetPrintArea(const QString& address); // "" clears; else normalised
    void SetZoom(int percent);                 // 10..400, turns FitToPage off
    void SetFitToPages(int wide, int tall);    // turns FitToPage on
};

class Workbook;
class Worksheet;

// A rectangle on one sheet. Cheap to copy; valid while its sheet lives.
class Range {
public:
    Range() = default;
    Range(Worksheet* sheet, CellRect rect) : sheet_(sheet), rect_(rect) {}

    Worksheet& Parent() const;
    const CellRect& Rect() const { return rect_; }
    bool isNull() const { return sheet_ == nullptr; }

    // Value of the top-left cell; an empty cell reads as empty text.
    Value GetValue() const;
    // Writes the value into every cell of the range. A text stays text (even
    // "123"), a number a number; a date is kept as its serial number and
    // gives a General cell the format "dd/mm/yyyy". An empty text empties the
    // cell, as the application does. A number read back from a cell whose
    // format is a date format reads as a Date.
    void SetValue(const Value& v);
    QString Text() const; // displayed text of the top-left cell
    QString Formula() const;
    void SetFormula(const QString& f); // a plain number or text; "=" formulas are refused

    Range Offset(int rows, int cols) const;
    Range Cells(int row, int col) const; // relative to this range, 1-based
    Range Resize(int rows, int cols) const;
    int Row() const { return rect_.row1; }
    int Column() const { return rect_.col1; }
    int RowsCount() const { return rect_.rows(); }
    int ColumnsCount() const { return rect_.cols(); }
    QString Address() const;      // "$A$1", "$A$2:$L$9"
    Range End(Direction d) const; // Ctrl+arrow from the top-left cell
    Range EntireRow() const;
    Range EntireColumn() const;
    void Delete();        // of an entire-row range: rows below move up
    void ClearContents(); // values only; formats stay
    // Makes this the sheet's selection. Unlike the application, selecting on
    // a sheet that is not active is not refused: the selection is kept and
    // the active sheet does not change.
    void Select() const;
    void Activate() const { Select(); }

    // Sorts the rows of this block by the column of key1 (a cell in it),
    // case ignored and stable. Ascending: numbers first, where a text of
    // digits only (blanks around allowed) counts as its number, so practice
    // number "9" comes before "10" (the application would put "10" first);
    // then texts in Italian collation, booleans, errors; blanks always last.
    // Descending reverses all but the blanks. Only the block's columns move,
    // each cell with its format. xlGuess takes the first row for a header
    // when its key is a word and the key below it is a number.
    void Sort(const Range& key1, SortOrder order1, SortHeader header);

    // Formats: applied to every cell of the range (and to whole rows or
    // columns as their format when the range covers them).
    QString NumberFormat() const;
    void SetNumberFormat(const QString& fmt);
    void SetHorizontalAlignment(int xlConst);
    void SetVerticalAlignment(int xlConst);
    void SetWrapText(bool on);
    void SetOrientation(int degrees);
    void SetAddIndent(bool on);
    void SetIndentLevel(int level);
    void SetShrinkToFit(bool on);
    void SetReadingOrder(int xlConst);
    void SetMergeCells(bool merge);
    void SetFontSize(double points);
    void SetFontBold(bool bold);
    const Style& CellStyle() const; // effective style of the top-left cell

    double ColumnWidth() const; // characters, of the first column
    void SetColumnWidth(double chars);
    double RowHeight() const; // points, of the first row
    void SetRowHeight(double points);
    // Fits the range's columns to the displayed texts of the range's cells,
    // measured with the Liberation fonts' metrics (fonts-liberation), so
    // widths agree on every machine. Needs a QGuiApplication for the
    // metrics; without one (or without the fonts) widths are estimated.
    void AutoFit();

private:
    Worksheet* sheet_ = nullptr;
    CellRect rect_;
};

class Worksheet {
public:
    Worksheet(Workbook* book, const QString& name);
    // A copy is a snapshot: it shares the rows with the original, in blocks,
    // until one side writes a block, which then becomes that side's own. It
    // costs one pointer per block of rows, whatever the cells hold. The copy
    // keeps the original's workbook as its parent, whose style table only
    // grows, so the copy's cells still read their formats from it.
    Worksheet(const Worksheet&) = default;
    Worksheet& operator=(const Worksheet&) = default;

    const QString& Name() const { return name_; }
    void SetName(const QString& n) { name_ = n; }
    Workbook& Parent() const { return *book_; }

    Range GetRange(const QString& address);         // Range("A1"), Range("A2:L9")
    Range GetRange(const Range& a, const Range& b); // Range(cell1, cell2)
    Range Cells(int row, int col);                  // 1-based; raises outside the sheet
    Range AllCells();                               // Cells
    Range Columns(const QString& letters);          // Columns("G"), Columns("A:C")
    Range Columns(int col);
    Range Rows(int row);

    void Select(); // makes this the active sheet
    void Activate() { Select(); }

    Range Selection() const;
    void SetSelection(const CellRect& r) { selection_ = r; }

    // Frozen panes: rows above / columns left of the split stay in view.
    void FreezePanes(int rowsAbove, int colsLeft) {
        frozenRows_ = rowsAbove;
        frozenCols_ = colsLeft;
    }
    int FrozenRows() const { return frozenRows_; }
    int FrozenCols() const { return frozenCols_; }
    QString ScrollArea() const { return scrollArea_; }
    void SetScrollArea(const QString& address); // "" clears

    PageSetup& GetPageSetup() { return pageSetup_; }
    const PageSetup& GetPageSetup() const { return pageSetup_; }

    // How the print area (or, without one, the used cells) falls onto
    // pages under the page setup: the row and column bands of each page, in
    // order, and the scale the fit-to or zoom settings give. The printing
    // and HPageBreaksCount use it, so that the page count they show is the
    // number of pages that print.
    struct Pagination {
        CellRect area;
        std::vector<std::pair<int, int>> rowBands;    // first and last row of each page row
        std::vector<std::pair<int, int>> columnBands; // first and last column of each page column
        double scale = 1;                             // 1 = 100%
        int pageCount() const { return static_cast<int>(rowBands.size() * columnBands.size()); }
    };
    Pagination Paginate() const;
    int HPageBreaksCount() const;            // HPageBreaks.Count: row bands - 1
    CellRect usedRange() const;              // the smallest block holding every value
    double columnWidthPoints(int col) const; // 0 when hidden
    double rowHeightPoints(int row) const;   // 0 when hidden

    // Storage, for the engine itself, the codec and the printing. A row's
    // cell vector may hold padding slots (no value, no formula, the format
    // the row or column gives); cellAt reports those as absent.
    const Cell* cellAt(int row, int col) const; // nullptr when absent
    Cell& cellRef(int row, int col);            // creates it, with row/column format
    // cellRef for a caller that writes the cell's value, formula or width
    // and leaves its format as it is: the row does not count as having
    // changed a format (RowInfo::formatStamp).
    Cell& valueRef(int row, int col);
    int usedRows() const { return rowCount_; }
    const RowInfo* rowInfo(int row) const;
    RowInfo& rowInfoRef(int row);
    // The width AutoFit measured for the cell that still holds (see
    // Cell::fitWidth), NaN when there is none: a caller that moves a cell's
    // value and format elsewhere gives it along, so that the cell is not
    // measured again.
    float knownFitWidth(int row, int col) const;
    const ColumnInfo& columnInfo(int col) const { return cols_[col - 1]; }
    ColumnInfo& columnInfoRef(int col) { return cols_[col - 1]; }
    std::uint32_t effectiveStyle(int row, int col) const; // cell, else row, else column format
    const Value& valueAt(int row, int col) const;         // empty when absent; never creates
    QString textAt(int row, int col) const;               // displayed text, as Range::Text
    std::uint32_t inheritedStyle(int row, int col) const; // what a new cell gets: row, else column format
    void deleteRows(int first, int count);
    void clear(const CellRect& r); // values only

    // Change stamps. Every writable access to a row (rowInfoRef, hence
    // cellRef, and clear) gives the row the next value of a sheet-wide
    // counter; blocks of kStampRows rows keep the newest stamp among their
    // rows, so that "the rows written since stamp s" is found without a
    // look at every row.
    static constexpr int kStampRows = 256;
    std::uint64_t changeStamp() const { return stamp_; }
    // The newest stamp of the rows in the block holding `row` (1-based);
    // a block that lost or gained rows by a delete is newer still.
    std::uint64_t blockStamp(int row) const { return blockStamps_[(row - 1) / kStampRows]; }
    // The same for the writes to column `col` alone: a write to one cell
    // counts for its group of kStampColumns columns, one to a whole row (a
    // format, a sort, a delete) for every column. A search area written
    // beside the records thus leaves their columns' blocks as they were.
    static constexpr int kStampColumns = 16;
    std::uint64_t blockStamp(int row, int col) const {
        return columnStamps_[(row - 1) / kStampRows][(col - 1) / kStampColumns];
    }

    // The last row of the run of non-blank cells of column `col` (an empty
    // text counts as blank) that starts at row `from`; from - 1 when that
    // cell is blank. The record lists ask this of the same sheet again and
    // again: the answer is kept, and after a change only the blocks of rows
    // written since are looked at again, besides any rows the run grew by.
    int runEnd(int col, int from) const;

    // What a layer above keeps about the cells of this sheet so as to
    // answer a question again (a number looked up, a column read as a list)
    // by looking only at the blocks written since, as runEnd does. It
    // belongs to this sheet object: a copy of the sheet, or a sheet assigned
    // over, starts without any. One of each type, made on first use.
    struct Memo {
        virtual ~Memo() = default;
    };
    template <class T>
    T& memo() const {
        for (const auto& m : memos_.held)
            if (auto* t = dynamic_cast<T*>(m.get())) return *t;
        memos_.held.push_back(std::make_unique<T>());
        return static_cast<T&>(*memos_.held.back());
    }

    // What a format applied to whole columns or the whole sheet left
    // behind: every cell of those columns (every row format, for the whole
    // sheet) carries that property with that value, except in rows stamped
    // after `stamp`. Kept by the formatting, so that the same format again
    // touches only the rows written since.
    struct WholeFormat {
        int property = 0;
        int col1 = 0, col2 = 0;
        bool allRows = false; // the whole sheet: row formats too
        QString value;
        std::uint64_t stamp = 0;
    };
    std::vector<WholeFormat> wholeFormats;
    // AutoFit's widest cell per column of each block of kStampRows rows,
    // good while the block's stamp is not newer than `stamp`.
    struct FitBlock {
        std::uint64_t stamp = 0;
        std::vector<float> widest; // index = column - 1, < 0 = nothing to fit
    };
    std::vector<FitBlock> fitBlocks;
    // Rows a sort found in order by a key column: at `stamp`, rows first to
    // last were in order. Kept by the sort, so that asking again after a few
    // rows changed looks only at the keys next to rows written since.
    struct SortedRun {
        int keyCol = 0, first = 0, last = 0;
        bool descending = false;
        std::uint64_t stamp = 0;
        bool known = false;
    };
    std::array<SortedRun, 4> sortedRuns{};
    // The stamp of the last delete of rows, which moves rows to other places
    // with their own stamps: whatever was known of the rows by their place
    // holds only if it was known after this.
    std::uint64_t shiftStamp() const { return shiftStamp_; }

    double defaultColumnWidth = 8.43; // characters
    double defaultRowHeight = 12.75;  // points
    std::vector<CellRect> mergedCells;
    bool hidden = false;
    bool showGridlines = true;

private:
    friend class Workbook;
    // Rows are kept in blocks of kBlockRows behind shared pointers, so that a
    // copy of the sheet shares them. Every block but the last is full; the
    // last holds the rows up to rowCount_. Only the thread that owns the
    // sheet (the program's main thread) copies a sheet or writes one, so a
    // block whose pointer is not shared belongs to this sheet alone.
    static constexpr int kBlockShift = 8;
    static constexpr int kBlockRows = 1 << kBlockShift;
    using RowBlock = std::vector<RowInfo>;
    const RowInfo& storedRow(int index) const { // 0-based, < rowCount_
        return (*blocks_[index >> kBlockShift])[index & (kBlockRows - 1)];
    }
    RowBlock& writableBlock(int block); // this sheet's own copy of the block
    RowInfo& writableRow(int index) { return writableBlock(index >> kBlockShift)[index & (kBlockRows - 1)]; }
    void resizeRows(int count);

    Workbook* book_;
    QString name_;
    std::vector<std::shared_ptr<RowBlock>> blocks_;
    int rowCount_ = 0;
    std::uint64_t stamp_ = 0;
    std::uint64_t shiftStamp_ = 0;
    std::array<std::uint64_t, kMaxRows / kStampRows> blockStamps_{};
    std::array<std::array<std::uint64_t, kMaxCols / kStampColumns>, kMaxRows / kStampRows> columnStamps_{};
    RowInfo& rowForWrite(int row, bool formats = true); // rowInfoRef without the columns' stamps
    Cell& cellForWrite(int row, int col, bool formats);
    struct RunMemo {
        int col = 0, from = 0, end = 0;
        std::uint64_t stamp = 0;
        bool known = false;
    };
    mutable std::array<RunMemo, 4> runMemo_{};
    mutable std::size_t runMemoNext_ = 0;
    struct Memos {
        std::vector<std::unique_ptr<Memo>> held;
        Memos() = default;
        Memos(const Memos&) {}
        Memos& operator=(const Memos&) {
            held.clear();
            return *this;
        }
    };
    mutable Memos memos_;
    std::array<ColumnInfo, kMaxCols> cols_{};
    CellRect selection_{1, 1, 1, 1};
    int frozenRows_ = 0, frozenCols_ = 0;
    QString scrollArea_;
    PageSetup pageSetup_;
};

// The formatting tables of the file a workbook was read from, kept as the
// file's own records so that a save writes them back as they were: fonts
// with every weight and family, number formats by their index and text,
// cell and style formats, the named styles and a custom palette.
struct FileFormatting {
    std::vector<QByteArray> fonts;                            // FONT records' data, in file order
    std::vector<std::pair<std::uint16_t, QString>> formats;   // FORMAT records: index, format text
    std::vector<QByteArray> xfs;                              // XF records' data
    std::vector<std::uint32_t> xfStyle;                       // the style each XF reads as
    std::vector<std::pair<std::uint16_t, QByteArray>> styles; // STYLE and STYLEEXT records
    QByteArray palette;                                       // PALETTE data, empty without one
    bool empty() const { return xfs.empty(); }
};

// A name the file defines (a named range, an autofilter's or a print area's
// range, a name in any script), kept to be written back in file order. The
// print area and print titles of a sheet are its page setup's: their
// entries only hold the place.
struct DefinedName {
    QString name; // a built-in name: its one-character code
    bool builtin = false;
    QString sheet;                // the sheet the name belongs to; empty: the workbook
    std::uint16_t flags = 0;      // the record's option flags
    std::uint8_t shortcut = 0;    // keyboard shortcut of a macro name
    std::uint32_t textCounts = 0; // lengths of the menu, description, help and status texts after the formula
    std::shared_ptr<const KeptFormula> formula; // null: the name could not be kept
    bool printSetup() const { return builtin && name.size() == 1 && (name[0] == QChar(6) || name[0] == QChar(7)); }
};

// What the codec keeps of a file that the engine does not model, so that a
// save carries it over unchanged.
struct ForeignStream {
    QString path; // stream path inside the compound file, e.g. "\x05SummaryInformation"
    QByteArray data;
};

class Workbook {
public:
    Workbook();
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // A copy of the workbook as it stands, for a save that writes it while
    // the program goes on changing this one: the sheets share their rows
    // with this workbook's (see Worksheet's copy), everything else is
    // copied. Its cost grows with the number of sheets and blocks of rows,
    // not with the cells. Made and dropped on the owning thread's say-so;
    // another thread may read it.
    std::unique_ptr<Workbook> snapshot() const;

    // Sheets in file order.
    int SheetCount() const { return static_cast<int>(sheets_.size()); }
    Worksheet& Sheets(const QString& name); // raises when missing
    Worksheet& Sheets(int index);           // 1-based
    Worksheet* findSheet(const QString& name);
    Worksheet& AddSheet(const QString& name); // for files and tests; the panels never add
    Worksheet& ActiveSheet();
    void SetActiveSheet(Worksheet& s);

    // Style table: index 0 is the default format.
    const std::vector<Style>& styles() const { return styles_; }
    std::uint32_t internStyle(const Style& s);
    // Makes `s` the default format (index 0) of a workbook that has no other
    // style yet: a file's own default font and format for the cells the
    // program adds.
    void setDefaultStyle(const Style& s);
    const Style& style(std::uint32_t index) const { return styles_.at(index); }

    // File binding. Save writes to FullName with Password; SaveAs writes a copy
    // and, like the application, binds the workbook to the new path unless
    // keepBinding is set (the backup copy keeps Pratiche.xls bound).
    const QString& FullName() const { return path_; }
    const QString& Password() const { return password_; }
    void bind(const QString& path, const QString& password) {
        path_ = path;
        password_ = password;
    }
    // Both write on the calling thread, after any background save asked for
    // earlier has been written (its `done` run first), so the file always
    // ends with the latest state.
    void Save();
    void SaveAs(const QString& path, const QString& password, bool keepBinding = false);

    // Saves to FullName as Save does, but only a snapshot is taken here: the
    // file is encoded and written (temporary file, flush, rename) by a
    // worker thread while this thread goes on. One file is written at a
    // time; a save asked for while another is being written waits for it,
    // and several that wait become one, which writes the latest state and
    // is answered through the latest `done`. `done` runs on this thread
    // (from its event loop, or within WaitForSave, SaveInBackground or the
    // workbook's end) once the file has been replaced, with no exception,
    // or once the write has failed, with what it raised (the old file is
    // then whole). Raises, and starts nothing, when Save would raise before
    // writing (no file bound, no codec).
    using SaveDone = std::function<void(std::exception_ptr failure)>;
    void SaveInBackground(SaveDone done);
    // Returns once every save asked for has been written, with every `done`
    // run. The workbook's destruction waits the same way.
    void WaitForSave();
    // A save asked for is still to be written, or its `done` still to run.
    bool SavePending() const;

    bool date1904 = false;
    std::uint16_t codepage = 1200;
    std::vector<ForeignStream> foreignStreams;
    FileFormatting formatting;
    std::vector<DefinedName> names;
    // What the file held that a save cannot write back, one line per kind in
    // the user's words; filled when the file is read, emptied once the file
    // as it was has been kept and the user told.
    QStringList notKept;

private:
    std::vector<std::unique_ptr<Worksheet>> sheets_;
    int active_ = 0;
    std::vector<Style> styles_;
    std::unordered_map<std::size_t, std::vector<std::uint32_t>> styleIndex_;
    QString path_, password_;
    // Last, so that it goes first: a pending save ends (and its `done`
    // runs) while the rest of the workbook still stands.
    class SaveWorker;
    std::unique_ptr<SaveWorker> saver_;
};

// The order Range::Sort gives rows whose keys are key(0)..key(count - 1):
// the answer's element j is the index of the key that goes j-th. For a
// caller that knows rows before it writes them, so that it can write them
// where the sort would put them.
std::vector<int> sortOrder(int count, const std::function<const Value&(int)>& key, SortOrder order);

// The codec the engine calls for files; registered once by the program (and
// by tests), so that the engine itself stays free of the file format.
struct FileCodec {
    std::function<std::unique_ptr<Workbook>(const QString& path, const QString& password)> open;
    std::function<void(const Workbook& book, const QString& path, const QString& password)> save;
};
void setFileCodec(FileCodec codec);
const FileCodec& fileCodec();

// The application object: flags, the open workbook, and the few functions
// the panels call on it. One per program.
class Application {
public:
    bool Visible = false;
    bool ScreenUpdating = true;
    bool DisplayAlerts = true;
    bool EnableEvents = true;

    Workbook& Open(const QString& path, const QString& password); // Workbooks.Open
    void adopt(std::unique_ptr<Workbook> book);                   // an open workbook from elsewhere
    bool hasWorkbook() const { return book_ != nullptr; }
    Workbook& ActiveWorkbook(); // raises when none is open
    Worksheet& ActiveSheet() { return ActiveWorkbook().ActiveSheet(); }
    Worksheet& Sheets(const QString& name) { return ActiveWorkbook().Sheets(name); }
    Range Selection() { return ActiveSheet().Selection(); }
    Range GetRange(const QString& address) { return ActiveSheet().GetRange(address); } // of the active sheet
    Range Cells(int row, int col) { return ActiveSheet().Cells(row, col); }
    void Close(); // closes without saving
    void Quit() { Close(); }

    static double InchesToPoints(double inches) { return inches * 72.0; }
    static double Sum(const Range& r); // WorksheetFunction.Sum

private:
    std::unique_ptr<Workbook> book_;
};

} // namespace xl
