#pragma once
// An amount of money in whole cents, so that sums and differences are exact:
// 100,10 - 100,00 - 0,10 is 0, never a remainder of binary fractions. Texts
// are read and written in Italian conventions (decimal comma, "." grouping
// thousands) whatever the machine's locale.

#include <QString>
#include <QtGlobal>
#include <limits>
#include <optional>

namespace store {

class Money {
public:
    // A spreadsheet keeps a number to 15 significant digits: an amount whose
    // general form needs more cannot go into a cell and come back the same.
    static constexpr int kMaxDigits = 15;

    // Why a text is no amount.
    enum class Refusal {
        NotAnAmount, // no number in Italian form
        TooLong,     // more digits than a spreadsheet keeps exactly
    };

    constexpr Money() = default;
    static constexpr Money fromCents(qint64 cents) { return Money(cents); }

    // An amount as typed or pasted: blanks around, an optional leading sign,
    // digits with "," before the decimals and "." between groups of three
    // ("1.234,56", "-200,00", "12,5", "0,10", "1500"). Decimals past the
    // cent are rounded half away from zero, as the "#,0.00" form shows them.
    // nullopt, with the reason in `why`, for anything else and for an amount
    // of more than kMaxDigits digits.
    static std::optional<Money> parse(const QString& text, Refusal* why = nullptr);

    // A number as a cell holds it, read to the cent as the spreadsheet shows
    // it (15 significant digits, then half away from zero). nullopt when it
    // is not finite or lies beyond kMaxDigits digits.
    static std::optional<Money> fromDouble(double value);

    constexpr qint64 cents() const { return cents_; }
    // The number a cell gets: the nearest double to the amount, which a
    // spreadsheet shows as the amount itself while keepsExactly() holds.
    double toDouble() const { return static_cast<double>(cents_) / 100.0; }

    // True while the general form has at most kMaxDigits digits. Sums can
    // grow past it; parse and fromDouble never give such an amount.
    bool keepsExactly() const;

    // "#,0.00": "1.234,50", "0,50", "-3,00".
    QString grouped() const;
    // The general form of a computed balance: no grouping, no trailing
    // decimal zeros ("0", "650", "-12,5", "1884,56").
    QString general() const;

    constexpr bool isNegative() const { return cents_ < 0; }
    constexpr bool isZero() const { return cents_ == 0; }

    // Exact while the result fits in 64 bits; past that it stays at the
    // limit, which keepsExactly() reports, and never wraps round.
    constexpr Money operator-() const { return Money(cents_ == kLimit.lo ? kLimit.hi : -cents_); }
    constexpr Money& operator+=(Money other) {
        if (__builtin_add_overflow(cents_, other.cents_, &cents_)) cents_ = other.cents_ < 0 ? kLimit.lo : kLimit.hi;
        return *this;
    }
    constexpr Money& operator-=(Money other) {
        if (__builtin_sub_overflow(cents_, other.cents_, &cents_)) cents_ = other.cents_ > 0 ? kLimit.lo : kLimit.hi;
        return *this;
    }
    friend constexpr Money operator+(Money a, Money b) { return a += b; }
    friend constexpr Money operator-(Money a, Money b) { return a -= b; }
    friend constexpr auto operator<=>(Money, Money) = default;

    // The sum of a range of amounts.
    template <typename Range>
    static Money sum(const Range& amounts) {
        Money total;
        for (const Money& m : amounts) total += m;
        return total;
    }

private:
    static constexpr struct {
        qint64 lo, hi;
    } kLimit{std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()};
    constexpr explicit Money(qint64 cents) : cents_(cents) {}
    qint64 cents_ = 0;
};

} // namespace store
