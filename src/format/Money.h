#pragma once

#include <QString>
#include <QtGlobal>
#include <compare>

namespace qalor {

// An amount of money in whole cents.
//
// Amounts are stored as floating-point numbers (single precision in the call
// and hotel tables). Each stored amount becomes cents exactly once, the way
// its money text shows it; every total is then an exact sum of those cents,
// so a printed total always equals the sum of its printed lines, on any back
// end and in any order of adding.
//
//   Money charge = Money::fromStored(row.charge);      // 4.505 -> 4.51
//   Money fee = total.times(serviceRatio);             // rounded once
//   FormatMoney(total + fee)                           // "5.18"
class Money
{
public:
    constexpr Money() = default;
    static constexpr Money fromCents(qint64 cents) { return Money(cents); }

    // A stored amount as its money text shows it: rounded half away from
    // zero to cents from the number itself. An amount below 0.01 (a single
    // 0.01 counts as 0.01), negatives and non-numbers included, is nothing.
    static Money fromStored(double amount);
    static Money fromStored(float amount) { return fromStored(double(amount)); }
    // Any amount to the nearest cent, half away from zero, negatives kept:
    // what a grid shows of a stored value. Non-numbers are nothing.
    static Money nearest(double amount);

    constexpr qint64 cents() const { return m_cents; }
    // The amount as a number, for writing it to a money column.
    double toDouble() const { return double(m_cents) / 100.0; }
    // "12.50": at least one digit before the point and two after it.
    QString text() const;

    // The fee at a ratio as a person reckons it on paper: this amount times
    // the ratio as it was typed (the shortest decimal that reads back to the
    // stored single: 0.15, not 0.150000006), rounded once, half away from
    // zero. A ratio that is not a finite number gives nothing.
    Money times(float ratio) const;

    Money& operator+=(Money other)
    {
        m_cents += other.m_cents;
        return *this;
    }
    friend Money operator+(Money a, Money b) { return a += b; }
    friend constexpr bool operator==(Money, Money) = default;
    friend constexpr auto operator<=>(Money, Money) = default;

private:
    explicit constexpr Money(qint64 cents) : m_cents(cents) {}
    qint64 m_cents = 0;
};

// The money text of the lists, bills, reports and notices.
inline QString FormatMoney(Money amount)
{
    return amount.text();
}

// A stored amount as Money::fromStored shows it: "0.00" below 0.01.
inline QString FormatMoney(float amount)
{
    return Money::fromStored(amount).text();
}

// The shortest decimal that reads back to the same number: what a person
// typed into a rate, ratio or parameter column ("0.15", "0.125", "12").
QString ShortestText(float value);
QString ShortestText(double value);

// A ratio as bills print it beside the amount it multiplies: every digit it
// holds, at least two decimals ("0.15", "0.125", "1.00").
QString RatioText(float ratio);

} // namespace qalor
