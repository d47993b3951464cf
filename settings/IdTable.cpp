#include "settings/IdTable.h"

#include <bit>
#include <cstring>

std::uint32_t IdTable::Hash(QStringView key) {
    // Four UTF-16 units at a time, mixed by multiplication: the ids are short and trusted input,
    // and a seeded hash of every lookup costs more than the lookup itself.
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    const char16_t* units = key.utf16();
    std::size_t left = std::size_t(key.size());
    std::uint64_t hash = std::uint64_t(left) * kMultiplier;
    while (left >= 4) {
        std::uint64_t word;
        std::memcpy(&word, units, sizeof word);
        hash = std::rotl((hash ^ word) * kMultiplier, 29);
        units += 4;
        left -= 4;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, units, left * sizeof(char16_t));
    hash = (hash ^ tail) * kMultiplier;
    return std::uint32_t(hash >> 32) ^ std::uint32_t(hash);
}

void IdTable::Reserve(std::size_t count) {
    while (count * 2 > mSlots.size()) {
        Grow();
    }
}

void IdTable::Clear() {
    mSlots.clear();
    mCount = 0;
}

void IdTable::Grow() {
    std::vector<Slot> old;
    old.swap(mSlots);
    mSlots.assign(old.empty() ? 16 : old.size() * 2, Slot());
    for (const Slot& slot : old) {
        if (slot.position >= 0) {
            std::size_t i = slot.hash & Mask();
            while (mSlots[i].position >= 0) {
                i = (i + 1) & Mask();
            }
            mSlots[i] = slot;
        }
    }
}
