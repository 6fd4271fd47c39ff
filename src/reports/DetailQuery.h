#pragma once

#include <QDate>
#include <QString>
#include <QVariantList>
#include <optional>

namespace qalor {

// The selection of a detail-bill query over 话费表: a period of days and the
// optional restrictions the query dialogs offer. Everything a person typed
// stays a bound value; where() holds only placeholders.
struct DetailQuery
{
    QDate start;
    QDate end;
    std::optional<QString> caller; // 主叫号, exactly (may be empty)
    std::optional<int> countType;  // 统计类型
    std::optional<QString> callee; // 被叫号: its leading digits, or the whole number
    bool wholeCallee = false;
    std::optional<int> department; // the calls of the department's extensions (用户信息表)
    // One page of the result: at most `limit` calls, after the first `skip`.
    std::optional<qint64> limit;
    qint64 skip = 0;

    // WHERE condition with ? placeholders, in the order of values().
    QString where() const;
    QVariantList values() const;
    // The full statement: the columns of CallRow in order, sorted by
    // 日期,时间,主叫号 (and cut to the page when a limit is set).
    QString statement() const;

    // A date as 话费表 stores it: yymmdd.
    static QString dateText(const QDate& date);
    // A typed prefix for LIKE ... ESCAPE '\': % and _ match only themselves.
    static QString likePrefix(const QString& typed);

    friend bool operator==(const DetailQuery&, const DetailQuery&) = default;
};

} // namespace qalor
