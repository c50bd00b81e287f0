#pragma once
// Displayed text of a value under a number format, in Italian conventions.
// Covers what the workbook uses: General, "0", "0.00", "#,0.00" (and the
// "#,##0.00" spelling), "@", and date formats; formats as files carry them
// (locale prefixes such as "[$-410]", quoted literals, colours) are read as
// the formats they mean.

#include "platform/engine/value.h"

#include <QString>

namespace xl {

QString formatValue(const Value& v, const QString& numberFormat);
bool isDateFormat(const QString& numberFormat);
// Strips what does not change the meaning ([$-410], [$-409]) and spells
// "#,##0.00" as "#,0.00", so formats from files compare with ours.
QString canonicalFormat(const QString& numberFormat);

// A number in general form: at most `digits` significant digits, decimal
// comma, no grouping; scientific ("1,23457E+15") only for magnitudes that
// the plain form cannot show within those digits.
QString generalNumber(double v, int digits = 15);

// Day, month and year of a 1900-system serial number, with the spreadsheet's
// day 0 (0 January 1900) and its phantom 29 February 1900 (serial 60).
// False for negative serials or serials past 31/12/9999.
bool serialToYmd(double serial, int& year, int& month, int& day);

} // namespace xl
