#include "settings/SecretRanges.h"

#include <algorithm>

void AppendRange(std::vector<ByteRange>& ranges, ByteRange range) {
    if (!ranges.empty() && range.begin <= ranges.back().end) {
        ranges.back().end = std::max(ranges.back().end, range.end);
        return;
    }
    ranges.push_back(range);
}

void SecretRanges::Add(ByteRange range) {
    const std::lock_guard<std::mutex> lock(mMutex);
    AppendRange(mRanges, range);
    mHoldsBytes = mHoldsBytes || !range.Empty();
}

void SecretRanges::Clear() {
    const std::lock_guard<std::mutex> lock(mMutex);
    mRanges.clear();
    mHoldsBytes = false;
}

bool SecretRanges::Overlaps(qint64 begin, qint64 end) const {
    const std::lock_guard<std::mutex> lock(mMutex);
    // The ranges are apart, so their ends are sorted as well.
    auto range = std::upper_bound(mRanges.begin(), mRanges.end(), begin,
                                  [](qint64 at, const ByteRange& r) { return at < r.end; });
    for (; range != mRanges.end() && range->begin < end; ++range) {
        if (!range->Empty()) {
            return true;
        }
    }
    return false;
}

void SecretRanges::Passed(qint64 offset) {
    if (mKeep) {
        return;
    }
    const std::lock_guard<std::mutex> lock(mMutex);
    const auto passed = std::upper_bound(mRanges.begin(), mRanges.end(), offset,
                                         [](qint64 at, const ByteRange& r) { return at < r.end; });
    mRanges.erase(mRanges.begin(), passed);
}

std::vector<ByteRange> SecretRanges::Ranges() const {
    const std::lock_guard<std::mutex> lock(mMutex);
    return mRanges;
}

bool SecretRanges::HoldsBytes() const {
    const std::lock_guard<std::mutex> lock(mMutex);
    return mHoldsBytes;
}
