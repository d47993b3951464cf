#pragma once

#include "platform/FastStringHash.h"
#include "platform/HashIndex.h"

#include <QStringView>

#include <cstdint>
#include <optional>
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
    void Reserve(std::size_t count) { mIndex.Reserve(count); }
    void Clear() { mIndex = HashIndex(); }

    // The position given for a text equal to `key`; -1 when none was.
    template <typename KeyAt>
    int Find(QStringView key, const KeyAt& keyAt) const {
        const std::optional<std::uint32_t> found =
            mIndex.Find(FastStringHash(key), Equals(key, keyAt));
        return found ? int(*found) : -1;
    }
    // Gives `key` the position `position` unless an equal text has one already; returns the
    // position the text has now.
    template <typename KeyAt>
    int Insert(QStringView key, int position, const KeyAt& keyAt) {
        const std::optional<std::uint32_t> found =
            mIndex.Insert(FastStringHash(key), std::uint32_t(position), Equals(key, keyAt));
        return found ? int(*found) : position;
    }

    // Insert for every position from 0 to `count` - 1, in order, giving each the position it has
    // then (as Insert) through `placed`. Faster than one Insert after the other: the table's
    // slots are fetched a few strings ahead.
    template <typename KeyAt, typename Placed>
    void InsertAll(int count, const KeyAt& keyAt, Placed&& placed) {
        std::vector<std::size_t> hashes(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            hashes[std::size_t(i)] = FastStringHash(keyAt(i));
        }
        mIndex.InsertAll(
            hashes, 0, [&keyAt](std::size_t i) { return Equals(keyAt(int(i)), keyAt); },
            [&placed](std::size_t i, std::optional<std::uint32_t> found) {
                placed(int(i), found ? int(*found) : int(i));
                return true;
            });
    }

    std::size_t Size() const { return mIndex.Size(); }

  private:
    template <typename KeyAt>
    static auto Equals(QStringView key, const KeyAt& keyAt) {
        return [key, &keyAt](std::uint32_t position) {
            return QStringView(keyAt(int(position))) == key;
        };
    }

    // The ids are trusted input of a limited size: an unseeded hash serves, and costs less than
    // Qt's seeded one.
    HashIndex mIndex;
};
