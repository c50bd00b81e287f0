#include "platform/engine/numberformat.h"

#include <QDate>
#include <QHash>
#include <QStringList>
#include <cmath>
#include <memory>
#include <vector>

// A small interpreter of the spreadsheet's number-format language: sections
// split by ';', digit placeholders 0 # ?, grouping and scaling commas,
// percent, exponents, quoted and escaped literals, colours and locale tags in
// brackets, and the date and time codes. Output follows Italian conventions
// (decimal comma, "." grouping, Italian month and day names) whatever the
// machine's locale.

namespace xl {

namespace {

enum class Tok { Literal, Zero, Hash, Quest, Point, Comma, Percent, Exp, Date, AmPm, General, At, Elapsed };

struct Token {
    Tok kind;
    QString text; // literal text, date code ("dd", "mmm", "h"...), exponent sign
};

struct Condition {
    bool present = false;
    QString op;
    double value = 0;
    bool test(double v) const {
        if (op == u"<") return v < value;
        if (op == u"<=") return v <= value;
        if (op == u">") return v > value;
        if (op == u">=") return v >= value;
        if (op == u"=") return v == value;
        if (op == u"<>") return v != value;
        return false;
    }
};

struct Section {
    std::vector<Token> tokens;
    Condition cond;
    bool isDate = false;
    bool hasText = false;
    bool empty = true;
};

const char* const kMonths[12] = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                                 "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};
const char* const kDays[7] = {"domenica", "lunedì", "martedì", "mercoledì", "giovedì", "venerdì", "sabato"};

QString cellGeneral(double v);

QStringList splitSections(const QString& fmt) {
    QStringList out;
    QString cur;
    bool quoted = false, bracket = false;
    for (int i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (quoted) {
            cur += c;
            if (c == u'"') quoted = false;
        } else if (c == u'\\' && i + 1 < fmt.size()) {
            cur += c;
            cur += fmt[++i];
        } else if (c == u'"') {
            quoted = true;
            cur += c;
        } else if (c == u'[') {
            bracket = true;
            cur += c;
        } else if (c == u']') {
            bracket = false;
            cur += c;
        } else if (c == u';' && !bracket) {
            out << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    out << cur;
    return out;
}

void addLiteral(std::vector<Token>& toks, const QString& s) {
    if (!toks.empty() && toks.back().kind == Tok::Literal)
        toks.back().text += s;
    else
        toks.push_back({Tok::Literal, s});
}

Section parseSection(const QString& s) {
    Section sec;
    auto& toks = sec.tokens;
    const int n = static_cast<int>(s.size());
    for (int i = 0; i < n;) {
        const QChar c = s[i];
        const QChar lc = c.toLower();
        if (c == u'"') {
            int j = i + 1;
            QString lit;
            while (j < n && s[j] != u'"') lit += s[j++];
            addLiteral(toks, lit);
            i = j + 1;
        } else if (c == u'\\') {
            if (i + 1 < n) addLiteral(toks, QString(s[i + 1]));
            i += 2;
        } else if (c == u'_') {
            addLiteral(toks, QStringLiteral(" "));
            i += 2;
        } else if (c == u'*') {
            i += 2; // fill character: no width to fill here
        } else if (c == u'[') {
            const int close = s.indexOf(u']', i);
            const QString inner = close < 0 ? s.mid(i + 1) : s.mid(i + 1, close - i - 1);
            i = close < 0 ? n : close + 1;
            if (inner.startsWith(u'$')) {
                const int dash = inner.indexOf(u'-');
                const QString sym = dash < 0 ? inner.mid(1) : inner.mid(1, dash - 1);
                if (!sym.isEmpty()) addLiteral(toks, sym);
            } else if (!inner.isEmpty() && (inner[0] == u'<' || inner[0] == u'>' || inner[0] == u'=')) {
                int k = 0;
                while (k < inner.size() && (inner[k] == u'<' || inner[k] == u'>' || inner[k] == u'=')) ++k;
                sec.cond.present = true;
                sec.cond.op = inner.left(k);
                sec.cond.value = inner.mid(k).trimmed().toDouble();
            } else {
                const QString low = inner.toLower();
                if (!low.isEmpty() && (low[0] == u'h' || low[0] == u'm' || low[0] == u's')) {
                    bool same = true;
                    for (QChar x : low) same = same && x == low[0];
                    if (same) {
                        toks.push_back({Tok::Elapsed, low});
                        sec.isDate = true;
                    }
                }
                // colours and anything else in brackets show nothing
            }
        } else if (s.mid(i, 7).compare(u"General", Qt::CaseInsensitive) == 0) {
            toks.push_back({Tok::General, {}});
            i += 7;
        } else if (c == u'0') {
            toks.push_back({Tok::Zero, {}});
            ++i;
        } else if (c == u'#') {
            toks.push_back({Tok::Hash, {}});
            ++i;
        } else if (c == u'?') {
            toks.push_back({Tok::Quest, {}});
            ++i;
        } else if (c == u'.') {
            toks.push_back({Tok::Point, {}});
            ++i;
        } else if (c == u',') {
            toks.push_back({Tok::Comma, {}});
            ++i;
        } else if (c == u'%') {
            toks.push_back({Tok::Percent, {}});
            ++i;
        } else if (c == u'@') {
            toks.push_back({Tok::At, {}});
            sec.hasText = true;
            ++i;
        } else if ((c == u'E' || c == u'e') && i + 1 < n && (s[i + 1] == u'+' || s[i + 1] == u'-')) {
            toks.push_back({Tok::Exp, QString(s[i + 1])});
            i += 2;
        } else if (s.mid(i, 5).compare(u"AM/PM", Qt::CaseInsensitive) == 0) {
            toks.push_back({Tok::AmPm, QStringLiteral("AM/PM")});
            sec.isDate = true;
            i += 5;
        } else if (s.mid(i, 3).compare(u"A/P", Qt::CaseInsensitive) == 0) {
            toks.push_back({Tok::AmPm, s.mid(i, 3)});
            sec.isDate = true;
            i += 3;
        } else if (lc == u'y' || lc == u'm' || lc == u'd' || lc == u'h' || lc == u's') {
            int j = i;
            while (j < n && s[j].toLower() == lc) ++j;
            toks.push_back({Tok::Date, s.mid(i, j - i).toLower()});
            sec.isDate = true;
            i = j;
        } else {
            addLiteral(toks, QString(c));
            ++i;
        }
    }
    sec.empty = toks.empty();
    return sec;
}

using Parsed = std::shared_ptr<const std::vector<Section>>;

Parsed parseFormat(const QString& fmt) {
    // Workbooks use a handful of formats over and over: keep them parsed.
    thread_local QHash<QString, Parsed> cache;
    auto it = cache.constFind(fmt);
    if (it != cache.constEnd()) return *it;
    auto out = std::make_shared<std::vector<Section>>();
    for (const QString& part : splitSections(fmt)) out->push_back(parseSection(part));
    if (cache.size() > 512) cache.clear();
    cache.insert(fmt, out);
    return out;
}

// The decimal digits of |v| rounded half away from zero at `decimals`
// places after the point, working on the 15 significant digits the
// spreadsheet keeps, so that 0,125 shows as 0,13 with two decimals.
void fixedDigits(double v, int decimals, QString& intPart, QString& fracPart) {
    v = std::fabs(v);
    intPart.clear();
    fracPart.clear();
    if (v == 0 || !std::isfinite(v)) {
        fracPart = QString(decimals, u'0');
        return;
    }
    const QString e = QString::number(v, 'e', 14); // d.ddddddddddddddde±x
    const int epos = static_cast<int>(e.indexOf(u'e'));
    QString digits = e.left(epos);
    digits.remove(u'.');
    const int exp10 = e.mid(epos + 1).toInt();
    // digits[0] has weight 10^exp10
    const int pointPos = exp10 + 1; // digits before the point
    QString all;                    // digits with the point at `pointPos'`
    int pp = pointPos;
    if (pp <= 0) {
        all = QString(-pp + 1, u'0') + digits;
        pp = 1;
    } else if (pp > digits.size()) {
        all = digits + QString(pp - digits.size(), u'0');
    } else {
        all = digits;
    }
    const int keep = pp + decimals;
    if (all.size() < keep) all += QString(keep - all.size(), u'0');
    bool roundUp = all.size() > keep && all[keep] >= u'5';
    all.truncate(keep);
    if (roundUp) {
        int k = keep - 1;
        while (k >= 0) {
            if (all[k] == u'9') {
                all[k] = u'0';
                --k;
            } else {
                all[k] = QChar(all[k].unicode() + 1);
                break;
            }
        }
        if (k < 0) {
            all.prepend(u'1');
            ++pp;
        }
    }
    intPart = all.left(pp);
    fracPart = all.mid(pp);
    int z = 0;
    while (z < intPart.size() && intPart[z] == u'0') ++z;
    intPart = intPart.mid(z);
}

QString groupDigits(const QString& digits) {
    QString out;
    const int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        out += digits[i];
        const int left = n - 1 - i;
        if (left > 0 && left % 3 == 0 && digits[i].isDigit()) out += u'.';
    }
    return out;
}

QString errorText(std::uint8_t code) {
    switch (code) {
    case 0x00: return QStringLiteral("#NULLO!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALORE!");
    case 0x17: return QStringLiteral("#RIF!");
    case 0x1D: return QStringLiteral("#NOME?");
    case 0x24: return QStringLiteral("#NUM!");
    case 0x2A: return QStringLiteral("#N/D");
    default: return QStringLiteral("#N/D");
    }
}

bool isDigitTok(Tok k) { return k == Tok::Zero || k == Tok::Hash || k == Tok::Quest; }

QString renderNumber(const Section& sec, double v) {
    const auto& toks = sec.tokens;
    const int n = static_cast<int>(toks.size());
    int pointAt = -1, expAt = -1;
    for (int i = 0; i < n; ++i) {
        if (toks[i].kind == Tok::Exp && expAt < 0) expAt = i;
        if (toks[i].kind == Tok::Point && pointAt < 0 && expAt < 0) pointAt = i;
    }
    const int mantEnd = expAt < 0 ? n : expAt;
    const int intEnd = pointAt < 0 ? mantEnd : pointAt;

    std::vector<int> intPh, fracPh, expPh;
    for (int i = 0; i < n; ++i) {
        if (!isDigitTok(toks[i].kind)) continue;
        if (i < intEnd)
            intPh.push_back(i);
        else if (i < mantEnd)
            fracPh.push_back(i);
        else
            expPh.push_back(i);
    }
    // Commas: between integer placeholders they group; right after the last
    // one they scale by a thousand each; elsewhere they are literal.
    bool grouping = false;
    int scale = 0;
    std::vector<bool> literalComma(n, false);
    const int lastInt = intPh.empty() ? -1 : intPh.back();
    for (int i = 0; i < n; ++i) {
        if (toks[i].kind != Tok::Comma) continue;
        if (!intPh.empty() && i > intPh.front() && i < lastInt) {
            grouping = true;
        } else if (lastInt >= 0 && i > lastInt && i < intEnd) {
            bool onlyCommas = true;
            for (int k = lastInt + 1; k < i; ++k) onlyCommas = onlyCommas && toks[k].kind == Tok::Comma;
            if (onlyCommas)
                ++scale;
            else
                literalComma[i] = true;
        } else {
            literalComma[i] = true;
        }
    }
    int percents = 0;
    for (const auto& t : toks)
        if (t.kind == Tok::Percent) ++percents;

    double x = std::fabs(v);
    for (int i = 0; i < percents; ++i) x *= 100;
    for (int i = 0; i < scale; ++i) x /= 1000;

    int exponent = 0;
    if (expAt >= 0 && x != 0) {
        const int intDigits = std::max<int>(1, static_cast<int>(intPh.size()));
        exponent = static_cast<int>(std::floor(std::log10(x)));
        bool engineering = intPh.size() > 1 && toks[intPh.front()].kind == Tok::Hash;
        if (engineering) {
            exponent = static_cast<int>(std::floor(static_cast<double>(exponent) / intDigits)) * intDigits;
        } else {
            exponent -= intDigits - 1;
        }
        x /= std::pow(10.0, exponent);
        QString ip, fp;
        fixedDigits(x, static_cast<int>(fracPh.size()), ip, fp);
        if (ip.size() > (engineering ? intDigits : intDigits)) {
            // rounding carried into a new digit: 9,99E+00 -> 1,00E+01
            exponent += engineering ? intDigits : 1;
            x /= engineering ? std::pow(10.0, intDigits) : 10.0;
        }
    }

    QString intDigits, fracDigits;
    fixedDigits(x, static_cast<int>(fracPh.size()), intDigits, fracDigits);

    // Integer placeholders, filled from the right.
    std::vector<QString> intOut(intPh.size());
    {
        const int k = static_cast<int>(intPh.size());
        const int L = static_cast<int>(intDigits.size());
        for (int p = k - 1, d = L - 1; p >= 0; --p) {
            if (d >= 0) {
                intOut[p] = QString(intDigits[d--]);
                if (p == 0 && d >= 0) intOut[p] = intDigits.left(d + 1) + intOut[p];
            } else {
                switch (toks[intPh[p]].kind) {
                case Tok::Zero: intOut[p] = QStringLiteral("0"); break;
                case Tok::Quest: intOut[p] = QStringLiteral(" "); break;
                default: break;
                }
            }
        }
        if (k == 0 && !intDigits.isEmpty() && fracPh.empty() && expAt < 0) {
            // a format with no digit placeholder at all shows its literals only
        }
    }
    // Fraction placeholders: trailing optional zeros dropped.
    std::vector<QString> fracOut(fracPh.size());
    {
        bool trailing = true;
        for (int p = static_cast<int>(fracPh.size()) - 1; p >= 0; --p) {
            const QChar d = fracDigits[p];
            const Tok kind = toks[fracPh[p]].kind;
            if (trailing && d == u'0' && kind != Tok::Zero) {
                fracOut[p] = kind == Tok::Quest ? QStringLiteral(" ") : QString();
            } else {
                trailing = false;
                fracOut[p] = QString(d);
            }
        }
    }

    QString out;
    int intIdx = 0, fracIdx = 0, expIdx = 0;
    QString expDigits = QString::number(std::abs(exponent));
    if (expDigits.size() < static_cast<int>(expPh.size()))
        expDigits = QString(static_cast<int>(expPh.size()) - expDigits.size(), u'0') + expDigits;
    for (int i = 0; i < n; ++i) {
        const Token& t = toks[i];
        switch (t.kind) {
        case Tok::Literal: out += t.text; break;
        case Tok::Zero:
        case Tok::Hash:
        case Tok::Quest:
            if (i < intEnd) {
                if (grouping) {
                    if (intIdx == 0) {
                        QString all;
                        for (const auto& s : intOut) all += s;
                        out += groupDigits(all);
                    }
                } else {
                    out += intOut[intIdx];
                }
                ++intIdx;
            } else if (i < mantEnd) {
                out += fracOut[fracIdx++];
            } else {
                if (expIdx == 0) out += expDigits;
                ++expIdx;
            }
            break;
        case Tok::Point: out += i == pointAt ? QStringLiteral(",") : QStringLiteral("."); break;
        case Tok::Comma:
            if (literalComma[i]) out += u',';
            break;
        case Tok::Percent: out += u'%'; break;
        case Tok::Exp:
            out += u'E';
            if (exponent < 0)
                out += u'-';
            else if (t.text == u"+")
                out += u'+';
            break;
        case Tok::General: out += cellGeneral(x); break;
        default: break;
        }
    }
    return out;
}

QString pad2(int v) { return QString::number(v).rightJustified(2, u'0'); }

QString renderDate(const Section& sec, double v) {
    if (v < 0 || v >= 2958466) return QStringLiteral("########");
    const auto& toks = sec.tokens;
    bool hasSeconds = false, hasAmPm = false;
    for (const auto& t : toks) {
        if (t.kind == Tok::Date && t.text[0] == u's') hasSeconds = true;
        if (t.kind == Tok::AmPm) hasAmPm = true;
    }
    // Round to the smallest unit shown.
    const double unit = hasSeconds ? 1.0 : 60.0;
    long long secs = std::llround(v * 86400.0 / unit) * static_cast<long long>(unit);
    const long long dayNo = secs / 86400;
    const long long sod = secs % 86400;
    int y = 0, m = 0, d = 0;
    serialToYmd(static_cast<double>(dayNo), y, m, d);
    const int hour = static_cast<int>(sod / 3600), minute = static_cast<int>((sod / 60) % 60),
              second = static_cast<int>(sod % 60);
    const int weekday = static_cast<int>((dayNo + 6) % 7); // serial 1 is a Sunday

    QString out;
    const int n = static_cast<int>(toks.size());
    auto isMinute = [&](int i) {
        for (int k = i - 1; k >= 0; --k) {
            if (toks[k].kind == Tok::Date || toks[k].kind == Tok::Elapsed) {
                if (toks[k].text[0] == u'h') return true;
                break;
            }
        }
        for (int k = i + 1; k < n; ++k) {
            if (toks[k].kind == Tok::Date || toks[k].kind == Tok::Elapsed) return toks[k].text[0] == u's';
        }
        return false;
    };
    for (int i = 0; i < n; ++i) {
        const Token& t = toks[i];
        switch (t.kind) {
        case Tok::Literal: out += t.text; break;
        case Tok::Point: out += u','; break;
        case Tok::Comma: out += u','; break;
        case Tok::Percent: out += u'%'; break;
        case Tok::Zero: break; // fractions of a second are not shown
        case Tok::Elapsed: {
            const long long total = secs;
            long long val = t.text[0] == u'h' ? total / 3600 : t.text[0] == u'm' ? total / 60 : total;
            out += QString::number(val).rightJustified(static_cast<int>(t.text.size()), u'0');
            break;
        }
        case Tok::AmPm: {
            const bool pm = hour >= 12;
            if (t.text.size() == 5)
                out += pm ? QStringLiteral("PM") : QStringLiteral("AM");
            else
                out += pm ? (t.text[2].isUpper() ? u'P' : u'p') : (t.text[0].isUpper() ? u'A' : u'a');
            break;
        }
        case Tok::Date: {
            const QString& c = t.text;
            const int len = static_cast<int>(c.size());
            switch (c[0].unicode()) {
            case 'y': out += len <= 2 ? pad2(y % 100) : QString::number(y).rightJustified(4, u'0'); break;
            case 'd':
                if (len == 1)
                    out += QString::number(d);
                else if (len == 2)
                    out += pad2(d);
                else if (len == 3)
                    out += QString::fromUtf8(kDays[weekday]).left(3);
                else
                    out += QString::fromUtf8(kDays[weekday]);
                break;
            case 'm':
                if (len <= 2 && isMinute(i)) {
                    out += len == 1 ? QString::number(minute) : pad2(minute);
                } else if (len == 1)
                    out += QString::number(m);
                else if (len == 2)
                    out += pad2(m);
                else if (len == 3)
                    out += QString::fromUtf8(kMonths[m - 1]).left(3);
                else if (len == 5)
                    out += QString::fromUtf8(kMonths[m - 1]).left(1);
                else
                    out += QString::fromUtf8(kMonths[m - 1]);
                break;
            case 'h': {
                int h = hour;
                if (hasAmPm) {
                    h %= 12;
                    if (h == 0) h = 12;
                }
                out += len == 1 ? QString::number(h) : pad2(h);
                break;
            }
            case 's': out += len == 1 ? QString::number(second) : pad2(second); break;
            default: break;
            }
            break;
        }
        default: break;
        }
    }
    return out;
}

QString renderText(const Section& sec, const QString& text) {
    QString out;
    for (const auto& t : sec.tokens) {
        if (t.kind == Tok::At)
            out += text;
        else if (t.kind == Tok::Literal)
            out += t.text;
    }
    return out;
}

bool hasNonZeroDigit(const QString& s) {
    for (QChar c : s)
        if (c.isDigit() && c != u'0') return true;
    return false;
}

} // namespace

bool serialToYmd(double serial, int& year, int& month, int& day) {
    if (!(serial >= 0) || serial >= 2958466) return false;
    const long long s = static_cast<long long>(std::floor(serial));
    if (s == 0) {
        year = 1900;
        month = 1;
        day = 0;
        return true;
    }
    if (s == 60) {
        year = 1900;
        month = 2;
        day = 29;
        return true;
    }
    const QDate base(1899, 12, 31);
    const QDate d = base.addDays(s < 60 ? s : s - 1);
    year = d.year();
    month = d.month();
    day = d.day();
    return true;
}

namespace {

// General form: plain with up to `digits` significant digits while the
// exponent lies in [low, digits); otherwise scientific with `mantissa`
// significant digits and an exponent of at least two digits.
QString generalForm(double v, int digits, int low, int mantissaDigits) {
    if (v == 0 || !std::isfinite(v)) return QStringLiteral("0");
    const bool neg = v < 0;
    const double a = std::fabs(v);
    const QString e = QString::number(a, 'e', digits - 1);
    const int epos = static_cast<int>(e.indexOf(u'e'));
    const int exp10 = e.mid(epos + 1).toInt();
    QString out;
    if (exp10 >= digits || exp10 < low) {
        QString m = QString::number(a, 'e', mantissaDigits - 1);
        const int mp = static_cast<int>(m.indexOf(u'e'));
        QString mantissa = m.left(mp);
        const int ex = m.mid(mp + 1).toInt();
        if (mantissa.contains(u'.')) {
            while (mantissa.endsWith(u'0')) mantissa.chop(1);
            if (mantissa.endsWith(u'.')) mantissa.chop(1);
        }
        mantissa.replace(u'.', u',');
        out = mantissa + u'E' + (ex < 0 ? u'-' : u'+') + QString::number(std::abs(ex)).rightJustified(2, u'0');
    } else {
        const int decimals = std::max(0, digits - 1 - exp10);
        QString ip, fp;
        fixedDigits(a, decimals, ip, fp);
        while (fp.endsWith(u'0')) fp.chop(1);
        out = (ip.isEmpty() ? QStringLiteral("0") : ip);
        if (!fp.isEmpty()) out += u',' + fp;
    }
    return neg ? u'-' + out : out;
}

// A cell under General: fifteen digits in plain form, and the six-digit
// scientific form for what plain form cannot hold.
QString cellGeneral(double v) { return generalForm(v, 15, -9, 6); }

} // namespace

QString generalNumber(double v, int digits) {
    // The runtime's own form: scientific below 1E-05 and from 1E+15 on.
    return generalForm(v, digits, -5, digits);
}

QString formatValue(const Value& v, const QString& numberFormat) {
    switch (v.type()) {
    case ValueType::Empty: return QString();
    case ValueType::Boolean: return v.booleanValue() ? QStringLiteral("VERO") : QStringLiteral("FALSO");
    case ValueType::Error: return errorText(v.errorCode());
    case ValueType::Text: {
        // Most formats have no text section: no need to look.
        if (!numberFormat.contains(u';') && !numberFormat.contains(u'@')) return v.textValue();
        const Parsed parsed = parseFormat(numberFormat);
        const auto& secs = *parsed;
        if (secs.size() >= 4) return renderText(secs[3], v.textValue());
        if (secs.size() == 1 && secs[0].hasText) return renderText(secs[0], v.textValue());
        return v.textValue();
    }
    case ValueType::Number:
    case ValueType::Date: break;
    }
    const double x = v.numberValue();
    Parsed parsed = parseFormat(numberFormat.isEmpty() ? QStringLiteral("General") : numberFormat);
    // A pure text section ("@") shows numbers in general form.
    if (parsed->size() == 1 && (*parsed)[0].hasText && !(*parsed)[0].isDate) {
        bool onlyText = true;
        for (const auto& t : (*parsed)[0].tokens) onlyText = onlyText && (t.kind == Tok::At || t.kind == Tok::Literal);
        if (onlyText) return cellGeneral(x);
    }
    if (v.isDate() && parsed->size() == 1 && (*parsed)[0].tokens.size() == 1 &&
        (*parsed)[0].tokens[0].kind == Tok::General)
        parsed = parseFormat(QStringLiteral("dd/mm/yyyy"));
    // The numeric sections only: a text section at the end is left out.
    std::vector<const Section*> secs;
    for (const Section& sct : *parsed) secs.push_back(&sct);
    if (secs.size() == 4 || (secs.size() > 1 && secs.back()->hasText)) secs.pop_back();

    const Section* sec = secs[0];
    bool showSign = false;
    const bool conditional = secs[0]->cond.present || (secs.size() > 1 && secs[1]->cond.present);
    if (conditional) {
        if (secs[0]->cond.present && secs[0]->cond.test(x))
            sec = secs[0];
        else if (secs.size() > 1 && secs[1]->cond.present && secs[1]->cond.test(x))
            sec = secs[1];
        else if (secs.size() > 2)
            sec = secs[2];
        else if (secs.size() > 1 && !secs[1]->cond.present)
            sec = secs[1];
        showSign = x < 0 && sec == secs[0] && !secs[0]->cond.present;
    } else if (secs.size() == 1) {
        showSign = x < 0;
    } else if (x < 0) {
        sec = secs[1];
    } else if (x == 0 && secs.size() >= 3) {
        sec = secs[2];
    }
    if (sec->empty) return QString();

    QString body;
    if (sec->tokens.size() == 1 && sec->tokens[0].kind == Tok::General) {
        body = cellGeneral(std::fabs(x));
        if (sec->isDate) body = renderDate(*sec, x);
    } else if (sec->isDate) {
        return renderDate(*sec, x);
    } else {
        body = renderNumber(*sec, x);
    }
    if (showSign && hasNonZeroDigit(body)) body.prepend(u'-');
    return body;
}

bool isDateFormat(const QString& numberFormat) {
    const Parsed secs = parseFormat(numberFormat);
    return !secs->empty() && (*secs)[0].isDate;
}

QString canonicalFormat(const QString& numberFormat) {
    QString out;
    const QString& f = numberFormat;
    for (int i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == u'"') {
            const int close = f.indexOf(u'"', i + 1);
            const int end = close < 0 ? static_cast<int>(f.size()) - 1 : close;
            out += f.mid(i, end - i + 1);
            i = end;
        } else if (c == u'\\' && i + 1 < f.size()) {
            out += c;
            out += f[++i];
        } else if (c == u'[' && f.mid(i, 3) == u"[$-") {
            const int close = f.indexOf(u']', i);
            if (close < 0) break;
            i = close;
        } else {
            out += c;
        }
    }
    out.replace(QStringLiteral("#,##0"), QStringLiteral("#,0"));
    if (out.compare(u"General", Qt::CaseInsensitive) == 0 || out.isEmpty()) out = QStringLiteral("General");
    return out;
}

} // namespace xl
