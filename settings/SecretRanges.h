#pragma once

#include <QtGlobal>

#include <mutex>
#include <vector>

// The bytes [begin, end) of a text. An empty range marks a place: where the substitution put a
// password that has no value, which a diff needs to recognise the old value there.
struct ByteRange {
    qint64 begin = 0;
    qint64 end = 0;

    bool Empty() const { return begin == end; }
    bool operator==(const ByteRange&) const = default;
};

// Appends `range` to `ranges`, which are sorted and apart, taking it into the last one where the
// two meet or overlap, so that the list stays sorted and apart.
// REQUIRES: `range` does not begin before the last range of `ranges`.
void AppendRange(std::vector<ByteRange>& ranges, ByteRange range);

// Where an output holds the values of passwords, told by the substitution as it produces the
// output and read by whoever handles the bytes after it, on another thread too (LeftoverTokenSink
// behind a BackgroundSink): a range is added before the bytes it covers leave the substitution,
// so a reader always finds the ranges of the bytes it has.
class SecretRanges {
  public:
    // `keep`: every range stays until Clear, for a diff of the whole output; otherwise the ranges
    // that a reader has passed (Passed) are dropped, so that an output full of passwords costs no
    // memory.
    explicit SecretRanges(bool keep = true) : mKeep(keep) {}

    // REQUIRES: `range` does not begin before the last range added.
    void Add(ByteRange range);
    // Forgets every range: the output starts over.
    void Clear();
    // Whether a range that is not empty overlaps [begin, end).
    bool Overlaps(qint64 begin, qint64 end) const;
    // The reader needs no range that ends at or before `offset` any more.
    void Passed(qint64 offset);

    // Every range, sorted and apart (those Passed dropped are gone).
    std::vector<ByteRange> Ranges() const;
    // Whether any range added since the last Clear holds bytes.
    bool HoldsBytes() const;

  private:
    const bool mKeep;
    mutable std::mutex mMutex;
    std::vector<ByteRange> mRanges;
    bool mHoldsBytes = false;
};
