#pragma once

#include "settings/SubstitutionTrie.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// What one walk of the trie from an id-start byte of the text found.
struct TrieWalk {
    uint32_t looked = 0;  // the bytes it went through (SubstitutionTrie::Match); 0: no walk
    // The longest id that starts there, or kNone for a lone start, where no id does.
    uint32_t length = 0;
    uint32_t terminal = SubstitutionTrie::kNone;
    // When that id is the only one and may be emitted as soon as it is found, the index of its
    // expansion (see the run in SubstitutionPlan.cpp); kNone otherwise.
    uint32_t alone = SubstitutionTrie::kNone;
};

// The walks found so far, by the sixteen bytes they start from, so that a template that repeats
// its ids finds each one again with one probe instead of a walk of several dependent loads.
//
// A walk depends on nothing but the bytes it goes through and the one after them: where the same
// sixteen bytes came before, a walk that went through fewer than sixteen finds the same again.
// Only such walks that found one id or none are kept; a slot holds the last walk whose bytes hash
// to it.
class WalkMemo {
  public:
    struct Key {
        uint64_t words[2];
    };
    // The sixteen bytes from `at`, all of which must be readable.
    static Key KeyAt(const char* at) {
        Key key;
        std::memcpy(key.words, at, sizeof key.words);
        return key;
    }
    // Whether Remember keeps a walk that went through `looked` bytes and found `found` ids.
    static bool Keeps(std::size_t looked, std::size_t found) { return looked < 16 && found <= 1; }

    // The walk kept for `key`, or nullptr.
    const TrieWalk* Find(const Key& key) const {
        const Slot& slot = mSlots[SlotOf(key)];
        const bool same = slot.key.words[0] == key.words[0] && slot.key.words[1] == key.words[1];
        return same && slot.walk.looked != 0 ? &slot.walk : nullptr;
    }
    void Remember(const Key& key, const TrieWalk& walk) { mSlots[SlotOf(key)] = {key, walk}; }

  private:
    static constexpr int kSlotBits = 9;
    struct Slot {
        Key key = {{0, 0}};
        TrieWalk walk;  // walk.looked is 0 in an empty slot
    };
    // Both halves of the key count: ids that differ only in their ninth byte (VAR0040 to
    // VAR0049) must not share a slot.
    static std::size_t SlotOf(const Key& key) {
        return static_cast<std::size_t>(
            ((key.words[0] * 0x9E3779B97F4A7C15) ^ (key.words[1] * 0xC2B2AE3D27D4EB4F)) >>
            (64 - kSlotBits));
    }

    std::vector<Slot> mSlots = std::vector<Slot>(std::size_t{1} << kSlotBits);
};
