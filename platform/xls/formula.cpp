// Measuring and rewriting the parsed tokens of a formula.

#include "platform/xls/formula.h"

#include "platform/xls/bytes.h"

namespace xls::detail {

namespace {

enum class Kind {
    Plain,      // copied as it is
    RelRef,     // a cell given as offsets from the formula's cell
    RelArea,    // a range given the same way
    OtherSheet, // a cell or range on a sheet named through the reference index
    Name,       // a defined name of this workbook, by its index
};

void put16(unsigned char* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

// The size of the token at `p` with `n` bytes left, and what it needs.
// False for a token that is unknown, that this codec does not keep, or
// that runs past the end.
bool measure(const unsigned char* p, std::size_t n, std::size_t& size, Kind& kind, bool names = false) {
    kind = Kind::Plain;
    const std::uint8_t ptg = p[0];
    if (ptg >= 0x03 && ptg <= 0x16) {
        size = 1; // operators, parentheses, a missing argument
    } else if (ptg < 0x20) {
        switch (ptg) {
        case 0x17: // a text constant: count, flag byte, 8- or 16-bit characters
            if (n < 3) return false;
            size = 3 + std::size_t(p[1]) * ((p[2] & 0x01) ? 2 : 1);
            break;
        case 0x19: // an attribute; a CHOOSE carries its jump table
            if (n < 4) return false;
            size = (p[1] & 0x04) ? 4 + 2 * (std::size_t(le16(p + 2)) + 1) : 4;
            break;
        case 0x1C:
        case 0x1D: size = 2; break; // error, boolean
        case 0x1E: size = 3; break; // integer
        case 0x1F: size = 9; break; // number
        default: return false;      // a shared or array formula, a data table, an extended token
        }
    } else if (ptg < 0x80) {
        switch (ptg & 0x1F) {
        case 0x00: size = 8; break; // array constant (its values follow the tokens)
        case 0x01: size = 3; break; // function
        case 0x02: size = 4; break; // function with a variable argument count
        case 0x04:
        case 0x0A: size = 5; break; // cell, deleted cell
        case 0x05:
        case 0x0B: size = 9; break; // range, deleted range
        case 0x06:
        case 0x07:
        case 0x08: size = 7; break; // sub-expressions that yield a range
        case 0x09: size = 3; break;
        case 0x0C:
            size = 5;
            kind = Kind::RelRef;
            break;
        case 0x0D:
            size = 9;
            kind = Kind::RelArea;
            break;
        case 0x1A:
        case 0x1C:
            size = 7;
            kind = Kind::OtherSheet;
            break;
        case 0x1B:
        case 0x1D:
            size = 11;
            kind = Kind::OtherSheet;
            break;
        case 0x03:
            if (!names) return false;
            size = 5;
            kind = Kind::Name;
            break;
        default: return false; // defined names, external names and what is not a token
        }
    } else {
        return false;
    }
    return size <= n;
}

// A row and a column field of a relative reference, made absolute for the
// cell at `row`, `col`. Rows wrap at 65536 and columns at 256 as the file
// format says offsets do.
void resolve(unsigned char* rw, unsigned char* cl, int row, int col) {
    std::uint16_t r = le16(rw);
    const std::uint16_t c = le16(cl);
    if (c & 0x8000) r = std::uint16_t((row + std::int16_t(r)) & 0xFFFF);
    std::uint16_t out = c;
    if (c & 0x4000) out = std::uint16_t((c & 0xC000) | ((col + std::int8_t(c & 0xFF)) & 0xFF));
    put16(rw, r);
    put16(cl, out);
}

bool relativeBits(const unsigned char* col) { return (le16(col) & 0xC000) != 0; }

} // namespace

namespace {

std::shared_ptr<const xl::KeptFormula> keep(const QByteArray& tokens, const QByteArray& extra, std::uint16_t flags,
                                            const SheetOfIndex& sheetOf, bool shared, int row, int col, bool names) {
    if (tokens.size() > 0xFFFF || (tokens.isEmpty() && !names)) return nullptr;
    auto f = std::make_shared<xl::KeptFormula>();
    f->tokens = QByteArray(tokens.constData(), tokens.size());
    f->extra = extra;
    f->flags = std::uint16_t(flags & ~kFormulaShared);
    auto* p = reinterpret_cast<unsigned char*>(f->tokens.data());
    const std::size_t n = std::size_t(f->tokens.size());
    std::size_t pos = 0;
    while (pos < n) {
        std::size_t size = 0;
        Kind kind;
        if (!measure(p + pos, n - pos, size, kind, names)) return nullptr;
        unsigned char* t = p + pos;
        switch (kind) {
        case Kind::Plain: break;
        case Kind::Name: f->nameFields.push_back(std::uint16_t(pos + 1)); break;
        case Kind::RelRef:
            if (!shared) return nullptr;
            resolve(t + 1, t + 3, row, col);
            t[0] = std::uint8_t(t[0] - 0x08); // the same class of an absolute cell
            break;
        case Kind::RelArea:
            if (!shared) return nullptr;
            resolve(t + 1, t + 5, row, col);
            resolve(t + 3, t + 7, row, col);
            t[0] = std::uint8_t(t[0] - 0x08);
            break;
        case Kind::OtherSheet: {
            const QString name = sheetOf ? sheetOf(le16(t + 1)) : QString();
            if (name.isNull()) return nullptr;
            qsizetype slot = f->sheets.indexOf(name);
            if (slot < 0) {
                slot = f->sheets.size();
                f->sheets.push_back(name);
            }
            put16(t + 1, std::uint16_t(slot));
            f->sheetFields.push_back(std::uint16_t(pos + 1));
            break;
        }
        }
        pos += size;
    }
    return f;
}

} // namespace

std::shared_ptr<const xl::KeptFormula> keepFormula(const QByteArray& tokens, const QByteArray& extra,
                                                   std::uint16_t flags, const SheetOfIndex& sheetOf, bool shared,
                                                   int row, int col) {
    return keep(tokens, extra, flags, sheetOf, shared, row, col, false);
}

std::shared_ptr<const xl::KeptFormula> keepNameFormula(const QByteArray& tokens, const QByteArray& extra,
                                                       const SheetOfIndex& sheetOf) {
    return keep(tokens, extra, 0, sheetOf, false, 0, 0, true);
}

bool hasRelativeReferences(const QByteArray& tokens) {
    const auto* p = reinterpret_cast<const unsigned char*>(tokens.constData());
    const std::size_t n = std::size_t(tokens.size());
    std::size_t pos = 0;
    while (pos < n) {
        std::size_t size = 0;
        Kind kind;
        if (!measure(p + pos, n - pos, size, kind)) return false;
        if (kind == Kind::RelRef && relativeBits(p + pos + 3)) return true;
        if (kind == Kind::RelArea && (relativeBits(p + pos + 5) || relativeBits(p + pos + 7))) return true;
        pos += size;
    }
    return false;
}

bool tokensForWrite(const xl::KeptFormula& f, const std::function<int(const QString&)>& indexOf, QByteArray& out,
                    const std::function<int(int)>& nameIndexOf) {
    out = QByteArray(f.tokens.constData(), f.tokens.size());
    if (out.isEmpty()) return false;
    auto* p = reinterpret_cast<unsigned char*>(out.data());
    for (std::uint16_t at : f.nameFields) {
        if (std::size_t(at) + 2 > std::size_t(out.size()) || !nameIndexOf) return false;
        const int index = nameIndexOf(le16(p + at));
        if (index <= 0 || index > 0xFFFF) return false;
        put16(p + at, std::uint16_t(index));
    }
    for (std::uint16_t at : f.sheetFields) {
        if (std::size_t(at) + 2 > std::size_t(out.size())) return false;
        const std::uint16_t slot = le16(p + at);
        if (slot >= f.sheets.size()) return false;
        const int index = indexOf(f.sheets[slot]);
        if (index < 0 || index > 0xFFFF) return false;
        put16(p + at, std::uint16_t(index));
    }
    return true;
}

} // namespace xls::detail
