#pragma once

#include <array>
#include <optional>

namespace qalor {

struct CallPrice;

// The two-tier ("3+1") tariff of one tariff class: a first block charged in
// full, then every started following block.
struct Rate31Slot
{
    int tariffClass = -1; // -1 while the slot was never filled
    int firstLength = 0;
    float firstPrice = 0;
    float firstSurcharge = 0;
    int nextLength = 0;
    float nextPrice = 0;
    float nextSurcharge = 0;
};

// The rows of rate31, one slot per tariff class 0 to 49.
class Rate31Table
{
public:
    static constexpr int SlotCount = 50;

    // Refills the slots; the loaded mark is set first. Rows whose class lies
    // outside 0-49 or whose following block is not at least one second long
    // are left out.
    bool LoadRate31();
    bool isLoaded() const { return m_loaded; }
    bool present(std::optional<int> tariffClass) const;
    const Rate31Slot& slot(int tariffClass) const { return m_slots.at(tariffClass); }
    // Installs one slot as a load of its row would (the table counts as loaded).
    void setSlot(const Rate31Slot& slot);

    // Replaces the rate-entry price of a call of the given class by the
    // two-tier one. The factor discounts the block prices, never the
    // surcharges. False when the class has no slot (the price is untouched).
    bool ApplyRate31(std::optional<int> tariffClass, int seconds, float factor, CallPrice& price);

private:
    std::array<Rate31Slot, SlotCount> m_slots{};
    std::array<int, SlotCount> m_present{};
    bool m_loaded = false;
};

} // namespace qalor
