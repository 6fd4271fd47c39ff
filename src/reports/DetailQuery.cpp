#include "reports/DetailQuery.h"

#include <algorithm>

namespace qalor {

namespace {
// A bound empty text must stay an empty text, never NULL: a caller typed as
// nothing matches the calls stored without a caller.
QVariant typedText(const QString& text)
{
    return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text);
}
} // namespace

QString DetailQuery::dateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyMMdd"));
}

QString DetailQuery::likePrefix(const QString& typed)
{
    QString escaped;
    escaped.reserve(typed.size() + 1);
    for (const QChar c : typed) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped + QLatin1Char('%');
}

QString DetailQuery::where() const
{
    QString sql = QStringLiteral("日期<=? AND 日期>=?");
    if (callee)
        sql +=
            wholeCallee ? QStringLiteral(" AND 被叫号=?") : QStringLiteral(" AND 被叫号 LIKE ? ESCAPE '\\'");
    if (caller)
        sql += QStringLiteral(" AND 主叫号=?");
    if (countType)
        sql += QStringLiteral(" AND 统计类型=?");
    if (department)
        sql += QStringLiteral(" AND 主叫号 IN (SELECT 电话号码 FROM 用户信息表 WHERE 部门编号=?)");
    return sql;
}

QVariantList DetailQuery::values() const
{
    QVariantList values{dateText(end), dateText(start)};
    if (callee)
        values << (wholeCallee ? typedText(*callee) : QVariant(likePrefix(*callee)));
    if (caller)
        values << typedText(*caller);
    if (countType)
        values << *countType;
    if (department)
        values << *department;
    return values;
}

QString DetailQuery::statement() const
{
    QString sql =
        QStringLiteral(
            "SELECT 主叫号,被叫号,日期,时间,时长,费率,计费单位数,通话费,服务费,附加费,通达地,统计类型 "
            "FROM 话费表 WHERE ") +
        where() + QStringLiteral(" ORDER BY 日期,时间,主叫号");
    if (limit)
        sql += QStringLiteral(" LIMIT %1 OFFSET %2")
                   .arg(std::max<qint64>(0, *limit))
                   .arg(std::max<qint64>(0, skip));
    return sql;
}

} // namespace qalor
