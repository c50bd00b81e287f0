#pragma once
// The conversions of the Visual Basic runtime that the panels' procedures
// rely on, fixed to Italian settings (decimal comma, "." grouping,
// dd/mm/yyyy) whatever the machine's locale.

#include "platform/engine/value.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>

namespace vb {

// 1900 date system serial numbers (serial 1 = 1900-01-01, with the
// spreadsheet's phantom 29 February 1900, so serial 61 = 1900-03-01).
double DateSerial(const QDate& d);
QDate SerialDate(double serial);

// A value as text: a number in general form (at most 15 significant digits,
// decimal comma, no grouping: "1234,5"), a date as "dd/mm/yyyy", a boolean
// as "Vero"/"Falso", empty as "".
QString CStr(const xl::Value& v);

// Text to number with the locale: "1.234,50" is 1234.5, "12,5" is 12.5,
// blanks around allowed; nullopt when the text is not a number.
std::optional<double> CDbl(const QString& text);
bool IsNumeric(const QString& text);

// The leading-number rule: "." is the decimal point, leading blanks skipped,
// 0 when the text has no leading number ("7bis" is 7, "1 2" is 12).
double Val(const QString& text);

// Text to date: day/month/year with "/", "-" or "." separators, two-digit
// years 00-29 are 20xx and 30-99 are 19xx; nullopt when not a valid date.
std::optional<QDate> CDate(const QString& text);
bool IsDate(const QString& text);

// A cell compared with a box's text: equal texts match, and a number in the
// cell matches the same number written as text ("17" matches 17).
bool CellEqualsText(const xl::Value& cell, const QString& text);

// Signed 16-bit row arithmetic: a row past 32767 has no place; callers must
// refuse the operation with a message rather than overflow.
constexpr int kMaxRow16 = 32767;
inline bool fitsRow16(long row) { return row >= -32768 && row <= kMaxRow16; }

} // namespace vb
