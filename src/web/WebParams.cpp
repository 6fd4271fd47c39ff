#include "web/WebParams.h"

#include "web/WebReply.h"

#include <QRegularExpression>

namespace qalor {

namespace {
bool allDigits(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]+$"));
    return pattern.match(text).hasMatch();
}
} // namespace

WebParams::WebParams(const QUrlQuery& query) : m_query(query)
{
    for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded))
        if (name.size() > MaxLength || value.size() > MaxLength)
            throw BadParameter{QStringLiteral("参数%1太长.").arg(name.left(MaxLength))};
}

QString WebParams::value(const QString& name) const
{
    return m_query.queryItemValue(name, QUrl::FullyDecoded);
}

QDate WebParams::date(const QString& name, const QDate& fallback) const
{
    const QString text = value(name);
    if (text.isEmpty())
        return fallback;
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!pattern.match(text).hasMatch() || !date.isValid())
        throw BadParameter{QStringLiteral("%1不是日期(YYYY-MM-DD).").arg(name)};
    return date;
}

std::optional<QString> WebParams::digits(const QString& name) const
{
    const QString text = value(name);
    if (text.isEmpty())
        return std::nullopt;
    if (!allDigits(text))
        throw BadParameter{QStringLiteral("%1只能是数字.").arg(name)};
    return text;
}

qint64 WebParams::number(const QString& name, qint64 fallback, qint64 low, qint64 high) const
{
    const QString text = value(name);
    if (text.isEmpty())
        return fallback;
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!allDigits(text) || !ok || number < low || number > high)
        throw BadParameter{QStringLiteral("%1应是%2到%3的整数.").arg(name).arg(low).arg(high)};
    return number;
}

QString WebParams::choice(const QString& name, const QStringList& words) const
{
    const QString text = value(name);
    if (text.isEmpty())
        return words.value(0);
    if (!words.contains(text))
        throw BadParameter{QStringLiteral("%1应是%2之一.").arg(name, words.join(QLatin1Char('/')))};
    return text;
}

int WebParams::pathNumber(const QString& text)
{
    if (text.size() > 9 || !allDigits(text))
        throw BadParameter{QStringLiteral("编号只能是数字.")};
    return text.toInt();
}

} // namespace qalor
