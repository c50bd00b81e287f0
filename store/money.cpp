#include "store/money.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace store {

namespace {

// Past this many digits of cents a text cannot be held, let alone kept: the
// kMaxDigits check comes first for anything a spreadsheet could keep.
constexpr int kMaxCentDigits = 18;

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == QChar(0xA0); }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Digits of a whole number of cents split into whole units and cents.
struct Parts {
    QString whole; // no leading zeros; "" for zero
    QString cents; // two digits
};

Parts split(qint64 cents) {
    const quint64 a = cents < 0 ? 0 - static_cast<quint64>(cents) : static_cast<quint64>(cents);
    Parts p;
    if (a >= 100) p.whole = QString::number(a / 100);
    p.cents = QStringLiteral("%1").arg(a % 100, 2, 10, QLatin1Char('0'));
    return p;
}

// Whole cents of the decimal digits `digits` scaled by 10^exp10 (the value
// is digits * 10^exp10 cents), rounded half away from zero. nullopt past
// kMaxCentDigits.
std::optional<quint64> centsOf(const QString& digits, int exp10) {
    QString d = digits;
    while (d.size() > 1 && d.front() == u'0') d.remove(0, 1);
    bool roundUp = false;
    if (exp10 < 0) {
        const int drop = -exp10;
        if (drop >= d.size()) {
            roundUp = drop == d.size() && d.front() >= u'5';
            d = QStringLiteral("0");
        } else {
            roundUp = d.at(d.size() - drop) >= u'5';
            d.chop(drop);
        }
    } else if (d != QStringLiteral("0")) {
        d += QString(exp10, u'0');
    }
    while (d.size() > 1 && d.front() == u'0') d.remove(0, 1);
    if (d.size() > kMaxCentDigits) return std::nullopt;
    return d.toULongLong() + (roundUp ? 1 : 0);
}

} // namespace

std::optional<Money> Money::parse(const QString& text, Refusal* why) {
    auto refuse = [why](Refusal r) -> std::optional<Money> {
        if (why) *why = r;
        return std::nullopt;
    };
    int i = 0;
    int end = static_cast<int>(text.size());
    while (i < end && isBlank(text[i])) ++i;
    while (end > i && isBlank(text[end - 1])) --end;
    // The euro sign may stand after the amount or before it (after the sign),
    // as the spreadsheet's own conversion of Italian text allows.
    const QChar euro(0x20AC);
    bool euroSeen = false;
    if (end > i && text[end - 1] == euro) {
        euroSeen = true;
        --end;
        while (end > i && isBlank(text[end - 1])) --end;
    }
    bool negative = false;
    if (i < end && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
        while (i < end && isBlank(text[i])) ++i;
    }
    if (i < end && text[i] == euro && !euroSeen) {
        ++i;
        while (i < end && isBlank(text[i])) ++i;
    }
    // Whole part: digits, grouped by "." in threes when grouped at all.
    QString whole;
    int groupLength = -1; // digits since the last ".", -1 before any "."
    int firstGroup = 0;
    for (; i < end && text[i] != u','; ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            whole += c;
            if (groupLength >= 0)
                ++groupLength;
            else
                ++firstGroup;
        } else if (c == u'.') {
            if (groupLength >= 0 ? groupLength != 3 : firstGroup == 0 || firstGroup > 3)
                return refuse(Refusal::NotAnAmount);
            groupLength = 0;
        } else {
            return refuse(Refusal::NotAnAmount);
        }
    }
    if (groupLength >= 0 && groupLength != 3) return refuse(Refusal::NotAnAmount);
    QString decimals;
    if (i < end) {
        for (++i; i < end; ++i) {
            if (!isDigit(text[i])) return refuse(Refusal::NotAnAmount);
            decimals += text[i];
        }
        // A lone "," is no amount; "12," is twelve, as typed before the decimals.
        if (whole.isEmpty() && decimals.isEmpty()) return refuse(Refusal::NotAnAmount);
    }
    if (whole.isEmpty() && decimals.isEmpty()) return refuse(Refusal::NotAnAmount);
    const std::optional<quint64> cents = centsOf(whole + decimals, 2 - static_cast<int>(decimals.size()));
    if (!cents) return refuse(Refusal::TooLong);
    const Money m(negative ? -static_cast<qint64>(*cents) : static_cast<qint64>(*cents));
    if (!m.keepsExactly()) return refuse(Refusal::TooLong);
    return m;
}

std::optional<Money> Money::fromDouble(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    // The 15 significant digits the spreadsheet shows, then to the cent.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.*e", kMaxDigits - 1, std::fabs(value));
    const char* e = std::strchr(buf, 'e');
    if (!e) return std::nullopt;
    QString digits;
    for (const char* p = buf; p < e; ++p)
        if (*p >= '0' && *p <= '9') digits += QLatin1Char(*p);
    const int exp10 = std::atoi(e + 1);
    // digits * 10^(exp10 - 14) units, so digits * 10^(exp10 - 12) cents.
    const std::optional<quint64> cents = centsOf(digits, exp10 - (kMaxDigits - 1) + 2);
    if (!cents) return std::nullopt;
    const Money m(value < 0 ? -static_cast<qint64>(*cents) : static_cast<qint64>(*cents));
    if (!m.keepsExactly()) return std::nullopt;
    return m;
}

bool Money::keepsExactly() const {
    const Parts p = split(cents_);
    const int decimals = p.cents == QStringLiteral("00") ? 0 : p.cents.endsWith(u'0') ? 1 : 2;
    return p.whole.size() + decimals <= kMaxDigits;
}

QString Money::grouped() const {
    const Parts p = split(cents_);
    QString whole = p.whole.isEmpty() ? QStringLiteral("0") : p.whole;
    for (int k = static_cast<int>(whole.size()) - 3; k > 0; k -= 3) whole.insert(k, u'.');
    return (cents_ < 0 ? QStringLiteral("-") : QString()) + whole + u',' + p.cents;
}

QString Money::general() const {
    const Parts p = split(cents_);
    QString out = p.whole.isEmpty() ? QStringLiteral("0") : p.whole;
    QString decimals = p.cents;
    while (decimals.endsWith(u'0')) decimals.chop(1);
    if (!decimals.isEmpty()) out += u',' + decimals;
    return (cents_ < 0 ? QStringLiteral("-") : QString()) + out;
}

} // namespace store
