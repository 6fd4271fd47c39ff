#include "rating/RepeatCalls.h"

#include "db/CDatabase.h"
#include "rating/CallCostWriter.h"

#include <QSqlQuery>
#include <QVariant>

namespace qalor {

namespace {
// Days kept in memory; past that everything is read again when needed.
constexpr qsizetype KeptDays = 8;

int secondOfDay(const QString& hhmmss)
{
    return hhmmss.left(2).toInt() * 3600 + hhmmss.mid(2, 2).toInt() * 60 + hhmmss.mid(4, 2).toInt();
}
} // namespace

QString RepeatCalls::key(const QString& caller, const QString& called)
{
    return caller + QChar(0x1f) + called;
}

void RepeatCalls::forget()
{
    m_days.clear();
    m_starts.clear();
}

bool RepeatCalls::ensureDay(qint64 julianDay)
{
    if (m_days.contains(julianDay))
        return false;
    const QDate date = QDate::fromJulianDay(julianDay);
    if (m_beforeReading)
        m_beforeReading();
    QSqlQuery query =
        CDatabase::shared().prepare(QStringLiteral("SELECT 主叫号, 被叫号, 时间 FROM 话费表 WHERE 日期=?"));
    query.addBindValue(CallCostWriter::dateText(date));
    CDatabase::exec(query);
    while (query.next())
        m_starts[key(query.value(0).toString(), query.value(1).toString())].append(
            julianDay * 86400 + secondOfDay(query.value(2).toString()));
    m_days.insert(julianDay);
    return true;
}

void RepeatCalls::note(const QString& caller, const QString& called, CallMoment start)
{
    const qint64 day = start.date.toJulianDay();
    const bool reachesBack = start.second < m_window;
    if (m_days.size() + 2 > KeptDays && (!m_days.contains(day) || (reachesBack && !m_days.contains(day - 1))))
        forget();
    const bool readNow = ensureDay(day);
    if (reachesBack)
        ensureDay(day - 1);
    if (!readNow)
        m_starts[key(caller, called)].append(start.serial());
}

const QList<qint64>* RepeatCalls::startsOf(const QString& caller, const QString& called) const
{
    const auto found = m_starts.constFind(key(caller, called));
    return found == m_starts.constEnd() ? nullptr : &*found;
}

int RepeatCalls::countWithin(const QList<qint64>* starts, CallMoment start, int windowSeconds)
{
    if (!starts)
        return 0;
    const qint64 last = start.serial();
    const qint64 first = last - windowSeconds;
    int count = 0;
    for (const qint64 serial : *starts)
        if (serial >= first && serial <= last)
            ++count;
    return count;
}

} // namespace qalor
