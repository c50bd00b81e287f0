#include "platform/xls/dropscan.h"
#include "platform/xls/records.h"

#include "platform/engine/workbook.h"

#include <algorithm>

namespace xls::detail {

namespace {

// The common-data subrecord that opens an OBJ record, and the kinds of
// drawing object it gives.
constexpr std::uint16_t kFtCmo = 0x0015;
enum : std::uint16_t { kObjChart = 0x05, kObjDropDown = 0x14, kObjNote = 0x19 };

// Cells covered by an ARRAY or TABLE record's range.
long rangeCells(const ByteView& v) {
    if (v.size() < 6) return 0;
    const long rows = long(v.u16(2)) - long(v.u16(0)) + 1;
    const long cols = long(v.u8(5)) - long(v.u8(4)) + 1;
    return rows > 0 && cols > 0 ? rows * cols : 0;
}

} // namespace

void SheetDropScan::record(std::uint16_t type, const ByteView& v, int depth) {
    // Only a chart is embedded in a sheet's substream; what lies inside it
    // goes with the chart.
    if (type == rec::kBof) {
        if (depth == 0) drops_ |= dropBit(Dropped::Charts);
        return;
    }
    if (depth > 0) return;
    switch (type) {
    case rec::kFormula: ++formulas_; break;
    case rec::kArray:
        drops_ |= dropBit(Dropped::ArrayFormulas);
        groupCells_ += rangeCells(v);
        break;
    case rec::kTable:
        drops_ |= dropBit(Dropped::DataTables);
        groupCells_ += rangeCells(v);
        break;
    case rec::kNote: drops_ |= dropBit(Dropped::Comments); break;
    case rec::kObj:
        if (v.size() >= 6 && v.u16(0) == kFtCmo) {
            const std::uint16_t kind = v.u16(4);
            // Filter and validation arrows are the drawings of those features.
            if (kind == kObjNote)
                drops_ |= dropBit(Dropped::Comments);
            else if (kind == kObjChart)
                drops_ |= dropBit(Dropped::Charts);
            else if (kind != kObjDropDown)
                drops_ |= dropBit(Dropped::Drawings);
        }
        break;
    case rec::kCondFmt:
    case rec::kCf:
    case rec::kCondFmt12:
    case rec::kCf12: // CONDFMT, CF and their 2007 forms
        drops_ |= dropBit(Dropped::ConditionalFormats);
        break;
    case rec::kDv: drops_ |= dropBit(Dropped::Validation); break;
    case rec::kLabelSst:
        if (v.size() >= 10) {
            const std::uint32_t i = v.u32(6);
            if (i < sstRich_.size() && sstRich_[i]) drops_ |= dropBit(Dropped::RichText);
        }
        break;
    case rec::kRString: drops_ |= dropBit(Dropped::RichText); break;
    case rec::kHLink: drops_ |= dropBit(Dropped::Hyperlinks); break;
    case rec::kAutoFilterInfo:
    case rec::kAutoFilter: drops_ |= dropBit(Dropped::AutoFilters); break;
    case rec::kRow: // outline level
        if (v.size() >= 16 && (v.u32(12) & 0x07)) drops_ |= dropBit(Dropped::Outline);
        break;
    case rec::kColInfo: // outline level
        if (v.size() >= 10 && ((v.u16(8) >> 8) & 0x07)) drops_ |= dropBit(Dropped::Outline);
        break;
    case rec::kSxView: drops_ |= dropBit(Dropped::PivotTables); break;
    case rec::kProtect:
        if (v.size() >= 2 && v.u16(0) != 0) drops_ |= dropBit(Dropped::SheetProtection);
        break;
    default: break;
    }
}

void SheetDropScan::finish(const xl::Worksheet& ws) {
    long kept = 0;
    for (int r = 1; r <= ws.usedRows(); ++r) {
        if (const xl::RowInfo* ri = ws.rowInfo(r))
            kept += long(
                std::count_if(ri->cells.begin(), ri->cells.end(), [](const xl::Cell& c) { return c.kept != nullptr; }));
    }
    // The cells of array formulas and data tables are told under their own name.
    if (formulas_ - groupCells_ > kept) drops_ |= dropBit(Dropped::FormulasAsValues);
}

DropSet globalsDrop(std::uint16_t type, const ByteView& v) {
    switch (type) {
    case rec::kObjProj: return dropBit(Dropped::Macros);
    case rec::kProtect:
    case rec::kWindowProtect: return v.size() >= 2 && v.u16(0) != 0 ? dropBit(Dropped::BookProtection) : 0;
    case rec::kFileSharing: return dropBit(Dropped::WriteReservation);
    default: return 0;
    }
}

DropSet sheetKindDrop(std::uint8_t boundSheetType) {
    switch (boundSheetType) {
    case 0x00: return 0;
    case 0x02: return dropBit(Dropped::ChartSheets);
    default: return dropBit(Dropped::MacroSheets); // macro, module, dialog
    }
}

QStringList describeDrops(DropSet book, const std::vector<QString>& sheetNames, const std::vector<DropSet>& perSheet) {
    static const char* const words[] = {
        "fogli grafico",
        "fogli macro",
        "grafici",
        "disegni, immagini e caselle di testo",
        "commenti delle celle",
        "formattazione condizionale",
        "convalida dei dati",
        "testo con formati diversi nella stessa cella (resta il testo)",
        "formule matrice (restano i valori)",
        "tabelle dati (restano i valori)",
        "formule che il programma non sa riscrivere (restano i valori)",
        "collegamenti ipertestuali (resta il testo)",
        "filtri automatici",
        "raggruppamenti di righe e colonne",
        "tabelle pivot (restano i valori)",
        "protezione dei fogli",
        "protezione della struttura della cartella di lavoro",
        "password di scrittura e apertura in sola lettura consigliata",
        "macro VBA",
    };
    static_assert(std::size(words) == std::size_t(Dropped::Count));
    QStringList out;
    for (unsigned k = 0; k < unsigned(Dropped::Count); ++k) {
        const DropSet bit = DropSet(1) << k;
        QStringList on;
        for (std::size_t i = 0; i < perSheet.size() && i < sheetNames.size(); ++i)
            if (perSheet[i] & bit) on << QStringLiteral("\"%1\"").arg(sheetNames[i]);
        if (!on.isEmpty()) {
            out << QStringLiteral("%1 (%2 %3)")
                       .arg(QLatin1String(words[k]),
                            on.size() == 1 ? QStringLiteral("foglio") : QStringLiteral("fogli"),
                            on.join(QStringLiteral(", ")));
        } else if (book & bit) {
            out << QLatin1String(words[k]);
        }
    }
    return out;
}

} // namespace xls::detail
