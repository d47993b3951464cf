#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The slots of a hash table whose entries the caller keeps in an array of its own and names by
// their index there. A slot is 8 bytes: the low half of the entry's hash and its index; a lookup
// costs the hash, a few compared numbers and, where they agree, a comparison by the caller
// (`matches`, called with an entry's index). Linear probing, at most 80% full; nothing is ever
// removed. For the program's large tables of ids, where a node-based table of QStrings takes
// ten times the memory.
class HashIndex {
  public:
    // The entry for which `matches` is true among those added under `hash`, or nothing.
    template <typename Matches>
    std::optional<std::uint32_t> Find(std::size_t hash, Matches matches) const {
        if (mSlots.empty()) {
            return std::nullopt;
        }
        const std::size_t mask = mSlots.size() - 1;
        const auto low = std::uint32_t(hash);
        for (std::size_t at = low & mask;; at = (at + 1) & mask) {
            const Slot& slot = mSlots[at];
            if (slot.entry == kEmpty) {
                return std::nullopt;
            }
            if (slot.hash == low && matches(slot.entry)) {
                return slot.entry;
            }
        }
    }

    // Adds `entry` under `hash`, unless an entry for which `matches` is true is there already:
    // then that one's index, and nothing changes. REQUIRES: entry < UINT32_MAX.
    template <typename Matches>
    std::optional<std::uint32_t> Insert(std::size_t hash, std::uint32_t entry, Matches matches) {
        if (const std::optional<std::uint32_t> found = Find(hash, matches)) {
            return found;
        }
        if ((mCount + 1) * 10 > mSlots.size() * 8) {
            Rehash(mSlots.empty() ? 16 : mSlots.size() * 2);
        }
        Place({std::uint32_t(hash), entry});
        ++mCount;
        return std::nullopt;
    }

    // Makes room for `count` entries in all, so that adding them moves none.
    void Reserve(std::size_t count) {
        std::size_t size = 16;
        while (count * 10 > size * 8) {
            size *= 2;
        }
        if (size > mSlots.size()) {
            Rehash(size);
        }
    }

    // Insert for the entries `first`, `first` + 1, ... under `hashes`, in that order, each with
    // the test `matchesFor(i)`; `placed(i, found)` is told what its Insert gave, and stops the
    // rest by returning false. Faster than one Insert after the other: the slots are fetched into
    // the cache a few entries ahead, so that they do not keep it waiting one by one.
    template <typename MatchesFor, typename Placed>
    void InsertAll(const std::vector<std::size_t>& hashes, std::uint32_t first,
                   MatchesFor matchesFor, Placed placed) {
        constexpr std::size_t kAhead = 8;
        if (hashes.empty()) {
            return;
        }
        Reserve(mCount + hashes.size());
        for (std::size_t i = 0; i < hashes.size(); ++i) {
            if (i + kAhead < hashes.size()) {
                Prefetch(hashes[i + kAhead]);
            }
            if (!placed(i, Insert(hashes[i], first + std::uint32_t(i), matchesFor(i)))) {
                return;
            }
        }
    }

    std::size_t Size() const { return mCount; }

  private:
    void Prefetch(std::size_t hash) const {
#if defined(__GNUC__)
        __builtin_prefetch(&mSlots[hash & (mSlots.size() - 1)]);
#else
        (void)hash;
#endif
    }

    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    struct Slot {
        std::uint32_t hash;
        std::uint32_t entry;
    };

    void Place(Slot slot) {
        const std::size_t mask = mSlots.size() - 1;
        std::size_t at = slot.hash & mask;
        while (mSlots[at].entry != kEmpty) {
            at = (at + 1) & mask;
        }
        mSlots[at] = slot;
    }

    // REQUIRES: `size` is a power of two that holds every entry.
    void Rehash(std::size_t size) {
        std::vector<Slot> old(size, Slot{0, kEmpty});
        old.swap(mSlots);
        for (const Slot& slot : old) {
            if (slot.entry != kEmpty) {
                Place(slot);
            }
        }
    }

    std::vector<Slot> mSlots;
    std::size_t mCount = 0;
};
