#include "rating/RateTable.h"

#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"
#include "db/sets/CRateSet.h"

namespace qalor {

RateMatch RateMatch::fromEntry(const RateEntry& entry)
{
    RateMatch match;
    match.rate = entry.rate;
    match.tariffClass = entry.tariffClass;
    // A unit below one second cannot divide a call; such a row bills by the minute.
    match.unit = entry.unit >= 1 ? entry.unit : DefaultUnit;
    match.surchargeRate = entry.surchargeRate;
    match.area = entry.area;
    match.countType = entry.countType;
    return match;
}

void RateTable::clear()
{
    m_entries.clear();
    m_index.clear();
}

bool RateTable::LoadRates()
{
    m_loaded = true;
    clear();
    bool loaded = false;
    const bool completed = runGuarded(QStringLiteral("falt in load rate:UnKown Error."), [&] {
        CRateSet set;
        set.setSort(QStringLiteral("区号 DESC,折扣类型"));
        if (!openOrReport(set, QStringLiteral("打开费率表失败,程序不能正常运行.")))
            return;
        if (set.isEOF()) {
            set.close();
            Prompt::inform(QStringLiteral("No Records In Rate Table!"));
            return;
        }
        m_entries.reserve(set.recordCount());
        for (set.moveFirst(); !set.isEOF(); set.moveNext()) {
            RateEntry entry;
            entry.prefix = set.text(CRateSet::Prefix);
            entry.rate = set.single(CRateSet::Rate);
            entry.area = set.text(CRateSet::Area);
            entry.unit = qint16(set.integer(CRateSet::Unit));
            entry.tariffClass = qint16(set.integer(CRateSet::TariffClass));
            entry.surchargeRate = set.single(CRateSet::SurchargeRate);
            entry.countType = qint16(set.integer(CRateSet::CountType));
            m_entries.append(entry);
        }
        set.close();
        for (const RateEntry& entry : std::as_const(m_entries))
            m_index.add(entry.prefix);
        loaded = true;
    });
    if (!completed)
        clear();
    return loaded;
}

bool RateTable::LookupRate(QStringView called, RateMatch& match)
{
    match = RateMatch{};
    if (!m_loaded && !LoadRates()) {
        Prompt::inform(QStringLiteral(
            "Failure Of Loading Rate Table!/n Please Check Rate Table , then Restart Program. "));
        return false;
    }
    const int chosen = m_index.find(called);
    if (chosen >= 0)
        match = RateMatch::fromEntry(m_entries.at(chosen));
    return true;
}

} // namespace qalor
