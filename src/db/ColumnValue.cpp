#include "db/ColumnValue.h"

#include <cmath>
#include <limits>

namespace qalor {

namespace {

struct Range
{
    double low;
    double high;
};

Range wholeRange(ColumnType type)
{
    if (type == ColumnType::Int16)
        return {-32768.0, 32767.0};
    return {double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())};
}

std::optional<double> number(const QVariant& input)
{
    if (input.isNull())
        return 0.0;
    bool ok = false;
    double value = 0;
    if (input.typeId() == QMetaType::QString) {
        const QString text = input.toString().trimmed();
        if (text.isEmpty())
            return 0.0;
        value = text.toDouble(&ok);
    } else {
        value = input.toDouble(&ok);
    }
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<QVariant> ColumnValue::parse(ColumnType type, const QVariant& input)
{
    if (type == ColumnType::Text) {
        const QString text = input.toString();
        if (text.size() > MaxTextLength)
            return std::nullopt;
        // An empty text is stored as "", never as NULL.
        return QVariant(text.isNull() ? QStringLiteral("") : text);
    }
    const std::optional<double> value = number(input);
    if (!value)
        return std::nullopt;
    switch (type) {
    case ColumnType::Single:
        if (std::fabs(*value) > double(std::numeric_limits<float>::max()))
            return std::nullopt;
        return QVariant(float(*value));
    case ColumnType::Double:
        return QVariant(*value);
    case ColumnType::Bit:
        if (*value != std::floor(*value))
            return std::nullopt;
        return QVariant(*value != 0 ? 1 : 0);
    default: {
        const Range range = wholeRange(type);
        if (*value != std::floor(*value) || *value < range.low || *value > range.high)
            return std::nullopt;
        return QVariant(int(*value));
    }
    }
}

QString ColumnValue::accepts(ColumnType type)
{
    switch (type) {
    case ColumnType::Text:
        return QStringLiteral("最多%1个字符的文字").arg(MaxTextLength);
    case ColumnType::Int16:
        return QStringLiteral("-32768到32767之间的整数");
    case ColumnType::Int32:
        return QStringLiteral("-2147483648到2147483647之间的整数");
    case ColumnType::Single:
    case ColumnType::Double:
        return QStringLiteral("数字");
    case ColumnType::Bit:
        return QStringLiteral("整数(0表示否,其他表示是)");
    }
    return {};
}

QString ColumnValue::refusal(const ColumnDef& column)
{
    return QStringLiteral("列“%1”只能填入%2.").arg(column.name, accepts(column.type));
}

} // namespace qalor
