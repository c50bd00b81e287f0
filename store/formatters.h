#pragma once
// The two small formatters the panels share: slashes into a date typed as
// digits, and an amount in the "#,0.00" form with Italian separators.

#include "store/money.h"

#include <QString>

namespace store {

// "-" becomes "/" (written back into Data1); when the third character is not
// "/", six characters become dd/mm/yy and eight dd/mm/yyyy; any other text
// comes back as it is, and so does a text that already holds a "/" (a day
// or month of one digit typed with separators). No check that the characters
// form a date.
QString StrToDate(QString& Data1);

// "#,0.00": thousands grouped with ".", two decimals after ",", a leading
// minus for a negative amount ("1.234,50", "0,50", "-3,00").
QString CtrNumD(Money amount);
// The same for a text typed in an amount field: "" when it is not a number.
QString CtrNumD(const QString& text);
// The same for a number as a cell holds it, read to the cent as the sheet
// shows it; a value that is not a finite number gives "".
QString CtrNumD(double dblNumD);

} // namespace store
