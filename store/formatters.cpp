#include "store/formatters.h"

#include "platform/engine/numberformat.h"
#include "platform/engine/vbconv.h"

#include <cmath>

namespace store {

QString StrToDate(QString& Data1) {
    Data1.replace(QLatin1Char('-'), QLatin1Char('/'));
    if (Data1.size() >= 3 && Data1.at(2) == QLatin1Char('/')) return Data1;
    // A day or month of one digit typed with its separators ("1/2/03") is
    // already a date; splitting it by position would only garble it.
    if (Data1.contains(QLatin1Char('/'))) return Data1;
    if (Data1.size() == 6)
        return Data1.mid(0, 2) + QLatin1Char('/') + Data1.mid(2, 2) + QLatin1Char('/') + Data1.mid(4, 2);
    if (Data1.size() == 8)
        return Data1.mid(0, 2) + QLatin1Char('/') + Data1.mid(2, 2) + QLatin1Char('/') + Data1.mid(4, 4);
    return Data1;
}

QString CtrNumD(Money amount) { return amount.grouped(); }

QString CtrNumD(double dblNumD) {
    if (!std::isfinite(dblNumD)) return QString();
    // To the cent as the spreadsheet shows the number: half away from zero on
    // its 15 significant digits (2,675 gives 2,68; 0,004999999 gives 0,00).
    if (const std::optional<Money> amount = Money::fromDouble(dblNumD)) return CtrNumD(*amount);
    // Past the digits a cell keeps there are no cents to speak of: the
    // number is shown as the sheet's own "#,0.00" shows it.
    return xl::formatValue(xl::Value(dblNumD), QStringLiteral("#,0.00"));
}

QString CtrNumD(const QString& text) {
    // Read as the amount fields have always been read (Italian forms, the
    // spreadsheet's own conversion), then to the cent.
    const std::optional<double> d = vb::CDbl(text);
    return d ? CtrNumD(*d) : QString();
}

} // namespace store
