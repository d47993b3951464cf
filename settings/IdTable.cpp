#include "settings/IdTable.h"

#include <utility>

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
