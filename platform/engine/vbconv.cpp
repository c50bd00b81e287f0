#include "platform/engine/vbconv.h"

#include "platform/engine/numberformat.h"

#include <QStringList>
#include <cmath>

namespace vb {

namespace {

const qint64 kBaseDay = QDate(1899, 12, 31).toJulianDay();

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0xA0); }

} // namespace

double DateSerial(const QDate& d) {
    if (!d.isValid()) return 0;
    double serial = static_cast<double>(d.toJulianDay() - kBaseDay);
    // The spreadsheet counts a 29 February 1900 that never was: every later
    // day sits one serial further on.
    if (serial >= 60) serial += 1;
    return serial;
}

QDate SerialDate(double serial) {
    int y = 0, m = 0, d = 0;
    if (!xl::serialToYmd(serial, y, m, d) || d == 0 || (y == 1900 && m == 2 && d == 29)) return QDate();
    return QDate(y, m, d);
}

QString CStr(const xl::Value& v) {
    switch (v.type()) {
    case xl::ValueType::Empty: return QString();
    case xl::ValueType::Text: return v.textValue();
    case xl::ValueType::Number: return xl::generalNumber(v.numberValue(), 15);
    case xl::ValueType::Date: {
        const double s = v.numberValue();
        const double whole = std::floor(s);
        const double frac = s - whole;
        QString out;
        if (whole != 0 || frac == 0) out = xl::formatValue(xl::Value::number(s), QStringLiteral("dd/mm/yyyy"));
        if (frac != 0) {
            const QString t = xl::formatValue(xl::Value::number(frac), QStringLiteral("hh:mm:ss"));
            out = out.isEmpty() ? t : out + u' ' + t;
        }
        return out;
    }
    case xl::ValueType::Boolean: return v.booleanValue() ? QStringLiteral("Vero") : QStringLiteral("Falso");
    case xl::ValueType::Error: return QStringLiteral("Errore %1").arg(2000 + v.errorCode());
    }
    return QString();
}

std::optional<double> CDbl(const QString& text) {
    // Italian settings: "," is the decimal separator and "." groups
    // thousands anywhere in the integer part, so "1500.5" reads as 15005,
    // as the runtime reads it.
    QString s = text;
    int i = 0;
    const int n = static_cast<int>(s.size());
    while (i < n && isBlank(s[i])) ++i;
    int end = n;
    while (end > i && isBlank(s[end - 1])) --end;
    if (i >= end) return std::nullopt;
    // The currency symbol of the settings may stand before or after.
    if (s[i] == QChar(0x20AC)) {
        ++i;
        while (i < end && isBlank(s[i])) ++i;
    } else if (s[end - 1] == QChar(0x20AC)) {
        --end;
        while (end > i && isBlank(s[end - 1])) --end;
    }
    if (i >= end) return std::nullopt;
    bool negative = false;
    bool parens = false;
    if (s[i] == u'(' && s[end - 1] == u')') {
        parens = true;
        ++i;
        --end;
    }
    if (i < end && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
        while (i < end && isBlank(s[i])) ++i;
    } else if (end > i && (s[end - 1] == u'-' || s[end - 1] == u'+')) {
        negative = s[end - 1] == u'-';
        --end;
    }
    if (parens) negative = !negative;
    QString digits;
    bool seenDigit = false, seenComma = false;
    int k = i;
    for (; k < end; ++k) {
        const QChar c = s[k];
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
            seenDigit = true;
        } else if (c == u'.' && !seenComma) {
            // grouping: ignored
        } else if (c == u',' && !seenComma) {
            seenComma = true;
            digits += u'.';
        } else {
            break;
        }
    }
    if (!seenDigit) return std::nullopt;
    if (k < end && (s[k] == u'e' || s[k] == u'E' || s[k] == u'd' || s[k] == u'D')) {
        int j = k + 1;
        QString exp = QStringLiteral("e");
        if (j < end && (s[j] == u'+' || s[j] == u'-')) exp += s[j++];
        const int start = j;
        while (j < end && s[j].isDigit() && s[j].unicode() < 128) exp += s[j++];
        if (j == start) return std::nullopt;
        digits += exp;
        k = j;
    }
    if (k != end) return std::nullopt;
    bool ok = false;
    double v = digits.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return negative ? -v : v;
}

bool IsNumeric(const QString& text) { return CDbl(text).has_value(); }

double Val(const QString& text) {
    // Blanks are skipped everywhere, as the runtime does ("1 2" is 12).
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c)) s += c;
    int i = 0;
    const int n = static_cast<int>(s.size());
    QString num;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) num += s[i++];
    bool digit = false;
    while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
        num += s[i++];
        digit = true;
    }
    if (i < n && s[i] == u'.') {
        num += s[i++];
        while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
            num += s[i++];
            digit = true;
        }
    }
    if (!digit) return 0;
    if (i < n && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
        int j = i + 1;
        QString exp = QStringLiteral("e");
        if (j < n && (s[j] == u'+' || s[j] == u'-')) exp += s[j++];
        const int start = j;
        while (j < n && s[j].isDigit() && s[j].unicode() < 128) exp += s[j++];
        if (j > start) num += exp;
    }
    bool ok = false;
    const double v = num.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

std::optional<QDate> CDate(const QString& text) {
    const QString s = text.trimmed();
    if (s.isEmpty()) return std::nullopt;
    QChar sep;
    for (QChar c : s) {
        if (c == u'/' || c == u'-' || c == u'.') {
            sep = c;
            break;
        }
    }
    if (sep.isNull()) return std::nullopt;
    const QStringList parts = s.split(sep);
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    int nums[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        const QString p = parts[i].trimmed();
        if (p.isEmpty() || p.size() > 4) return std::nullopt;
        for (QChar c : p)
            if (!c.isDigit() || c.unicode() >= 128) return std::nullopt;
        nums[i] = p.toInt();
        if (i < 2 && p.size() > 2) return std::nullopt;
    }
    int year;
    if (parts.size() == 2) {
        year = QDate::currentDate().year();
    } else {
        year = nums[2];
        const int len = static_cast<int>(parts[2].trimmed().size());
        if (len <= 2)
            year += year < 30 ? 2000 : 1900;
        else if (year < 100)
            year += year < 30 ? 2000 : 1900;
    }
    const QDate d(year, nums[1], nums[0]);
    if (!d.isValid()) return std::nullopt;
    return d;
}

bool IsDate(const QString& text) { return CDate(text).has_value(); }

bool CellEqualsText(const xl::Value& cell, const QString& text) {
    switch (cell.type()) {
    case xl::ValueType::Empty: return text.isEmpty();
    case xl::ValueType::Text: return cell.textValue() == text;
    case xl::ValueType::Number: {
        const auto d = CDbl(text);
        return d && *d == cell.numberValue();
    }
    case xl::ValueType::Date: {
        if (const auto d = CDate(text)) return DateSerial(*d) == cell.numberValue();
        const auto n = CDbl(text);
        return n && *n == cell.numberValue();
    }
    case xl::ValueType::Boolean: return CStr(cell).compare(text, Qt::CaseInsensitive) == 0;
    case xl::ValueType::Error: return false;
    }
    return false;
}

} // namespace vb
