#pragma once

#include <QDate>
#include <QString>
#include <QUrlQuery>
#include <optional>

namespace qalor {

// The parameters of a console request, checked: anything that is not what
// it should be raises BadParameter with the text the answer carries.
class WebParams
{
public:
    static constexpr int MaxLength = 64;

    // Every value longer than MaxLength is refused, whatever its name.
    explicit WebParams(const QUrlQuery& query);

    // YYYY-MM-DD; the fallback when absent or empty.
    QDate date(const QString& name, const QDate& fallback) const;
    // Digits only; nothing when absent or empty.
    std::optional<QString> digits(const QString& name) const;
    // A whole number in [low, high]; the fallback when absent or empty.
    qint64 number(const QString& name, qint64 fallback, qint64 low, qint64 high) const;
    // One of the given words; the first when absent or empty.
    QString choice(const QString& name, const QStringList& words) const;

    // A number in a path ("/api/alerts/12/ack"): digits only, at most nine.
    static int pathNumber(const QString& text);

private:
    QString value(const QString& name) const;
    QUrlQuery m_query;
};

} // namespace qalor
