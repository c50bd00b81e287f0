#pragma once
// Displayed text of a value under a number format, in Italian conventions.
// Covers what the workbook uses: General, "0", "0.00", "#,0.00" (and the
// "#,##0.00" spelling), "@", and date formats; formats as files carry them
// (locale prefixes such as "[$-410]", quoted literals, colours) are read as
// the formats they mean.

#include "platform/value.h"

#include <QString>

namespace xl {

QString formatValue(const Value& v, const QString& numberFormat);
bool isDateFormat(const QString& numberFormat);
// Strips what does not change the meaning ([$-410], [$-409]) and spells
// "#,##0.00" as "#,0.00", so formats from files compare with ours.
QString canonicalFormat(const QString& numberFormat);

} // namespace xl
