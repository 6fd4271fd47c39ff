#include "format/Money.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace qalor {

namespace {

// A stored single times 100 is exact in a double; a stored double times 100
// is exact in the x87 extended format. Either way the rounding below sees the
// number itself.
constexpr long double SmallestCent = 0.9999999L; // 100 x 0.01 in single precision, and a little room

// Products of an amount in cents and a ratio's digits need more than 64 bits.
__extension__ typedef __int128 Wide;

struct Decimal
{
    qint64 digits = 0; // the value is digits / 10^scale
    int scale = 0;
};

// The shortest decimal of a single, as to_chars writes it, read back as an
// exact fraction with a power of ten below it.
std::optional<Decimal> shortestDecimal(float value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (written.ec != std::errc())
        return std::nullopt;
    Decimal decimal;
    bool negative = false;
    bool afterPoint = false;
    for (const char* p = buffer; p != written.ptr; ++p) {
        if (*p == '-') {
            negative = true;
        } else if (*p == '.') {
            afterPoint = true;
        } else {
            if (decimal.digits > (std::numeric_limits<qint64>::max() - 9) / 10)
                return std::nullopt;
            decimal.digits = decimal.digits * 10 + (*p - '0');
            if (afterPoint)
                ++decimal.scale;
        }
    }
    if (negative)
        decimal.digits = -decimal.digits;
    return decimal;
}

qint64 roundedQuotient(Wide numerator, Wide denominator)
{
    // Half away from zero, in whole numbers.
    const bool negative = numerator < 0;
    const Wide magnitude = negative ? -numerator : numerator;
    const Wide quotient = (2 * magnitude + denominator) / (2 * denominator);
    return qint64(negative ? -quotient : quotient);
}

} // namespace

Money Money::fromStored(double amount)
{
    if (!(static_cast<long double>(amount) * 100.0L >= SmallestCent))
        return {};
    return nearest(amount);
}

Money Money::nearest(double amount)
{
    const long double hundredfold = static_cast<long double>(amount) * 100.0L;
    if (!(std::fabs(hundredfold) <= 9.0e16L))
        return {};
    return Money(std::llround(hundredfold));
}

QString Money::text() const
{
    const qint64 magnitude = m_cents < 0 ? -m_cents : m_cents;
    QString text = QString::number(magnitude / 100) + QLatin1Char('.') +
                   QString::number(magnitude % 100).rightJustified(2, QLatin1Char('0'));
    return m_cents < 0 ? QLatin1Char('-') + text : text;
}

Money Money::times(float ratio) const
{
    const std::optional<Decimal> decimal = shortestDecimal(ratio);
    // Beyond 10^-36 a ratio is nothing at any amount a bill can hold.
    if (!decimal || decimal->scale > 36)
        return {};
    Wide power = 1;
    for (int i = 0; i < decimal->scale; ++i)
        power *= 10;
    return Money(roundedQuotient(Wide(m_cents) * decimal->digits, power));
}

namespace {
template <typename Number> QString shortest(Number value)
{
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, written.ptr - buffer);
}
} // namespace

QString ShortestText(float value)
{
    return shortest(value);
}

QString ShortestText(double value)
{
    return shortest(value);
}

QString RatioText(float ratio)
{
    if (!std::isfinite(ratio))
        return QStringLiteral("0.00");
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, ratio, std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, written.ptr - buffer);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return text + QStringLiteral(".00");
    while (text.size() - point - 1 < 2)
        text += QLatin1Char('0');
    return text;
}

} // namespace qalor
