#pragma once
// The parsed formulas of a workbook file, kept as the file's own tokens so
// that a save writes them back. Nothing here evaluates a formula: the walk
// only measures each token, turns the relative references of a formula
// shared between cells into the coordinates of one cell, and ties the
// references to other sheets to those sheets' names.

#include "platform/engine/workbook.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace xls::detail {

// The option flags of a cell's formula record.
constexpr std::uint16_t kFormulaAlwaysCalc = 0x0001;
constexpr std::uint16_t kFormulaShared = 0x0008;

// The name of the one sheet of this workbook that a reference index of the
// file means, or a null string when it means anything else (another
// workbook, several sheets, a deleted sheet).
using SheetOfIndex = std::function<QString(std::uint16_t)>;

// Tokens as a cell's formula record holds them. `shared` says they come
// from a formula shared between cells: their relative references are then
// offsets, resolved against `row`, `col` (0-based). Returns null for
// anything this codec does not keep (an unknown, truncated or damaged token,
// a defined name, another workbook, an array formula or data table) — the
// cell then keeps its value only.
std::shared_ptr<const xl::KeptFormula> keepFormula(const QByteArray& tokens, const QByteArray& extra,
                                                   std::uint16_t flags, const SheetOfIndex& sheetOf,
                                                   bool shared = false, int row = 0, int col = 0);

// The tokens of a defined name: as keepFormula, and names used by the name
// are kept too (see KeptFormula::nameFields). Empty tokens are a name
// without a formula, kept as such.
std::shared_ptr<const xl::KeptFormula> keepNameFormula(const QByteArray& tokens, const QByteArray& extra,
                                                       const SheetOfIndex& sheetOf);

// Whether a shared formula's tokens hold any reference relative to the
// cell, i.e. whether each cell needs its own copy. False also for tokens
// keepFormula would refuse.
bool hasRelativeReferences(const QByteArray& tokens);

// The tokens to write for `f`, with each reference to another sheet given
// the writer's index of that sheet (`indexOf(name)`, -1 when the sheet is
// gone). False when the formula cannot be written as it stands.
// A name used by the formula is given the index `nameIndexOf(index read)`
// (0 or less when the name is not written, which fails the formula).
bool tokensForWrite(const xl::KeptFormula& f, const std::function<int(const QString&)>& indexOf, QByteArray& out,
                    const std::function<int(int)>& nameIndexOf = {});

} // namespace xls::detail
