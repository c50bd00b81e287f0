#include "store/formatters.h"

#include "platform/vbconv.h"

#include <QLocale>
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

QString CtrNumD(double dblNumD) {
    if (!std::isfinite(dblNumD)) return QString();
    // Rounded half away from zero to the cent, as the spreadsheet's formats do;
    // the small nudge keeps 2,675 (stored as 2,67499...) from rounding down.
    const double cents = std::round(dblNumD * 100.0 + (dblNumD >= 0 ? 1e-7 : -1e-7));
    if (std::fabs(cents) > 1e17) return QString();
    QLocale it(QLocale::Italian, QLocale::Italy);
    it.setNumberOptions(QLocale::DefaultNumberOptions);
    if (cents == 0) return QStringLiteral("0,00");
    return it.toString(cents / 100.0, 'f', 2);
}

QString CtrNumD(const QString& text) {
    const std::optional<double> d = vb::CDbl(text);
    return d ? CtrNumD(*d) : QString();
}

} // namespace store
