#include "rating/Rate31Table.h"

#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"
#include "db/sets/CRate31Set.h"
#include "rating/CallPrice.h"

namespace qalor {

namespace {
bool inRange(int tariffClass)
{
    return tariffClass >= 0 && tariffClass < Rate31Table::SlotCount;
}
} // namespace

bool Rate31Table::present(std::optional<int> tariffClass) const
{
    return tariffClass && inRange(*tariffClass) && m_present.at(*tariffClass) == 1;
}

void Rate31Table::setSlot(const Rate31Slot& slot)
{
    m_loaded = true;
    if (!inRange(slot.tariffClass) || slot.nextLength < 1)
        return;
    m_slots[slot.tariffClass] = slot;
    m_present[slot.tariffClass] = 1;
}

bool Rate31Table::LoadRate31()
{
    m_loaded = true;
    bool loaded = false;
    runGuarded(QStringLiteral("Open 3+1_rate_table failt"), [&] {
        CRate31Set set;
        if (!openOrReport(set, QStringLiteral("Open 3+1_rate_table failt")))
            return;
        m_present.fill(0);
        for (set.moveFirst(); !set.isEOF(); set.moveNext()) {
            const int k = set.integer(CRate31Set::TariffClass);
            const int nextLength = set.integer(CRate31Set::Length2);
            if (!inRange(k) || nextLength < 1)
                continue;
            Rate31Slot& slot = m_slots[k];
            slot.tariffClass = k;
            slot.firstLength = set.integer(CRate31Set::Length1);
            slot.firstPrice = float(set.real(CRate31Set::Rate1));
            slot.firstSurcharge = float(set.real(CRate31Set::Surcharge1));
            slot.nextLength = nextLength;
            slot.nextPrice = float(set.real(CRate31Set::Rate2));
            slot.nextSurcharge = float(set.real(CRate31Set::Surcharge2));
            m_present[k] = 1;
        }
        set.close();
        loaded = true;
    });
    return loaded;
}

bool Rate31Table::ApplyRate31(std::optional<int> tariffClass, int seconds, float factor, CallPrice& price)
{
    if (!m_loaded && !LoadRate31())
        return false;
    if (!present(tariffClass))
        return false;
    const Rate31Slot& s = m_slots.at(*tariffClass);
    price.matchedRate = s.firstPrice;
    price.effectiveRate = s.firstPrice;
    price.surchargeRate = s.firstSurcharge;
    price.charge = s.firstPrice * factor;
    price.surcharge = s.firstSurcharge;
    if (s.firstLength < seconds) {
        const int n =
            blocksCovering(int(qMin<qint64>(qint64(seconds) - s.firstLength, INT_MAX)), s.nextLength);
        price.matchedRate = s.nextPrice;
        price.effectiveRate = factor * s.nextPrice;
        price.charge += float(n) * price.effectiveRate;
        price.surchargeRate = s.nextSurcharge;
        price.surcharge += float(n) * s.nextSurcharge;
    }
    return true;
}

} // namespace qalor
