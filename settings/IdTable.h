#pragma once

#include "platform/FastStringHash.h"

#include <QStringView>

#include <cstdint>
#include <vector>

// Finds strings that a caller keeps in a list of its own by their text, giving their positions in
// that list: an open-addressing table of positions and hashes, without an allocation per string
// and without a copy of any. Made for the ids of a configuration and of a settings file, which a
// load, a save and an export look up once or more for every variable.
//
// `keyAt` is a callable that gives the text at a position (QStringView or anything that converts
// to it); the table never asks for a position it was not given.
class IdTable {
  public:
    // Makes room for `count` strings, so that adding that many moves nothing.
    void Reserve(std::size_t count);
    void Clear();

    // The position given for a text equal to `key`; -1 when none was.
    template <typename KeyAt>
    int Find(QStringView key, const KeyAt& keyAt) const {
        if (mSlots.empty()) {
            return -1;
        }
        const std::uint32_t hash = Hash(key);
        for (std::size_t i = hash & Mask();; i = (i + 1) & Mask()) {
            const Slot& slot = mSlots[i];
            if (slot.position < 0) {
                return -1;
            }
            if (slot.hash == hash && QStringView(keyAt(slot.position)) == key) {
                return slot.position;
            }
        }
    }

    // Gives `key` the position `position` unless an equal text has one already; returns the
    // position the text has now.
    template <typename KeyAt>
    int Insert(QStringView key, int position, const KeyAt& keyAt) {
        if ((mCount + 1) * 2 > mSlots.size()) {
            Grow();
        }
        const std::uint32_t hash = Hash(key);
        for (std::size_t i = hash & Mask();; i = (i + 1) & Mask()) {
            Slot& slot = mSlots[i];
            if (slot.position < 0) {
                slot = {hash, position};
                ++mCount;
                return position;
            }
            if (slot.hash == hash && QStringView(keyAt(slot.position)) == key) {
                return slot.position;
            }
        }
    }

    std::size_t Size() const { return mCount; }

  private:
    struct Slot {
        std::uint32_t hash = 0;
        int position = -1;  // -1: empty
    };

    // The ids are trusted input of a limited size: an unseeded hash serves, and costs less than
    // Qt's seeded one.
    static std::uint32_t Hash(QStringView key) { return std::uint32_t(FastStringHash(key)); }
    std::size_t Mask() const { return mSlots.size() - 1; }
    void Grow();

    std::vector<Slot> mSlots;  // a power of two long, at most half full
    std::size_t mCount = 0;
};
